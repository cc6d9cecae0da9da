#include "host/frames/tiff_file.h"

#include "host/frames/frame_error.h"
#include "host/frames/srgb.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

char const* const UNIT = "host/frames/tiff_file";

// A file in memory for libtiff's client procedures: read from `input`, or
// written into `output` (and read back from it). Nothing here may throw
// through libtiff.
struct TiffMemory {
    Bytes const* input = nullptr;
    Bytes* output = nullptr;
    toff_t position = 0;

    Bytes const& bytes() const { return output ? *output : *input; }
};

TiffMemory& memory(thandle_t handle) {
    return *static_cast<TiffMemory*>(handle);
}

tmsize_t read_proc(thandle_t handle, void* to, tmsize_t count) {
    TiffMemory& m = memory(handle);
    Bytes const& bytes = m.bytes();
    if (count < 0 || m.position >= bytes.size()) {
        return 0;
    }
    std::size_t n = std::min<std::size_t>(std::size_t(count), bytes.size() - m.position);
    std::memcpy(to, bytes.data() + m.position, n);
    m.position += n;
    return tmsize_t(n);
}

tmsize_t write_proc(thandle_t handle, void* from, tmsize_t count) {
    TiffMemory& m = memory(handle);
    if (!m.output || count < 0) {
        return -1;
    }
    std::size_t end = std::size_t(m.position) + std::size_t(count);
    try {
        if (end > m.output->size()) {
            m.output->resize(end);
        }
    } catch (std::bad_alloc const&) {
        return -1;
    }
    std::memcpy(m.output->data() + m.position, from, std::size_t(count));
    m.position = end;
    return count;
}

toff_t seek_proc(thandle_t handle, toff_t offset, int whence) {
    TiffMemory& m = memory(handle);
    toff_t base = whence == SEEK_CUR ? m.position : whence == SEEK_END ? m.bytes().size() : 0;
    m.position = base + offset;
    return m.position;
}

int close_proc(thandle_t) {
    return 0;
}

toff_t size_proc(thandle_t handle) {
    return memory(handle).bytes().size();
}

// An input is mapped in place; an output, still growing, is not.
int map_proc(thandle_t handle, void** base, toff_t* size) {
    TiffMemory& m = memory(handle);
    if (m.output) {
        return 0;
    }
    *base = const_cast<unsigned char*>(m.input->data());
    *size = m.input->size();
    return 1;
}

void unmap_proc(thandle_t, void*, toff_t) {}

// libtiff's errors and warnings, kept for the message of a failure instead of
// going to standard error.
struct TiffLog {
    char text[512] = "";

    void add(char const* kind, char const* module, char const* fmt, va_list ap) {
        std::size_t used = std::strlen(text);
        std::size_t room = sizeof text - used;
        int n = std::snprintf(text + used, room, "%s%s%s: ", used ? "; " : "", kind,
                              module ? module : "libtiff");
        if (n > 0 && std::size_t(n) < room) {
            std::vsnprintf(text + used + n, room - std::size_t(n), fmt, ap);
        }
    }
};

int log_error(TIFF*, void* log, char const* module, char const* fmt, va_list ap) {
    static_cast<TiffLog*>(log)->add("", module, fmt, ap);
    return 1;
}

int log_warning(TIFF*, void* log, char const* module, char const* fmt, va_list ap) {
    static_cast<TiffLog*>(log)->add("warning: ", module, fmt, ap);
    return 1;
}

// An open TIFF over memory whose messages go to `log`; null `tif` when libtiff
// refused to open it.
class TiffFile {
public:
    TiffFile(char const* path, char const* mode, TiffMemory& memory, TiffLog& log) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (!options) {
            throw std::bad_alloc();
        }
        TIFFOpenOptionsSetErrorHandlerExtR(options, log_error, &log);
        TIFFOpenOptionsSetWarningHandlerExtR(options, log_warning, &log);
        tif = TIFFClientOpenExt(path, mode, &memory, read_proc, write_proc, seek_proc, close_proc,
                                size_proc, map_proc, unmap_proc, options);
        TIFFOpenOptionsFree(options);
    }
    TiffFile(TiffFile const&) = delete;
    TiffFile& operator=(TiffFile const&) = delete;
    ~TiffFile() {
        if (tif) {
            TIFFClose(tif);
        }
    }

    TIFF* tif = nullptr;
};

// The sample layout of a readable file.
struct TiffLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 0;
    uint16_t samples = 0;
    uint16_t format = 0;
    uint16_t planar = 0;
    uint16_t orientation = 0;
    bool grey = false;
    // The sample that holds alpha, or 0 when there is none.
    uint16_t alpha = 0;
};

