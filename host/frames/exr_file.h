#pragma once

#include "host/frames/file_bytes.h"
#include "host/frames/frame_image.h"

// OpenEXR scan-line or tiled RGBA, half or float; the path names the file in
// messages. A file with only a Y channel reads as grey, one with luminance
// and chroma (Y, RY, BY) as colour. Missing colour
// channels read as 0 and missing alpha as 1; the frame covers the display
// window, and pixels outside the data window are 0 in every channel.
FrameImage read_exr(Bytes const& bytes, char const* path);

// RGBA channels of half or float samples, ZIP compressed.
Bytes write_exr(FrameImage const& frame, bool half, char const* path);
