#pragma once

#include "host/frames/file_bytes.h"
#include "host/frames/frame_image.h"

// PNG of any colour type and depth (palette, grey, RGB, with or without
// alpha or a transparent colour), taken as sRGB-encoded colour and linear
// alpha; missing alpha reads as 1. A gAMA chunk other than sRGB's 1/2.2
// without an sRGB chunk decodes colour by its power law instead. The path
// names the file in messages.
FrameImage read_png(Bytes const& bytes, char const* path);

// 8- or 16-bit RGBA, sRGB-encoded colour, marked with an sRGB chunk.
Bytes write_png(FrameImage const& frame, unsigned bits, char const* path);
