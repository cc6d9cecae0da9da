#include "host/frames/png_file.h"

#include "host/frames/frame_error.h"
#include "host/frames/srgb.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

char const* const UNIT = "host/frames/png_file";

// What libpng's callbacks share with us. libpng reports an error by calling
// on_error, which must not return: it keeps the text and longjmps back to the
// setjmp of the running step. Steps hold only trivially destructible locals,
// so the jump skips no destructor.
struct PngSession {
    Bytes const* input = nullptr;
    std::size_t position = 0;
    Bytes* output = nullptr;
    char error[256] = "";
};

void on_error(png_structp png, png_const_charp message) {
    auto* session = static_cast<PngSession*>(png_get_error_ptr(png));
    std::snprintf(session->error, sizeof session->error, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (a questionable colour profile, say) do not stop reading, and
// standard error is not ours to write to.
void on_warning(png_structp, png_const_charp) {}

void read_bytes(png_structp png, png_bytep to, png_size_t count) {
    auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
    if (count > session->input->size() - session->position) {
        png_error(png, "the file ends early");
    }
    std::memcpy(to, session->input->data() + session->position, count);
    session->position += count;
}

void write_bytes(png_structp png, png_bytep from, png_size_t count) {
    auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
    // No exception may cross libpng.
    try {
        session->output->insert(session->output->end(), from, from + count);
    } catch (std::bad_alloc const&) {
        png_error(png, "out of memory");
    }
}

void flush_bytes(png_structp) {}

class PngReader {
public:
    explicit PngReader(PngSession& session)
        : png(png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, on_error, on_warning)) {
        if (!png) {
            throw std::bad_alloc();
        }
        info = png_create_info_struct(png);
        if (!info) {
            png_destroy_read_struct(&png, nullptr, nullptr);
            throw std::bad_alloc();
        }
        png_set_read_fn(png, &session, read_bytes);
    }
    PngReader(PngReader const&) = delete;
    PngReader& operator=(PngReader const&) = delete;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }

    png_structp png;
    png_infop info = nullptr;
};

class PngWriter {
public:
    explicit PngWriter(PngSession& session)
        : png(png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, on_error, on_warning)) {
        if (!png) {
            throw std::bad_alloc();
        }
        info = png_create_info_struct(png);
        if (!info) {
            png_destroy_write_struct(&png, nullptr);
            throw std::bad_alloc();
        }
        png_set_write_fn(png, &session, write_bytes, flush_bytes);
    }
    PngWriter(PngWriter const&) = delete;
    PngWriter& operator=(PngWriter const&) = delete;
    ~PngWriter() { png_destroy_write_struct(&png, &info); }

    png_structp png;
    png_infop info = nullptr;
};

// Reads the header and asks for 8- or 16-bit RGB or RGBA rows.
bool read_header(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_info(png, info);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool read_rows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

bool write_image(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, int bits,
                 png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_IHDR(png, info, width, height, bits, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::vector<png_bytep> row_pointers(Bytes& samples, std::size_t row_bytes, int height) {
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = samples.data() + y * row_bytes;
    }
    return rows;
}

// Big-endian, as PNG stores 16-bit samples.
unsigned sample_at(unsigned char const* row, std::size_t index, bool wide) {
    if (wide) {
        return unsigned(row[2 * index]) << 8 | row[2 * index + 1];
    }
    return row[index];
}

void put_sample(unsigned char* row, std::size_t index, bool wide, unsigned value) {
    if (wide) {
        row[2 * index] = (unsigned char)(value >> 8);
        row[2 * index + 1] = (unsigned char)(value & 0xff);
    } else {
        row[index] = (unsigned char)value;
    }
}

// The linear value of each colour sample: sRGB, unless a gAMA chunk without
// an sRGB chunk names another power law, such as the 1.0 of a linear file.
std::vector<float> colour_table(png_structp png, png_infop info, unsigned max) {
    double gamma = 0.0;
    if (png_get_valid(png, info, PNG_INFO_sRGB) || !png_get_gAMA(png, info, &gamma) ||
        gamma <= 0.0 || std::fabs(gamma * 2.2 - 1.0) < 0.01) {
        return srgb_decode_table(max);
    }
    std::vector<float> table(max + 1);
    for (unsigned i = 0; i <= max; ++i) {
        table[i] = float(std::pow(double(i) / max, 1.0 / gamma));
    }
    return table;
}

} // namespace

FrameImage read_png(Bytes const& bytes, char const* path) {
    PngSession session;
    session.input = &bytes;
    PngReader reader(session);
    if (!read_header(reader.png, reader.info)) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, session.error);
    }
    png_uint_32 width = png_get_image_width(reader.png, reader.info);
    png_uint_32 height = png_get_image_height(reader.png, reader.info);
    check_frame_size(width, height, path);
    unsigned channels = png_get_channels(reader.png, reader.info);
    bool wide = png_get_bit_depth(reader.png, reader.info) == 16;
    std::size_t row_bytes = png_get_rowbytes(reader.png, reader.info);
    Bytes samples(row_bytes * height);
    std::vector<png_bytep> rows = row_pointers(samples, row_bytes, int(height));
    if (!read_rows(reader.png, reader.info, rows.data())) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, session.error);
    }
    unsigned max = wide ? 65535 : 255;
    std::vector<float> decode = colour_table(reader.png, reader.info, max);
    FrameImage frame{int(width), int(height)};
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            std::size_t first = std::size_t(x) * channels;
            float* pixel = frame.pixel(x, y);
            for (unsigned c = 0; c < 3; ++c) {
                pixel[c] = decode[sample_at(rows[y], first + c, wide)];
            }
            pixel[3] = channels == 4 ? float(sample_at(rows[y], first + 3, wide)) / max : 1.0f;
        }
    }
    return frame;
}

Bytes write_png(FrameImage const& frame, unsigned bits, char const* path) {
    bool wide = bits == 16;
    unsigned max = wide ? 65535 : 255;
    std::size_t row_bytes = std::size_t(frame.width) * 4 * (wide ? 2 : 1);
    Bytes samples(row_bytes * std::size_t(frame.height));
    std::vector<png_bytep> rows = row_pointers(samples, row_bytes, frame.height);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            float const* pixel = frame.pixel(x, y);
            std::size_t first = std::size_t(x) * 4;
            for (unsigned c = 0; c < 3; ++c) {
                put_sample(rows[y], first + c, wide, srgb_sample(pixel[c], max));
            }
            put_sample(rows[y], first + 3, wide, linear_sample(pixel[3], max));
        }
    }
    Bytes bytes;
    PngSession session;
    session.output = &bytes;
    PngWriter writer(session);
    if (!write_image(writer.png, writer.info, png_uint_32(frame.width), png_uint_32(frame.height),
                     int(bits), rows.data())) {
        throw FRAME_ERROR("cannot write frame \"%s\": %s", path, session.error);
    }
    return bytes;
}
