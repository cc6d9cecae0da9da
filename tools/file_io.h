#pragma once

#include <string>

// The whole content of the file at `path`; StarcatError names the path, what
// the file was meant to be ("catalogue", "star database") and the reason.
std::string read_file(std::string const& path, char const* what);

// Replaces the file at `path` with `bytes` all at once: the bytes go to
// "<path>.inprogress", are synced, and the temporary file is renamed over
// `path`. On any failure the temporary file is removed, `path` is left as it
// was, and StarcatError names the path and the failing call.
void write_file_atomically(std::string const& path, std::string const& bytes);
