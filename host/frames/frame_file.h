#pragma once

#include "host/frames/frame_image.h"
#include "host/frames/sample_type.h"

#include <string>

// Frame files for the command-line renderer; the plug-in module never links
// them. The format follows the file name's extension, in any case.
enum class FrameFormat {
    EXR,  // ".exr": OpenEXR, linear half or float
    PNG,  // ".png": 8- or 16-bit, sRGB-encoded
    TIFF, // ".tif", ".tiff": 8- or 16-bit sRGB-encoded, or linear float
};

// Raises, naming the file, for any other extension.
FrameFormat frame_format_of(std::string const& path);

// Whether files of `format` can store `samples`; DEFAULT always can.
bool format_stores(FrameFormat format, SampleType samples);

// Every failure (a missing, unreadable, truncated, corrupt or too large file,
// an unknown extension) raises a StrXception whose message begins
// "cannot read frame "<path>": " and says why.
FrameImage read_frame(std::string const& path);

// Writes under a temporary name beside `path`, renamed into place only once
// the file is complete: a failed write leaves neither. Failures raise a
// StrXception that begins "cannot write frame "<path>": ".
void write_frame(std::string const& path, FrameImage const& frame,
                 SampleType samples = SampleType::DEFAULT);
