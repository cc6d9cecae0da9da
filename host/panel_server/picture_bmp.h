#pragma once

#include "host/services/panel.h"

#include <string>

// A thumbnail as a 24-bit BMP file, which every browser shows without a
// decoder of ours.
std::string bmp_bytes(RgbPicture const& picture);
