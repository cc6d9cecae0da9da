#include "libimgops/stars.h"

#include "libimgops/drawn_spans.h"
#include "libimgops/streak_values.h"

#include "base/xception.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

char const* const UNIT = "libimgops/stars";

char const* const WORLD_TO_SCREEN =
    "bool world_to_screen(double, double, double, double, DblMatrix4, enum op_stars_projection, "
    "int, int, double, double, double, double, Vector2 &)";
char const* const OP_STAR_STREAK =
    "bool op_star_streak(const StarFramebuffer &, const Vector2 &, const Vector2 &, float, const "
    "Color3 &, float, float, enum op_stars_lines)";
char const* const STAR_RENDERER =
    "StarRenderer::StarRenderer(const StarRendererData &, const StarFramebuffer &, StarInput &, "
    "const Array<struct camera> &)";

float const DEG_TO_RAD = 0.017453292f;
double const TWO_OVER_PI = 0.6366197466850281; // 2/pi rounded to single precision

// Radii outside this range (pixels) overflow the streak's single-precision
// constants; they are pulled in to it.
float const MIN_RADIUS = 1.0f / 1024;
float const MAX_RADIUS = 1 << 20;

// Bounding-box values are clamped to this before conversion to int: beyond
// any framebuffer, and far from the int32 limits.
float const BOX_LIMIT = 2e9f;

float to_position(double v, bool& finite) {
    if (std::fabs(v) < POSITION_LIMIT) {
        float f = static_cast<float>(v);
        if (std::fabs(f) < POSITION_LIMIT) {
            return f;
        }
    }
    finite = false;
    return v < 0 ? -POSITION_LIMIT : POSITION_LIMIT;
}

bool usable_position(Vector2 const& p) {
    return std::fabs(p[0]) < POSITION_LIMIT && std::fabs(p[1]) < POSITION_LIMIT;
}

int to_box_int(float v) {
    return static_cast<int>(std::min(std::max(v, -BOX_LIMIT), BOX_LIMIT));
}

// Spots up to this many columns wide take their horizontal falloff from a
// table made once per spot.
int const SPOT_COLUMNS = 64;

// Footprints wait in batches of this many to be drawn tile by tile.
std::size_t const BATCH = 1 << 14;
// Tiles are 2^TILE_SHIFT pixels square, or larger where a framebuffer
// would need more than MAX_TILES of them.
int const TILE_SHIFT = 5;
long const MAX_TILES = 1 << 16;

bool draws_row(op_stars_lines lines, int iy) {
    switch (lines) {
    case OP_STARS_ALL_LINES:
        return true;
    case OP_STARS_EVEN_LINES:
        return (iy & 1) == 0;
    default:
        return (iy & 1) != 0;
    }
}

// sRGB byte to linear light; the 0.03928 threshold is the catalogue's own.
float decode_srgb(uint8_t byte) {
    if (byte * 0.0039215689f > 0.03928f) {
        return std::pow(byte * 0.0037171270f + 0.052132703f, 2.4f);
    }
    return byte * 0.00030352699f;
}

} // namespace

StarInput::~StarInput() = default;

bool StarInput::is_valid() {
    star_header_kind kind = check_star_header(next());
    if (kind == STAR_HEADER_3D) {
        is_3d = true;
    }
    return kind != STAR_HEADER_INVALID;
}

