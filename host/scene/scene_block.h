#pragma once

#include <string>

// `scene` with the body of its image filter block "Plugin
// ImageFilterHandler <position> Orrelux" replaced by `body`: everything
// else, line ends included, stays byte for byte. Throws std::runtime_error
// when the scene has no such block or the block has no EndPlugin line.
std::string with_filter_block(std::string const& scene, int position, std::string const& body);
