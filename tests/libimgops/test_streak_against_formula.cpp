#include "float_image.h"

#include "libimgops/stars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>

namespace {

// The rasteriser as first written: every pixel of every row's span takes
// the library's exponential and error functions, one at a time. The fast
// one must stay within single-precision noise of it.
bool formula_streak(StarFramebuffer const& dst, Vector2 const& p0, Vector2 const& p1,
                    float intensity, Color3 const& colour, float radius_x, float radius_y,
                    op_stars_lines lines) {
    float const peak = 6250.0f * intensity;
    if (!(peak >= 1.0f)) {
        return false;
    }
    float const a = radius_x, b = radius_y, I = intensity;
    float const k = std::sqrt(std::log(peak));
    float const ex = k * a, ey = k * b;
    float const dx = p1[0] - p0[0], dy = p1[1] - p0[1];
    float const len = std::sqrt(dx * dx + dy * dy);
    float const ux = len > 0 ? dx / len : 0.0f, uy = len > 0 ? dy / len : 0.0f;
    float const mx = (p0[0] + p1[0]) / 2, my = (p0[1] + p1[1]) / 2;
    float s = 1e20f, hw = 1e20f;
    if (std::fabs(dy) > 1e-6f) {
        s = dx / dy;
        hw = static_cast<float>(double(k) * a * a + std::fabs(double(k) * a * b * s));
    }
    int const x_lo = int(std::floor(std::min(p0[0], p1[0]) - ex));
    int const x_hi = int(std::floor(std::max(p0[0], p1[0]) + ex)) + 1;
    int const y_lo = int(std::floor(std::min(p0[1], p1[1]) - ey));
    int const y_hi = int(std::floor(std::max(p0[1], p1[1]) + ey)) + 1;
    if (x_hi < 0 || y_hi < 0 || x_lo >= dst.width || y_lo >= dst.height) {
        return false;
    }
    int const col0 = std::max(x_lo, 0), col1 = std::min(x_hi, dst.width - 1);
    int const row0 = std::max(y_lo, 0), row1 = std::min(y_hi, dst.height - 1);
    bool const streak = len > 1e-5f;
    float const a2 = a * a, b2 = b * b, inv_a2 = 1 / a2, inv_b2 = 1 / b2;
    float q = 0, inv_q = 0, inv_abq = 0, A = 0, inv_len = 0, half_qlen = 0;
    if (streak) {
        q = ux * ux * b2 + uy * uy * a2;
        inv_q = 1 / q;
        inv_abq = 1 / (a * b * std::sqrt(q));
        A = 0.88622695f * a * b * I / std::sqrt(q);
        inv_len = 1 / len;
        half_qlen = q * len / 2;
    }
    bool drew = false;
    for (int iy = row0; iy <= row1; iy++) {
        if (lines != OP_STARS_ALL_LINES && (iy & 1) != (lines == OP_STARS_EVEN_LINES ? 0 : 1)) {
            continue;
        }
        float const ddy = iy - my;
        float const ddy2_b2 = ddy * ddy * inv_b2, ddy_ux = ddy * ux, ddy_uy_a2 = ddy * uy * a2;
        float const xc = s >= 100000 ? mx : p0[0] + (iy - p0[1]) * s;
        int const first = int(std::floor(std::max(xc - hw, float(col0))));
        int const last = int(std::ceil(std::min(xc + hw, float(col1))));
        for (int ix = first; ix <= last && ix < dst.width; ix++) {
            std::ptrdiff_t const at = std::ptrdiff_t(iy) * dst.row_stride + ix * dst.pixel_stride;
            float const alpha = dst.a[at];
            if (!(alpha < 1)) {
                continue;
            }
            float const ddx = ix - mx;
            float v;
            if (streak) {
                float const t_perp = ddx * uy - ddy_ux;
                float const t_par = ddx * ux * b2 + ddy_uy_a2;
                v = std::exp(-t_perp * t_perp * inv_q) * A *
                    (std::erf((half_qlen - t_par) * inv_abq) -
                     std::erf((-half_qlen - t_par) * inv_abq)) *
                    inv_len;
            } else {
                v = I * std::exp(-ddx * ddx * inv_a2 - ddy2_b2);
            }
            float const c = (1 - alpha) * v;
            dst.r[at] += colour[0] * c;
            dst.g[at] += colour[1] * c;
            dst.b[at] += colour[2] * c;
            drew = drew || c > 0;
        }
    }
    return drew;
}

struct Star {
    Vector2 p0, p1;
    float intensity, rx, ry;
    op_stars_lines lines;
};

// Spots and streaks of every shape the renderer and the preview draw:
// lengths from none to far beyond the view (and so short that the two
// error functions of every column nearly cancel), any direction, horizontal and
// vertical ones, round and flat spots, faint ones at the footprint cut and
// bright ones whose error functions saturate.
Star random_star(std::mt19937& rng, int width, int height) {
    std::uniform_real_distribution<float> unit(0, 1);
    float const lengths[] = {0, 0, 1e-6f, 0.01f, 0.3f, 2, 6, 20, 80, 400};
    float const length = lengths[rng() % 10];
    float const angle = rng() % 4 == 0 ? (rng() % 4) * 1.5707964f : 6.2831855f * unit(rng);
    Vector2 const p0{-10 + (width + 20) * unit(rng), -10 + (height + 20) * unit(rng)};
    Vector2 const p1{p0[0] + length * std::cos(angle), p0[1] + length * std::sin(angle)};
    float const intensity = std::pow(10.0f, -3.8f + 8 * unit(rng));
    float const rx = std::pow(10.0f, -0.5f + 1.6f * unit(rng));
    float const ry = rng() % 3 == 0 ? rx : std::pow(10.0f, -0.5f + 1.6f * unit(rng));
    op_stars_lines const lines =
        rng() % 4 == 0 ? op_stars_lines(1 + rng() % 2) : OP_STARS_ALL_LINES;
    return {p0, p1, intensity, rx, ry, lines};
}

TEST(StreakAgainstFormula, EveryPixelIsWithinSinglePrecisionNoiseOfTheFormula) {
    std::mt19937 rng(2024);
    Color3 const colour{1, 0.5f, 0.25f};
    int const width = 97, height = 71;
    double worst = 0;
    for (int n = 0; n < 3000; n++) {
        Star const star = random_star(rng, width, height);
        bool const interleaved = n % 2 == 0;
        FloatImage fast(width, height, interleaved), plain(width, height, interleaved);
        // Open sky, partly covered and wholly covered pixels.
        std::uniform_real_distribution<float> unit(0, 1);
        fast.each_pixel([&](int x, int y) {
            float const cover = unit(rng);
            float const alpha = cover < 0.6f ? 0 : cover < 0.9f ? unit(rng) : 1 + cover;
            fast.a(x, y) = plain.a(x, y) = alpha;
        });

        bool const drew_fast = op_star_streak(fast.fb, star.p0, star.p1, star.intensity, colour,
                                              star.rx, star.ry, star.lines);
        bool const drew_plain = formula_streak(plain.fb, star.p0, star.p1, star.intensity, colour,
                                               star.rx, star.ry, star.lines);

        SCOPED_TRACE(::testing::Message()
                     << "star " << n << ": (" << star.p0[0] << ", " << star.p0[1] << ") to ("
                     << star.p1[0] << ", " << star.p1[1] << "), intensity " << star.intensity
                     << ", radii " << star.rx << ", " << star.ry);
        ASSERT_EQ(drew_fast, drew_plain);
        ASSERT_TRUE(fast.border_untouched());
        fast.each_pixel([&](int x, int y) {
            float const got[] = {fast.r(x, y), fast.g(x, y), fast.b(x, y)};
            float const want[] = {plain.r(x, y), plain.g(x, y), plain.b(x, y)};
            for (int c = 0; c < 3; c++) {
                ASSERT_EQ(got[c] > 0, want[c] > 0) << "lit in one only at " << x << ", " << y;
                if (want[c] > 0) {
                    double const relative = std::fabs(double(got[c]) - want[c]) / want[c];
                    worst = std::max(worst, relative);
                    ASSERT_LT(relative, 1e-5) << "at " << x << ", " << y;
                }
            }
        });
    }
    // Noise, not the same numbers: the fast path computes differently.
    EXPECT_GT(worst, 0);
}

} // namespace
