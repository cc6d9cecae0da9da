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

// The write-back goes through a row this many pixels at a time: enough lit
// pixels for the curves to work on whole vectors, few enough that what it
// gathers stays in the processor's nearest cache.
std::size_t const CHUNK = 256;
// The look for light goes this many pixels at a time.
std::size_t const GROUP = 16;

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

// Whether any of a group of pixels of light holds any: any bit set but the
// sign's, so that a NaN counts and a negative zero does not, as in `lit`.
// Branch-free over a count known to the compiler, so that it looks at
// several values at once.
bool group_lit(float const* work) {
    uint32_t any = 0;
    for (std::size_t i = 0; i < 3 * GROUP; i++) {
        any |= bits_of(work[i]);
    }
    return (any & 0x7FFFFFFFu) != 0;
}

bool lit(float const* pixel) {
    return pixel[0] != 0 || pixel[1] != 0 || pixel[2] != 0;
}

// The lit pixels of a chunk, their light taken from the working pixels,
// and what goes back for them. Neighbours mostly share their alpha (none in
// the open sky, all over geometry), so each run of equal alphas goes through
// the curve once.
struct LitPixels {
    std::size_t count;
    std::size_t at[CHUNK];
    float colours[3 * CHUNK];
    float light[3 * CHUNK];
    std::size_t alpha_of[CHUNK];
    std::size_t alpha_count;
    float alphas[CHUNK];
};

// Gathers the lit pixels of the chunk's pixels begin to end, where the
// renderer drew, with the host's colour and alpha, in groups, so that a
// dark group costs one look.
void gather_lit(LitPixels& lit_pixels, HostRow const& row, float* work, std::size_t begin,
                std::size_t end) {
    std::size_t n = 0;
    std::size_t runs = 0;
    for (std::size_t from = begin; from < end; from += GROUP) {
        std::size_t const to = std::min(end, from + GROUP);
        if (to - from == GROUP && !group_lit(work + 3 * from)) {
            continue;
        }
        for (std::size_t i = from; i < to; i++) {
            float* const pixel = work + 3 * i;
            if (!lit(pixel)) {
                continue;
            }
            for (int c = 0; c < 3; c++) {
                lit_pixels.light[3 * n + c] = pixel[c];
                pixel[c] = 0;
            }
            lit_pixels.colours[3 * n] = row.red[i];
            lit_pixels.colours[3 * n + 1] = row.green[i];
            lit_pixels.colours[3 * n + 2] = row.blue[i];
            // Compared by bits, so that a NaN starts a run of its own.
            if (runs == 0 || bits_of(lit_pixels.alphas[runs - 1]) != bits_of(row.alpha[i])) {
                lit_pixels.alphas[runs++] = row.alpha[i];
            }
            lit_pixels.alpha_of[n] = runs - 1;
            lit_pixels.at[n++] = i;
        }
    }
    lit_pixels.count = n;
    lit_pixels.alpha_count = runs;
}

// The light dimmed by the alpha: none where the pixel is opaque, or where
// its alpha is no number.
float visible_share(float alpha) {
    return alpha < 1 ? 1 - alpha : 0;
}

// Lit pixels take the host's colour with the light added, in linear light:
// through the curves, alpha included.
void add_light(LitPixels& lit_pixels) {
    std::size_t const n = lit_pixels.count;
    srgb_to_linear(lit_pixels.colours, 3 * n);
    srgb_to_linear(lit_pixels.alphas, lit_pixels.alpha_count);
    for (std::size_t k = 0; k < n; k++) {
        float const share = visible_share(lit_pixels.alphas[lit_pixels.alpha_of[k]]);
        for (int c = 0; c < 3; c++) {
            lit_pixels.colours[3 * k + c] += share * lit_pixels.light[3 * k + c];
        }
    }
    linear_to_srgb(lit_pixels.colours, 3 * n);
}

// Every pixel of the chunk to the host's setters: the lit ones with their
// light, the others as the host gave them, alpha always the host's.
void set_chunk(LWFilterAccess const* access, HostRow const& row, LitPixels const& lit_pixels,
               int x0, int y, std::size_t count) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < count; i++) {
        int const x = x0 + int(i);
        if (k < lit_pixels.count && lit_pixels.at[k] == i) {
            access->setRGB(x, y, lit_pixels.colours + 3 * k++);
        } else {
            float const rgb[3] = {row.red[i], row.green[i], row.blue[i]};
            access->setRGB(x, y, rgb);
        }
        access->setAlpha(x, y, row.alpha[i]);
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
    LitPixels lit_pixels;
    for (int y = win.y0; y <= win.y1; y++) {
        HostRow const row = host_row(access, y).from(win.x0);
        float* const work = image.row(y - win.y0);
        // Light is looked for only in the row's span: none when the renderer
        // did not draw into the row, whose span is empty.
        int first, last;
        image.drawn().span(y - win.y0, first, last);
        for (int from = 0; from < image.width(); from += int(CHUNK)) {
            std::size_t const count = std::min(CHUNK, std::size_t(image.width() - from));
            HostRow const part = row.from(from);
            std::size_t const begin = std::size_t(std::clamp(first - from, 0, int(count)));
            std::size_t const end = std::size_t(std::clamp(last + 1 - from, 0, int(count)));
            gather_lit(lit_pixels, part, work + 3 * from, begin, end);
            if (lit_pixels.count > 0) {
                add_light(lit_pixels);
            }
            set_chunk(access, part, lit_pixels, win.x0 + from, y, count);
        }
    }
    image.light_taken();
}