uint16_t field16(TIFF* tif, ttag_t tag) {
    uint16_t value = 0;
    TIFFGetFieldDefaulted(tif, tag, &value);
    return value;
}

// Why the layout cannot be read, or null when it can.
char const* unsupported(TIFF* tif, TiffLayout const& layout, uint16_t photometric) {
    if (TIFFIsTiled(tif)) {
        return "tiled files are not supported";
    }
    if (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_RGB) {
        return "only grey and RGB files are supported";
    }
    if (layout.samples < (layout.grey ? 1 : 3)) {
        return "too few samples per pixel";
    }
    bool integer = layout.format == SAMPLEFORMAT_UINT && (layout.bits == 8 || layout.bits == 16);
    bool floating = layout.format == SAMPLEFORMAT_IEEEFP && layout.bits == 32;
    if (!integer && !floating) {
        return "only 8- and 16-bit unsigned and 32-bit float samples are supported";
    }
    if (layout.orientation != ORIENTATION_TOPLEFT && layout.orientation != ORIENTATION_BOTLEFT) {
        return "only rows from the top or from the bottom are supported";
    }
    return nullptr;
}

TiffLayout read_layout(TIFF* tif, char const* path) {
    TiffLayout layout;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height);
    check_frame_size(layout.width, layout.height, path);
    layout.bits = field16(tif, TIFFTAG_BITSPERSAMPLE);
    layout.samples = field16(tif, TIFFTAG_SAMPLESPERPIXEL);
    layout.format = field16(tif, TIFFTAG_SAMPLEFORMAT);
    layout.planar = field16(tif, TIFFTAG_PLANARCONFIG);
    layout.orientation = field16(tif, TIFFTAG_ORIENTATION);
    uint16_t photometric = 0;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
        photometric = layout.samples < 3 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
    }
    layout.grey = photometric == PHOTOMETRIC_MINISBLACK;
    uint16_t colours = layout.grey ? 1 : 3;
    layout.alpha = layout.samples > colours ? colours : 0;
    if (char const* why = unsupported(tif, layout, photometric)) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, why);
    }
    return layout;
}

// Sample `index` of a scanline as a linear value: integers through the
// decode table for colour or by scale for alpha, floats as they are.
class SampleDecoder {
public:
    explicit SampleDecoder(TiffLayout const& layout)
        : bits_(layout.bits), max_(layout.bits == 16 ? 65535u : 255u),
          table_(layout.bits == 32 ? std::vector<float>() : srgb_decode_table(max_)) {}

    float colour(unsigned char const* line, std::size_t index) const {
        return bits_ == 32 ? real(line, index) : table_[integer(line, index)];
    }
    float alpha(unsigned char const* line, std::size_t index) const {
        return bits_ == 32 ? real(line, index) : float(integer(line, index)) / max_;
    }

private:
    unsigned integer(unsigned char const* line, std::size_t index) const {
        if (bits_ == 8) {
            return line[index];
        }
        uint16_t value;
        std::memcpy(&value, line + 2 * index, sizeof value);
        return value;
    }
    static float real(unsigned char const* line, std::size_t index) {
        float value;
        std::memcpy(&value, line + 4 * index, sizeof value);
        return value;
    }

    uint16_t bits_;
    unsigned max_;
    std::vector<float> table_;
};

// Which frame channels a sample of a pixel fills, in file sample order: the
// colour samples, then alpha; -1 for samples that are ignored.
int channel_of_sample(TiffLayout const& layout, uint16_t sample) {
    if (layout.grey && sample == 0) {
        return 0;
    }
    if (!layout.grey && sample < 3) {
        return sample;
    }
    return layout.alpha && sample == layout.alpha ? 3 : -1;
}

// Fills `channel` of row y from the samples of a scanline that stand
// `stride` apart from `first` on; grey fills red, green and blue.
void decode_samples(SampleDecoder const& decode, unsigned char const* line, std::size_t first,
                    std::size_t stride, int channel, bool grey, FrameImage& frame, int y) {
    for (int x = 0; x < frame.width; ++x) {
        std::size_t index = first + std::size_t(x) * stride;
        float* pixel = frame.pixel(x, y);
        if (channel == 3) {
            pixel[3] = decode.alpha(line, index);
        } else if (grey) {
            pixel[0] = pixel[1] = pixel[2] = decode.colour(line, index);
        } else {
            pixel[channel] = decode.colour(line, index);
        }
    }
}