namespace {

// A star as a homogeneous point: its direction, and W = 0 for a star at
// infinity or W > 0 for one at distance 1/W. The same for every camera
// sample, so a blurred star finds it once.
struct StarPoint {
    double X, Y, Z, W;
};

StarPoint star_point(double ra, double dec, double dist, double parallax) {
    double ra_r = static_cast<float>(ra) * DEG_TO_RAD;
    double dec_r = static_cast<float>(dec) * DEG_TO_RAD;
    double cos_dec = std::cos(dec_r);
    double inv_dist = dist > 0 ? 1 / dist : 0;
    return {cos_dec * std::cos(ra_r), std::sin(dec_r), cos_dec * std::sin(ra_r),
            std::max(0.0, inv_dist - 0.01 * parallax)};
}

bool point_to_screen(StarPoint const& s, DblMatrix4 const& m, op_stars_projection projection,
                     int width, int height, double win_x0, double win_x1, double win_y0,
                     double win_y1, Vector2& out) {
    double p[4];
    for (int c = 0; c < 4; c++) {
        p[c] = s.X * m(0, c) + s.Y * m(1, c) + s.Z * m(2, c) + s.W * m(3, c);
    }
    bool in_front = p[3] >= 0;

    double x, y;
    bool in_view;
    switch (projection) {
    case OP_STARS_PERSPECTIVE:
        x = p[0] / p[3];
        y = p[1] / p[3];
        in_view = in_front && p[2] / p[3] >= 0;
        break;
    case OP_STARS_HEMISPHERICAL:
    case OP_STARS_AZIMUTHAL_EQUIDISTANT: {
        double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        x = p[0];
        y = p[1];
        double z = p[2];
        if (len != 0) {
            x /= len;
            y /= len;
            z /= len;
        }
        if (projection == OP_STARS_AZIMUTHAL_EQUIDISTANT) {
            double r = std::sqrt(x * x + y * y);
            if (r != 0) {
                // Rounding can leave r a hair above 1, where asin has no value.
                double scale = std::asin(std::min(r, 1.0)) * TWO_OVER_PI / r;
                x *= scale;
                y *= scale;
            }
        }
        in_view = in_front && x * x + y * y <= 1 && z >= 0;
        break;
    }
    default:
        throw StrXception(UNIT, WORLD_TO_SCREEN, 293, "unknown projection");
    }

    bool finite = true;
    out[0] = to_position(width * (x - win_x0) / (win_x1 - win_x0), finite);
    out[1] = to_position(height * (win_y1 - y) / (win_y1 - win_y0), finite);
    return in_view && finite;
}

} // namespace

bool world_to_screen(double ra, double dec, double dist, double parallax, DblMatrix4 m,
                     op_stars_projection projection, int width, int height, double win_x0,
                     double win_x1, double win_y0, double win_y1, Vector2& out) {
    return point_to_screen(star_point(ra, dec, dist, parallax), m, projection, width, height,
                           win_x0, win_x1, win_y0, win_y1, out);
}

namespace {

// Where a spot or streak lands and what its light is made of, found before
// any pixel is touched.
struct Footprint {
    Vector2 p0;
    float a, b, I;
    float len, ux, uy, mx, my;
    // The row's line through the segment, x = p0.x + (y - p0.y) * s, and the
    // half-width of the span around it.
    float s, hw;
    int col0, col1, row0, row1;

    // The columns of a row's span; false when the row has none.
    bool span(int iy, int width, int& first, int& last) const {
        float const xc = s >= 100000 ? mx : p0[0] + (iy - p0[1]) * s;
        first = to_box_int(std::floor(std::max(xc - hw, static_cast<float>(col0))));
        last = to_box_int(std::ceil(std::min(xc + hw, static_cast<float>(col1))));
        last = std::min(last, width - 1);
        return first <= last && first < width;
    }
};

// The footprint is cut at 1/6250 of the peak: below that a star adds
// nothing visible. An infinite peak has no finite footprint.
float footprint_peak(float intensity) {
    return 6250.0f * intensity;
}

float pulled_radius(float radius) {
    return std::min(std::max(radius, MIN_RADIUS), MAX_RADIUS);
}

// False when nothing can be drawn.
bool find_footprint(StarFramebuffer const& dst, Vector2 const& p0, Vector2 const& p1,
                    float intensity, float radius_x, float radius_y, Footprint& f) {
    if (!usable_position(p0) || !usable_position(p1)) {
        return false;
    }
    float const peak = footprint_peak(intensity);
    if (!(peak >= 1.0f) || std::isinf(peak)) {
        return false;
    }
    if (std::isnan(radius_x) || std::isnan(radius_y)) {
        return false;
    }
    float const a = pulled_radius(radius_x);
    float const b = pulled_radius(radius_y);
    float const k = std::sqrt(std::log(peak));
    float const ex = k * a;
    float const ey = k * b;

    float const dx = p1[0] - p0[0];
    float const dy = p1[1] - p0[1];
    float const len = std::sqrt(dx * dx + dy * dy);
    f.p0 = p0;
    f.a = a;
    f.b = b;
    f.I = intensity;
    f.len = len;
    f.ux = len > 0 ? dx / len : 0.0f;
    f.uy = len > 0 ? dy / len : 0.0f;
    f.mx = (p0[0] + p1[0]) / 2;
    f.my = (p0[1] + p1[1]) / 2;

    // Half-width of the span on each row around the segment's line.
    f.s = 1e20f;
    f.hw = 1e20f;
    if (std::fabs(dy) > 1e-6f) {
        f.s = dx / dy;
        double kd = k;
        f.hw = static_cast<float>(kd * a * a + std::fabs(kd * a * b * f.s));
    }

    int const x_lo = to_box_int(std::floor(std::min(p0[0], p1[0]) - ex));
    int const x_hi = to_box_int(std::floor(std::max(p0[0], p1[0]) + ex)) + 1;
    int const y_lo = to_box_int(std::floor(std::min(p0[1], p1[1]) - ey));
    int const y_hi = to_box_int(std::floor(std::max(p0[1], p1[1]) + ey)) + 1;
    if (x_hi < 0 || y_hi < 0 || x_lo >= dst.width || y_lo >= dst.height) {
        return false;
    }
    f.col0 = std::max(x_lo, 0);
    f.col1 = std::min(x_hi, dst.width - 1);
    f.row0 = std::max(y_lo, 0);
    f.row1 = std::min(y_hi, dst.height - 1);
    return f.row0 <= f.row1;
}

// The pass's question whether to stop, asked after about every
// STOP_CHECK_PIXELS pixels drawn, between rows of a footprint.
struct StopCheck {
    bool (*ask)(void* context) = nullptr;
    void* context = nullptr;
    long unchecked = 0;
    bool stopped = false;

