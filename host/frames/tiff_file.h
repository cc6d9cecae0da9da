#pragma once

#include "host/frames/file_bytes.h"
#include "host/frames/frame_image.h"
#include "host/frames/sample_type.h"

// TIFF in strips, grey or RGB with an optional alpha as the next sample,
// interleaved or in planes, rows from the top or the bottom: 8- and 16-bit
// unsigned samples hold sRGB-encoded colour and linear alpha, 32-bit float
// samples linear values. Missing alpha reads as 1. The path names the file
// in messages, which carry libtiff's own errors and warnings.
FrameImage read_tiff(Bytes const& bytes, char const* path);

// Interleaved RGBA with associated alpha (colour is stored as given, not
// divided by alpha), Deflate compressed; `samples` is UINT8, UINT16 or FLOAT.
Bytes write_tiff(FrameImage const& frame, SampleType samples, char const* path);
