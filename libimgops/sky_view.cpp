#include "libimgops/sky_view.h"

#include <algorithm>
#include <cmath>

namespace {

// Pixels added to every footprint's reach: the positions' rounding to
// single precision and the footprint box's own rounding out.
double const REACH_SLACK = 2;
// A luminance raised to a power is bounded with this much to spare for the
// single-precision power function's rounding.
double const POWER_SLACK = 1.001;
// The fisheye projections only tell directions apart through a camera
// transform that turns and scales alike in every direction.
double const RIGID = 1e-9;
// The equidistant projection puts a direction at its orthographic position
// scaled by a factor within [2/pi, 1]; a little below 2/pi to spare.
double const EQUIDISTANT_LEAST = 0.63;

struct Range {
    double low, high;
};

// The bounds of f over the cap; the upper one widened by rounding.
template <class Linear> Range cap_range(Linear const& f, SkyCap const& cap) {
    double const a = f.n[0] * cap.x + f.n[1] * cap.y + f.n[2] * cap.z;
    double const nn = f.n[0] * f.n[0] + f.n[1] * f.n[1] + f.n[2] * f.n[2];
    double const norm = std::sqrt(nn);
    double const b = std::sqrt(std::max(0.0, nn - a * a));
    double const high = a >= norm * cap.cos_r ? norm : a * cap.cos_r + b * cap.sin_r;
    double const low = a <= -norm * cap.cos_r ? -norm : a * cap.cos_r - b * cap.sin_r;
    double const slack = 1e-9 * norm + 1e-12 * std::fabs(f.offset);
    return {low + f.offset, high + f.offset + slack};
}

// Whether some point between two ends, at 0 and at 1, has both terms at
// least 0, the terms changing linearly between their values at the ends.
bool some_point_between(double f0, double g0, double f1, double g1) {
    double from = 0, to = 1;
    for (auto [f, g] : {std::pair<double, double>{f0, g0}, {f1, g1}}) {
        if (f >= 0 && g >= 0) {
            continue;
        }
        if (f < 0 && g < 0) {
            return false;
        }
        double const t = f / (f - g);
        if (f < 0) {
            from = std::max(from, t);
        } else {
            to = std::min(to, t);
        }
    }
    return from <= to + 1e-12;
}

} // namespace

SkyView::SkyView(const StarRendererData& data, const StarFramebuffer& fb, const Array<camera>& cams,
                 bool at_infinity, float lum_low, float lum_high) {
    // Stars at infinity get the renderer's homogeneous w: 0 unless a
    // negative parallax crush pulls them in.
    double const w = std::max(0.0, 0.0 - 0.01 * data.parallax);
    culling = at_infinity && cams.len() > 0 && set_up(data, fb, cams, lum_low, lum_high, w);
}