    // True once asked and told to stop.
    bool after(long pixels) {
        if (!ask || stopped) {
            return stopped;
        }
        unchecked += pixels;
        if (unchecked >= STOP_CHECK_PIXELS) {
            unchecked = 0;
            stopped = ask(context);
        }
        return stopped;
    }
};

// Adds the light of every pixel of the footprint; with OCCLUDED, dimmed by
// the framebuffer's alpha plane.
template <bool OCCLUDED>
bool draw_footprint_in(StarFramebuffer const& dst, Footprint const& f, Color3 const& colour,
                       op_stars_lines lines, StopCheck* stop) {
    float const a = f.a, b = f.b, I = f.I, len = f.len, ux = f.ux, uy = f.uy, mx = f.mx, my = f.my;
    int const col0 = f.col0, col1 = f.col1;
    // Held apart from the framebuffer record and the colour, which the
    // compiler would otherwise read again after every pixel written.
    float* const red = dst.r;
    float* const green = dst.g;
    float* const blue = dst.b;
    float const* const alpha_plane = dst.a;
    std::ptrdiff_t const pixel_stride = dst.pixel_stride;
    float const light_r = colour[0], light_g = colour[1], light_b = colour[2];
    bool const streak = len > 1e-5f;
    float const a2 = a * a;
    float const b2 = b * b;
    float const inv_a2 = 1 / a2;
    float const inv_b2 = 1 / b2;
    float q = 0, inv_q = 0, inv_abq = 0, A = 0, inv_len = 0, half_qlen = 0;
    if (streak) {
        q = ux * ux * b2 + uy * uy * a2;
        inv_q = 1 / q;
        inv_abq = 1 / (a * b * std::sqrt(q));
        A = 0.88622695f * a * b * I / std::sqrt(q);
        inv_len = 1 / len;
        half_qlen = q * len / 2;
    }

    // A spot's falloff is the product of a row's and a column's.
    float column[SPOT_COLUMNS];
    bool const by_table = !streak && col1 - col0 < SPOT_COLUMNS;
    if (by_table) {
        for (int ix = col0; ix <= col1; ix++) {
            float const ddx = ix - mx;
            column[ix - col0] = std::exp(-ddx * ddx * inv_a2);
        }
    }

    StreakChunk chunk;
    // Each pixel takes light once from a footprint, so those of the exact
    // columns may take it after the others, many rows' worth at a time.
    ExactColumns exact;
    exact.count = 0;
    bool drew = false;
    auto add_at = [&](std::ptrdiff_t at, float v) {
        float c = v;
        if constexpr (OCCLUDED) {
            float const alpha = alpha_plane[at];
            if (!(alpha < 1)) {
                return;
            }
            c = (1 - alpha) * v;
        }
        red[at] += light_r * c;
        green[at] += light_g * c;
        blue[at] += light_b * c;
        if (c > 0) {
            drew = true;
        }
    };
    // The exact columns' light depends on no row's own values.
    StreakRow const any_row{mx, ux, uy, b2, 0, 0, half_qlen, inv_abq, inv_q, A, inv_len};
    auto add_exact = [&] {
        streak_exact_columns(any_row, exact);
        for (int k = 0; k < exact.count; k++) {
            add_at(exact.at[k], exact.value[k]);
        }
        exact.count = 0;
    };
    for (int iy = f.row0; iy <= f.row1; iy++) {
        if (!draws_row(lines, iy)) {
            continue;
        }
        XASSERT(iy >= 0 && iy < dst.height, UNIT, OP_STAR_STREAK, 115);
        float const ddy = iy - my;
        float const ddy2_b2 = ddy * ddy * inv_b2;
        float const ddy_ux = ddy * ux;
        float const ddy_uy_a2 = ddy * uy * a2;
        int first, last;
        if (!f.span(iy, dst.width, first, last)) {
            continue;
        }
        if (stop && stop->after(last - first + 1)) {
            return drew;
        }
        float const row_peak = by_table ? I * std::exp(-ddy2_b2) : 0;
        XASSERT(first >= 0 && first < dst.width, UNIT, OP_STAR_STREAK, 165);
        std::ptrdiff_t const row = static_cast<std::ptrdiff_t>(iy) * dst.row_stride;
        auto at_column = [&](int ix) {
            return row + static_cast<std::ptrdiff_t>(ix) * pixel_stride;
        };
        if (streak) {
            StreakRow const shape{mx,        ux,      uy,    b2, ddy_ux, ddy_uy_a2,
                                  half_qlen, inv_abq, inv_q, A,  inv_len};
            for (int from = first; from <= last; from += STREAK_CHUNK) {
                if (last - from < STREAK_CHUNK / 2) {
                    streak_half_chunk(shape, from, chunk);
                } else {
                    streak_chunk(shape, from, chunk);
                }
                int const to = std::min(last, from + STREAK_CHUNK - 1);
                for (int ix = from; ix <= to; ix++) {
                    int const i = ix - from;
                    if (chunk.kind[i] == STREAK_VALUE) {
                        add_at(at_column(ix), chunk.value[i]);
                    } else if (chunk.kind[i] == STREAK_EXACT) {
                        int const k = exact.count++;
                        exact.at[k] = at_column(ix);
                        exact.light[k] = chunk.light[i];
                        exact.falloff[k] = chunk.falloff[i];
                        exact.e0[k] = chunk.e0[i];
                        exact.e1[k] = chunk.e1[i];
                        if (exact.count == EXACT_BATCH) {
                            add_exact();
                        }
                    }
                }
            }
        } else {
            for (int ix = first; ix <= last; ix++) {
                float const ddx = ix - mx;
                add_at(at_column(ix), by_table ? row_peak * column[ix - col0]
                                               : I * std::exp(-ddx * ddx * inv_a2 - ddy2_b2));
            }
        }
    }
    add_exact();
    return drew;
}

// Notes the rows of the footprint's box that the pass draws, before any
// pixel of it takes light, so that a pass stopped halfway is noted too.
void note_drawn(StarFramebuffer const& dst, Footprint const& f, op_stars_lines lines) {
    if (!dst.drawn) {
        return;
    }
    for (int iy = f.row0; iy <= f.row1; iy++) {
        if (draws_row(lines, iy)) {
            dst.drawn->note(iy, f.col0, f.col1);
        }
    }
}

// Notes the footprint, then draws it. Whether an alpha plane dims the light
// is decided once a footprint rather than at every pixel, which the light
// adding, bound by memory as it is, would feel.
bool draw_footprint(StarFramebuffer const& dst, Footprint const& f, Color3 const& colour,
                    op_stars_lines lines, StopCheck* stop = nullptr) {
    note_drawn(dst, f, lines);
    return dst.a ? draw_footprint_in<true>(dst, f, colour, lines, stop)
                 : draw_footprint_in<false>(dst, f, colour, lines, stop);
}

} // namespace

