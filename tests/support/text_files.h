#pragma once

#include <string>

// Replaces a file's contents with `text`, byte for byte.
void write_text(std::string const& path, std::string const& text);

// A file's bytes; empty when it cannot be read.
std::string read_text(std::string const& path);