bool SkyView::set_up(const StarRendererData& data, const StarFramebuffer& fb,
                     const Array<camera>& cams, float lum_low, float lum_high, double w) {
    if (!(lum_low >= 0) || fb.width <= 0 || fb.height <= 0) {
        return false;
    }
    // The brightest shaped luminance any star can take.
    double bound = INFINITY;
    if (!std::isnan(data.lum_max)) {
        bound = std::max(data.lum_max, 0.0);
    }
    if (data.lum_exponent == 1.0) {
        bound = std::min(bound, double(lum_high));
    } else if (data.lum_exponent > 0) {
        bound = std::min(bound, POWER_SLACK * std::pow(double(lum_high), data.lum_exponent));
    }
    SpotShape const shape = spot_shape(data, fb.width, fb.height, cams.len());
    float const brightest = static_cast<float>(bound) * shape.gain;
    double const reach_x = footprint_reach(brightest, shape.radius_x) + REACH_SLACK;
    double const reach_y = footprint_reach(brightest, shape.radius_y) + REACH_SLACK;

    double const dx = (data.win_x1 - data.win_x0) / fb.width;
    double const dy = (data.win_y1 - data.win_y0) / fb.height;
    double const xa = data.win_x0 - reach_x * dx;
    double const xb = data.win_x0 + (fb.width + reach_x) * dx;
    double const ya = data.win_y1 + reach_y * dy;
    double const yb = data.win_y1 - (fb.height + reach_y) * dy;
    x_low = std::min(xa, xb);
    x_high = std::max(xa, xb);
    y_low = std::min(ya, yb);
    y_high = std::max(ya, yb);
    if (!std::isfinite(x_high - x_low) || !std::isfinite(y_high - y_low)) {
        return false;
    }

    fisheye = data.projection != OP_STARS_PERSPECTIVE;
    equidistant = data.projection == OP_STARS_AZIMUTHAL_EQUIDISTANT;
    samples = cams.len();
    for (camera const& cam : cams) {
        DblMatrix4 const m = sample_matrix(cam, data.projection);
        if (!fisheye) {
            add_perspective_terms(m, w);
        } else if (w != 0 || !add_fisheye_terms(m)) {
            return false;
        }
    }
    for (Linear const& t : terms) {
        for (double v : {t.n[0], t.n[1], t.n[2], t.offset}) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return true;
}

void SkyView::add_perspective_terms(DblMatrix4 const& m, double w) {
    // Column c of the matrix gives homogeneous coordinate c of a direction.
    auto column = [&](int c, double scale) {
        return Linear{{scale * m(0, c), scale * m(1, c), scale * m(2, c)}, scale * w * m(3, c)};
    };
    auto minus = [](Linear a, Linear const& b) {
        for (int i = 0; i < 3; i++) {
            a.n[i] -= b.n[i];
        }
        a.offset -= b.offset;
        return a;
    };
    terms.push_back(minus(column(0, 1), column(3, x_low)));
    terms.push_back(minus(column(3, x_high), column(0, 1)));
    terms.push_back(minus(column(1, 1), column(3, y_low)));
    terms.push_back(minus(column(3, y_high), column(1, 1)));
    terms.push_back(column(3, 1));
    terms.push_back(column(2, 1));
}

bool SkyView::add_fisheye_terms(DblMatrix4 const& m) {
    double length2[3];
    for (int c = 0; c < 3; c++) {
        length2[c] = m(0, c) * m(0, c) + m(1, c) * m(1, c) + m(2, c) * m(2, c);
    }
    double const s2 = length2[0];
    for (int c = 0; c < 3; c++) {
        int const o = (c + 1) % 3;
        double const dot = m(0, c) * m(0, o) + m(1, c) * m(1, o) + m(2, c) * m(2, o);
        if (!(std::fabs(length2[c] - s2) <= RIGID * s2 && std::fabs(dot) <= RIGID * s2)) {
            return false;
        }
    }
    double const scale = 1 / std::sqrt(s2);
    for (int c = 0; c < 3; c++) {
        terms.push_back(Linear{{m(0, c) * scale, m(1, c) * scale, m(2, c) * scale}, 0});
    }
    terms.push_back(Linear{{m(0, 3), m(1, 3), m(2, 3)}, 0});
    return true;
}

SkyView::Seen SkyView::seen(SkyCap const& cap, unsigned k) const {
    Linear const* t = &terms[k * (fisheye ? 4 : TERMS)];
    Seen s;
    if (!fisheye) {
        for (int i = 0; i < 4; i++) {
            Range const r = cap_range(t[i], cap);
            s.low[i] = r.low;
            s.high[i] = r.high;
        }
        Range const front = cap_range(t[4], cap);
        Range const near = cap_range(t[5], cap);
        s.may_be_in_view = front.high >= 0 && near.high >= 0;
        s.all_in_view = front.low > 0 && near.low >= 0;
        return s;
    }
    Range x = cap_range(t[0], cap);
    Range y = cap_range(t[1], cap);
    if (equidistant) {
        for (Range* r : {&x, &y}) {
            r->low = std::min(r->low, r->low * EQUIDISTANT_LEAST);
            r->high = std::max(r->high, r->high * EQUIDISTANT_LEAST);
        }
    }
    s.low[0] = x.low - x_low;
    s.high[0] = x.high - x_low;
    s.low[1] = x_high - x.high;
    s.high[1] = x_high - x.low;
    s.low[2] = y.low - y_low;
    s.high[2] = y.high - y_low;
    s.low[3] = y_high - y.high;
    s.high[3] = y_high - y.low;
    Range const z = cap_range(t[2], cap);
    Range const front = cap_range(t[3], cap);
    s.may_be_in_view = z.high >= 0 && front.high >= 0;
    s.all_in_view = z.low > 1e-6 && front.low >= 0;
    return s;
}

// A perspective segment is drawn only with both ends in view, a fisheye
// one with either; then when its box meets the window, which needs a
// point of it within the window's columns and one within its rows.
bool SkyView::segment_may_draw(Seen const& a, Seen const& b) const {
    bool const in_view =
        fisheye ? a.may_be_in_view || b.may_be_in_view : a.may_be_in_view && b.may_be_in_view;
    return in_view && some_point_between(a.high[0], b.high[0], a.high[1], b.high[1]) &&
           some_point_between(a.high[2], b.high[2], a.high[3], b.high[3]);
}

SkyCoverage SkyView::coverage(SkyCap const& cap) const {
    if (!culling) {
        return SKY_ALL;
    }
    auto surely_inside = [](Seen const& s) {
        return s.all_in_view && s.low[0] >= 0 && s.low[1] >= 0 && s.low[2] >= 0 && s.low[3] >= 0;
    };
    Seen previous = seen(cap, 0);
    if (samples == 1) {
        if (!segment_may_draw(previous, previous)) {
            return SKY_NONE;
        }
        return surely_inside(previous) ? SKY_ALL : SKY_PART;
    }
    bool some = false;
    for (unsigned k = 1; k < samples; k++) {
        Seen const current = seen(cap, k);
        if (segment_may_draw(previous, current)) {
            some = true;
            bool const a = surely_inside(previous) && (fisheye || current.all_in_view);
            bool const b = surely_inside(current) && (fisheye || previous.all_in_view);
            if (a || b) {
                return SKY_ALL;
            }
        }
        previous = current;
    }
    return some ? SKY_PART : SKY_NONE;
}