bool op_star_streak(const StarFramebuffer& dst, const Vector2& p0, const Vector2& p1,
                    float intensity, const Color3& colour, float radius_x, float radius_y,
                    op_stars_lines lines) {
    Footprint f;
    return find_footprint(dst, p0, p1, intensity, radius_x, radius_y, f) &&
           draw_footprint(dst, f, colour, lines);
}

float footprint_reach(float intensity, float radius) {
    float const peak = footprint_peak(intensity);
    if (!(peak >= 1.0f) || std::isnan(radius)) {
        return 0;
    }
    return std::sqrt(std::log(peak)) * pulled_radius(radius);
}

DblMatrix4 sample_matrix(const camera& cam, op_stars_projection projection) {
    if (projection == OP_STARS_PERSPECTIVE) {
        return cam.xform * DblMatrix4::perspective(cam.zoom, cam.near, cam.far);
    }
    return cam.xform;
}

SpotShape spot_shape(const StarRendererData& data, int width, int height, unsigned samples) {
    // Each of the n - 1 segments of a blurred star carries its share of the
    // light; a streak is an average, so the total does not depend on n.
    float gain = static_cast<float>(data.brightness * 4);
    if (samples >= 2) {
        gain /= static_cast<float>(samples - 1);
    }

    // Sizes are in 1/2000 of the framebuffer width. The x radius is scaled
    // by the pixel aspect so that the spot keeps its shape in the projected
    // plane.
    double const W = width;
    double const H = height;
    double const t = 0.0005 * W;
    float radius_y = static_cast<float>(data.size_y * t);
    float const rx0 = static_cast<float>(data.size_x * t);
    float radius_x = static_cast<float>(rx0 * W * std::fabs(data.win_y0 - data.win_y1) /
                                        (H * std::fabs(data.win_x1 - data.win_x0)));

    // A sub-pixel spot is drawn one pixel wide and dimmer, keeping its light.
    if (!(radius_x >= 1)) {
        gain *= radius_x;
        radius_x = 1;
    }
    if (!(radius_y >= 1)) {
        gain *= radius_y;
        radius_y = 1;
    }
    return {gain, radius_x, radius_y};
}

