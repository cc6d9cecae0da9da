#include "LW/window_pixels.h"

#include "LW/srgb.h"
#include "base/xception.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

char const* const UNIT = "LW/orrelux";
char const* const PROCESS_SIGNATURE = "const char *process(orrelux *, const LWFilterAccess *)";

// The write-back goes through a row this many pixels at a time, so that
// what it gathers for the host's setters stays in the processor's nearest
// cache.
std::size_t const CHUNK = 64;

float const* host_line(LWFilterAccess const* access, char const* buffer, int component, int y) {
    float const* values = access->getLine(buffer, component, y);
    XASSERT(values, UNIT, PROCESS_SIGNATURE, __LINE__);
    return values;
}

// Part of a row of the host's buffers.
struct HostRow {
    float const* alpha;
    float const* red;
    float const* green;
    float const* blue;

    HostRow from(int x) const { return {alpha + x, red + x, green + x, blue + x}; }
};

HostRow host_row(LWFilterAccess const* access, int y) {
    return {host_line(access, "Alpha", 0, y), host_line(access, "Final_Render", 0, y),
            host_line(access, "Final_Render", 1, y), host_line(access, "Final_Render", 2, y)};
}

uint32_t bits_of(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// Whether any of the `values` floats of working pixels holds light: any bit
// set but the sign's, so that a NaN counts and a negative zero does not, as
// in `lit`. Alpha is zero and adds no bit. Branch-free, so that the compiler
// looks at several values at once.
bool any_bit(float const* work, std::size_t values) {
    uint32_t any = 0;
    for (std::size_t i = 0; i < values; i++) {
        any |= bits_of(work[i]);
    }
    return (any & 0x7FFFFFFFu) != 0;
}

// A whole chunk by a count known to the compiler, which then vectorises it.
bool any_lit(float const* work, std::size_t count) {
    return count == CHUNK ? any_bit(work, 4 * CHUNK) : any_bit(work, 4 * count);
}

bool lit(float const* pixel) {
    return pixel[1] != 0 || pixel[2] != 0 || pixel[3] != 0;
}

// A chunk of output pixels, red, green, blue and alpha side by side as the
// host's setters take them, and the chunk's lit pixels while they are
// worked out.
struct OutputChunk {
    float pixels[CHUNK][4];
    std::size_t lit[CHUNK];
    float colours[3 * CHUNK];
    float alphas[CHUNK];
    float light[3 * CHUNK];
};

// The light dimmed by the alpha: none where the pixel is opaque, or where
// its alpha is no number.
float visible_share(float alpha) {
    return alpha < 1 ? 1 - alpha : 0;
}

// Lit pixels take the host's colour with the light added, in linear light:
// through the curves, alpha included. Their light is taken from the working
// pixels.
void add_light(OutputChunk& out, HostRow const& row, float* work, std::size_t count) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; i++) {
        float* const pixel = work + 4 * i;
        if (lit(pixel)) {
            out.colours[3 * n] = row.red[i];
            out.colours[3 * n + 1] = row.green[i];
            out.colours[3 * n + 2] = row.blue[i];
            std::copy(pixel + 1, pixel + 4, out.light + 3 * n);
            std::fill(pixel + 1, pixel + 4, 0.0f);
            out.alphas[n] = row.alpha[i];
            out.lit[n++] = i;
        }
    }
    srgb_to_linear(out.colours, 3 * n);
    srgb_to_linear(out.alphas, n);
    for (std::size_t k = 0; k < n; k++) {
        float const share = visible_share(out.alphas[k]);
        for (int c = 0; c < 3; c++) {
            out.colours[3 * k + c] += share * out.light[3 * k + c];
        }
    }
    linear_to_srgb(out.colours, 3 * n);
    for (std::size_t k = 0; k < n; k++) {
        std::copy(out.colours + 3 * k, out.colours + 3 * k + 3, out.pixels[out.lit[k]]);
    }
}

void output_chunk(OutputChunk& out, HostRow const& row, float* work, std::size_t count) {
    for (std::size_t i = 0; i < count; i++) {
        out.pixels[i][0] = row.red[i];
        out.pixels[i][1] = row.green[i];
        out.pixels[i][2] = row.blue[i];
        out.pixels[i][3] = row.alpha[i];
    }
    if (any_lit(work, count)) {
        add_light(out, row, work, count);
    }
}

} // namespace

void copy_in(WorkingImage& image, LWFilterAccess const* access, PixelWindow const& win) {
    for (int y = win.y0; y <= win.y1; y++) {
        HostRow const row = host_row(access, y).from(win.x0);
        float* out = image.fill_row(y - win.y0);
        for (int i = 0; i < image.width(); i++, out += 4) {
            out[0] = row.alpha[i];
            out[1] = row.red[i];
            out[2] = row.green[i];
            out[3] = row.blue[i];
        }
    }
}

void hand_back(WorkingImage& image, LWFilterAccess const* access, PixelWindow const& win) {
    for (int y = win.y0; y <= win.y1; y++) {
        float const* in = image.row(y - win.y0);
        for (int x = win.x0; x <= win.x1; x++, in += 4) {
            access->setRGB(x, y, in + 1);
            access->setAlpha(x, y, in[0]);
        }
    }
}

void keep_outside(LWFilterAccess const* access, PixelWindow const& win) {
    for (int y = 0; y < access->height; y++) {
        HostRow row = host_row(access, y);
        for (int x = 0; x < access->width; x++) {
            if (x >= win.x0 && x <= win.x1 && y >= win.y0 && y <= win.y1) {
                continue;
            }
            float const rgb[3] = {row.red[x], row.green[x], row.blue[x]};
            access->setRGB(x, y, rgb);
            access->setAlpha(x, y, row.alpha[x]);
        }
    }
}

void write_back(WorkingImage& image, LWFilterAccess const* access, PixelWindow const& win) {
    OutputChunk out;
    for (int y = win.y0; y <= win.y1; y++) {
        HostRow const row = host_row(access, y).from(win.x0);
        float* const work = image.row(y - win.y0);
        for (int from = 0; from < image.width(); from += int(CHUNK)) {
            std::size_t const count = std::min(CHUNK, std::size_t(image.width() - from));
            output_chunk(out, row.from(from), work + 4 * from, count);
            int const x0 = win.x0 + from;
            for (std::size_t i = 0; i < count; i++) {
                access->setRGB(x0 + int(i), y, out.pixels[i]);
                access->setAlpha(x0 + int(i), y, out.pixels[i][3]);
            }
        }
    }
    image.light_taken();
}
