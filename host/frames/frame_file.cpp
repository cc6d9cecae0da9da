#include "host/frames/frame_file.h"

#include "host/frames/exr_file.h"
#include "host/frames/file_bytes.h"
#include "host/frames/frame_error.h"
#include "host/frames/png_file.h"
#include "host/frames/tiff_file.h"

#include <strings.h>

#include <new>

namespace {

char const* const UNIT = "host/frames/frame_file";

struct FormatEntry {
    char const* extension;
    FrameFormat format;
};

FormatEntry const EXTENSIONS[] = {
    {".exr", FrameFormat::EXR},
    {".png", FrameFormat::PNG},
    {".tif", FrameFormat::TIFF},
    {".tiff", FrameFormat::TIFF},
};

// The extension of the file name's last component, dot included; empty when
// there is none.
std::string extension_of(std::string const& path) {
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::string();
    }
    return path.substr(dot);
}

SampleType resolved(FrameFormat format, SampleType samples) {
    if (samples != SampleType::DEFAULT) {
        return samples;
    }
    return format == FrameFormat::PNG ? SampleType::UINT8 : SampleType::FLOAT;
}

Bytes encode(FrameFormat format, FrameImage const& frame, SampleType samples, char const* path) {
    switch (format) {
    case FrameFormat::EXR:
        return write_exr(frame, samples == SampleType::HALF, path);
    case FrameFormat::PNG:
        return write_png(frame, samples == SampleType::UINT16 ? 16 : 8, path);
    case FrameFormat::TIFF:
        return write_tiff(frame, samples, path);
    }
    throw AssertXception("known format", UNIT, __PRETTY_FUNCTION__, __LINE__);
}

FrameImage decode(FrameFormat format, Bytes const& bytes, char const* path) {
    switch (format) {
    case FrameFormat::EXR:
        return read_exr(bytes, path);
    case FrameFormat::PNG:
        return read_png(bytes, path);
    case FrameFormat::TIFF:
        return read_tiff(bytes, path);
    }
    throw AssertXception("known format", UNIT, __PRETTY_FUNCTION__, __LINE__);
}

} // namespace

FrameFormat frame_format_of(std::string const& path) {
    std::string extension = extension_of(path);
    for (FormatEntry const& entry : EXTENSIONS) {
        if (strcasecmp(extension.c_str(), entry.extension) == 0) {
            return entry.format;
        }
    }
    if (extension.empty()) {
        throw FRAME_ERROR("frame file \"%s\" has no extension to tell its format (.exr, .png, "
                          ".tif or .tiff)",
                          path.c_str());
    }
    throw FRAME_ERROR("frame file \"%s\" has the unknown extension \"%s\" (use .exr, .png, .tif "
                      "or .tiff)",
                      path.c_str(), extension.c_str());
}

bool format_stores(FrameFormat format, SampleType samples) {
    switch (samples) {
    case SampleType::DEFAULT:
        return true;
    case SampleType::UINT8:
    case SampleType::UINT16:
        return format != FrameFormat::EXR;
    case SampleType::HALF:
        return format == FrameFormat::EXR;
    case SampleType::FLOAT:
        return format != FrameFormat::PNG;
    }
    return false;
}

FrameImage read_frame(std::string const& path) {
    FrameFormat format = frame_format_of(path);
    try {
        return decode(format, read_frame_bytes(path.c_str()), path.c_str());
    } catch (std::bad_alloc const&) {
        throw FRAME_ERROR("cannot read frame \"%s\": out of memory", path.c_str());
    }
}

void write_frame(std::string const& path, FrameImage const& frame, SampleType samples) {
    FrameFormat format = frame_format_of(path);
    if (!format_stores(format, samples)) {
        throw FRAME_ERROR("cannot write frame \"%s\": the format stores no \"%s\" samples "
                          "(.exr: half, float; .png: 8, 16; .tif: 8, 16, float)",
                          path.c_str(), sample_type_name(samples));
    }
    if (frame.width <= 0 || frame.height <= 0) {
        throw FRAME_ERROR("cannot write frame \"%s\": a %d x %d frame holds no pixels",
                          path.c_str(), frame.width, frame.height);
    }
    if (frame.pixels.size() != std::size_t(frame.width) * std::size_t(frame.height) * 4) {
        throw AssertXception("frame.pixels.size() == width * height * 4", UNIT, __PRETTY_FUNCTION__,
                             __LINE__);
    }
    try {
        write_frame_bytes(path.c_str(),
                          encode(format, frame, resolved(format, samples), path.c_str()));
    } catch (std::bad_alloc const&) {
        throw FRAME_ERROR("cannot write frame \"%s\": out of memory", path.c_str());
    }
}