struct StarRenderer::Private {
    Private(const StarFramebuffer& fb, StarInput& input, const Array<camera>& cams,
            const StarRendererData& data);

    // Keeps the spot or streak to be drawn with its batch; when the batch is
    // full, draws it and returns whether that added light.
    bool queue(Footprint const& f, Color3 const& colour, op_stars_lines lines);
    // Draws the waiting footprints grouped by the tile where their boxes
    // start, tiles row by row, so that drawing stays in a small part of the
    // image at a time instead of hopping across it star by star; within a
    // tile they keep the order found.
    bool flush(op_stars_lines lines);

    const StarFramebuffer& fb;
    StarInput& input;
    const Array<camera>& cams;
    StopCheck stop;
    Array<DblMatrix4> xforms;
    float gain = 0;
    float radius_x = 0;
    float radius_y = 0;
    u32 index = 0;

    struct Waiting {
        Footprint footprint;
        Color3 colour;
    };
    std::vector<Waiting> waiting;
    // Every colour byte decoded once, not three power functions a star.
    float linear_colour[256];
    int tile_shift = TILE_SHIFT;
    int tiles_across = 0;
    // Where each tile's footprints go in `sorted`, then where they end.
    std::vector<u32> tile_first;
    std::vector<Waiting> sorted;

    std::size_t tile_of(Footprint const& f) const {
        return std::size_t(f.row0 >> tile_shift) * std::size_t(tiles_across) +
               std::size_t(f.col0 >> tile_shift);
    }
};

StarRenderer::Private::Private(const StarFramebuffer& fb, StarInput& input,
                               const Array<camera>& cams, const StarRendererData& data)
    : fb(fb), input(input), cams(cams) {
    stop.ask = data.should_stop;
    stop.context = data.stop_context;
    auto tiles = [&](int shift) {
        long const across = (long(std::max(fb.width, 0)) >> shift) + 1;
        long const down = (long(std::max(fb.height, 0)) >> shift) + 1;
        return across * down;
    };
    while (tiles(tile_shift) > MAX_TILES) {
        tile_shift++;
    }
    tiles_across = int((long(std::max(fb.width, 0)) >> tile_shift) + 1);
    tile_first.resize(std::size_t(tiles(tile_shift)) + 1);
    for (int byte = 0; byte < 256; byte++) {
        linear_colour[byte] = decode_srgb(uint8_t(byte));
    }
}

bool StarRenderer::Private::queue(Footprint const& f, Color3 const& colour, op_stars_lines lines) {
    waiting.push_back(Waiting{f, colour});
    return waiting.size() == BATCH && flush(lines);
}

bool StarRenderer::Private::flush(op_stars_lines lines) {
    std::fill(tile_first.begin(), tile_first.end(), 0u);
    for (Waiting const& w : waiting) {
        tile_first[tile_of(w.footprint) + 1]++;
    }
    for (std::size_t t = 1; t < tile_first.size(); t++) {
        tile_first[t] += tile_first[t - 1];
    }
    // Copied into tile order, so that drawing reads them in turn.
    if (sorted.size() < waiting.size()) {
        sorted.resize(waiting.size());
    }
    for (Waiting const& w : waiting) {
        sorted[tile_first[tile_of(w.footprint)]++] = w;
    }
    bool drew = false;
    for (std::size_t i = 0; i < waiting.size() && !stop.stopped; i++) {
        if (draw_footprint(fb, sorted[i].footprint, sorted[i].colour, lines, &stop)) {
            drew = true;
        }
    }
    waiting.clear();
    return drew;
}

