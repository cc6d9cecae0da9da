#pragma once

#include <string>

// `scene` with the body of its image filter block "Plugin
// ImageFilterHandler <position> Orrelux" replaced by `body`: everything
// else, line ends included, stays byte for byte. Throws std::runtime_error
// when the scene has no such block or the block has no EndPlugin line.
std::string with_filter_block(std::string const& scene, int position, std::string const& body);

// Writes `bytes` under a temporary name in the file's folder and renames it
// into place, so that readers see the old file or the new one, never a part.
// Throws std::runtime_error naming the file and the cause; the old file is
// then untouched.
void replace_file(std::string const& path, std::string const& bytes);