void read_pixels(TIFF* tif, TiffLayout const& layout, FrameImage& frame, TiffLog const& log,
                 char const* path) {
    SampleDecoder decode(layout);
    Bytes line(std::size_t(TIFFScanlineSize64(tif)));
    bool planes = layout.planar == PLANARCONFIG_SEPARATE;
    for (uint16_t plane = 0; plane < (planes ? layout.samples : 1); ++plane) {
        if (planes && channel_of_sample(layout, plane) < 0) {
            continue;
        }
        for (uint32_t row = 0; row < layout.height; ++row) {
            if (TIFFReadScanline(tif, line.data(), row, plane) < 0) {
                throw FRAME_ERROR("cannot read frame \"%s\": %s", path, log.text);
            }
            int y = int(layout.orientation == ORIENTATION_BOTLEFT ? layout.height - 1 - row : row);
            if (planes) {
                decode_samples(decode, line.data(), 0, 1, channel_of_sample(layout, plane),
                               layout.grey, frame, y);
                continue;
            }
            for (uint16_t s = 0; s < layout.samples; ++s) {
                int channel = channel_of_sample(layout, s);
                if (channel >= 0) {
                    decode_samples(decode, line.data(), s, layout.samples, channel, layout.grey,
                                   frame, y);
                }
            }
        }
    }
}

bool set_rgba_fields(TIFF* tif, FrameImage const& frame, SampleType samples) {
    uint16_t bits = samples == SampleType::UINT8 ? 8 : samples == SampleType::UINT16 ? 16 : 32;
    bool floating = samples == SampleType::FLOAT;
    uint16_t const extra[1] = {EXTRASAMPLE_ASSOCALPHA};
    return TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(frame.width)) &&
           TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(frame.height)) &&
           TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(4)) &&
           TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits) &&
           TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT,
                        uint16_t(floating ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT)) &&
           TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB)) &&
           TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra) &&
           TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG)) &&
           TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT)) &&
           TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE)) &&
           TIFFSetField(tif, TIFFTAG_PREDICTOR,
                        uint16_t(floating ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL)) &&
           TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
}

// Row y as `samples`: integers sRGB-encoded with linear alpha, floats as
// they are, in the machine's byte order as libtiff expects.
void encode_row(FrameImage const& frame, int y, SampleType samples, Bytes& line) {
    float const* values = frame.pixel(0, y);
    std::size_t count = std::size_t(frame.width) * 4;
    if (samples == SampleType::FLOAT) {
        std::memcpy(line.data(), values, count * sizeof(float));
        return;
    }
    unsigned max = samples == SampleType::UINT16 ? 65535 : 255;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned value = i % 4 == 3 ? linear_sample(values[i], max) : srgb_sample(values[i], max);
        if (max == 255) {
            line[i] = (unsigned char)value;
        } else {
            uint16_t wide = uint16_t(value);
            std::memcpy(line.data() + 2 * i, &wide, sizeof wide);
        }
    }
}

} // namespace

FrameImage read_tiff(Bytes const& bytes, char const* path) {
    TiffMemory memory;
    memory.input = &bytes;
    TiffLog log;
    TiffFile file(path, "r", memory, log);
    if (!file.tif) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, log.text);
    }
    TiffLayout layout = read_layout(file.tif, path);
    FrameImage frame(int(layout.width), int(layout.height));
    if (!layout.alpha) {
        for (std::size_t i = 3; i < frame.pixels.size(); i += 4) {
            frame.pixels[i] = 1.0f;
        }
    }
    read_pixels(file.tif, layout, frame, log, path);
    return frame;
}

Bytes write_tiff(FrameImage const& frame, SampleType samples, char const* path) {
    Bytes bytes;
    TiffMemory memory;
    memory.output = &bytes;
    TiffLog log;
    // Closed before the bytes are handed on: closing may still write.
    {
        TiffFile file(path, "w", memory, log);
        if (!file.tif || !set_rgba_fields(file.tif, frame, samples)) {
            throw FRAME_ERROR("cannot write frame \"%s\": %s", path, log.text);
        }
        Bytes line(std::size_t(TIFFScanlineSize64(file.tif)));
        for (int y = 0; y < frame.height; ++y) {
            encode_row(frame, y, samples, line);
            if (TIFFWriteScanline(file.tif, line.data(), uint32_t(y), 0) < 0) {
                throw FRAME_ERROR("cannot write frame \"%s\": %s", path, log.text);
            }
        }
        if (!TIFFFlush(file.tif)) {
            throw FRAME_ERROR("cannot write frame \"%s\": %s", path, log.text);
        }
    }
    return bytes;
}