StarRenderer::StarRenderer(const StarRendererData& data, const StarFramebuffer& fb,
                           StarInput& input, const Array<camera>& cams)
    : data(data), priv(new Private(fb, input, cams, data)) {
    std::unique_ptr<Private> guard(priv);
    XASSERT(priv->cams.len() > 0, UNIT, STAR_RENDERER, 472);

    for (camera const& cam : cams) {
        priv->xforms.append(sample_matrix(cam, data.projection));
    }
    SpotShape const shape = spot_shape(data, fb.width, fb.height, cams.len());
    priv->gain = shape.gain;
    priv->radius_x = shape.radius_x;
    priv->radius_y = shape.radius_y;

    star_header_kind kind = check_star_header(input.next());
    if (kind == STAR_HEADER_3D) {
        input.is_3d = true;
    } else if (kind == STAR_HEADER_INVALID) {
        throw StrXception(UNIT, STAR_RENDERER, 526, "error in star database file");
    }
    priv->index = 1;
    guard.release();
}

StarRenderer::~StarRenderer() {
    delete priv;
}

bool StarRenderer::stopped() const {
    return priv->stop.stopped;
}

bool StarRenderer::render_star(bool& drew) {
    if (priv->stop.stopped || !(priv->index < priv->input.count)) {
        return false;
    }
    if (data.brightness == 0 || std::isnan(data.brightness)) {
        return false;
    }
    if (do_render_star(priv->input.next())) {
        drew = true;
    }
    priv->index++;
    if (priv->index < priv->input.count) {
        return true;
    }
    if (priv->flush(data.lines)) {
        drew = true;
    }
    return false;
}

bool StarRenderer::do_render_star(const star* s) {
    if (!(static_cast<double>(s->lum) >= data.lum_threshold)) {
        return false;
    }
    double const dist = data.three_d && priv->input.is_3d ? s->dist : -1;

    float lum = s->lum;
    if (data.lum_exponent != 1.0) {
        lum = std::pow(s->lum, static_cast<float>(data.lum_exponent));
    }
    if (static_cast<double>(lum) > data.lum_max) {
        lum = static_cast<float>(data.lum_max);
    }

    float const* linear = priv->linear_colour;
    Color3 colour{linear[s->r], linear[s->g], linear[s->b]};
    float const tint = static_cast<float>(data.tint_strength);
    float const sat = static_cast<float>(data.saturation);
    for (int i = 0; i < 3; i++) {
        colour[i] = (1 - tint) * colour[i] + tint * data.tint[i];
        // Blended with mid grey, not with the star's own luminance.
        colour[i] = sat * colour[i] + (0.5f - 0.5f * sat);
    }
    float const intensity = lum * priv->gain;

    StarFramebuffer const& fb = priv->fb;
    StarPoint const point = star_point(s->ra, s->dec, dist, data.parallax);
    auto project = [&](unsigned i, Vector2& pos) {
        return point_to_screen(point, priv->xforms[i], data.projection, fb.width, fb.height,
                               data.win_x0, data.win_x1, data.win_y0, data.win_y1, pos);
    };

    auto draw = [&](Vector2 const& p0, Vector2 const& p1) {
        Footprint f;
        return find_footprint(fb, p0, p1, intensity, priv->radius_x, priv->radius_y, f) &&
               priv->queue(f, colour, data.lines);
    };

    Vector2 prev{};
    bool prev_vis = project(0, prev);
    unsigned const n = priv->xforms.len();
    if (n == 1) {
        return prev_vis && draw(prev, prev);
    }
    // A perspective segment needs both ends in view; a fisheye segment is
    // drawn when either end is, since its positions stay finite.
    bool const both = data.projection == OP_STARS_PERSPECTIVE;
    bool drew = false;
    for (unsigned i = 1; i < n; i++) {
        Vector2 pos{};
        bool vis = project(i, pos);
        if ((both ? prev_vis && vis : prev_vis || vis) && draw(prev, pos)) {
            drew = true;
        }
        prev = pos;
        prev_vis = vis;
    }
    return drew;
}
