#pragma once

#include <string>

// Writes `bytes` under a temporary name in the file's folder and renames it
// into place, so that readers see the old file or the new one, never a part.
// Throws std::runtime_error naming the file and the cause; the old file is
// then untouched.
void replace_file(std::string const& path, std::string const& bytes);
