#include "libimgops/sky_cells.h"

#include <algorithm>
#include <cmath>

namespace {

double const PI = 3.14159265358979323846;
double const DEG = PI / 180;
// Square degrees in the whole sky.
double const SKY_AREA = 41252.96;
// At most about this many cells, so that their table stays a few MiB
// however large the database; and cells at most this wide (degrees), so
// that a small database still has some.
double const MAX_CELLS = 65536;
double const MAX_CELL = 12;
// Added to every cap's radius, in radians: the renderer takes a star's
// direction from single-precision angles (about 1e-6 radians off), and a
// cap's centre is stored in single precision.
double const CAP_SLACK = 2e-5;

struct Direction {
    double x, y, z;
};

Direction direction(double ra, double dec) {
    double const c = std::cos(dec * DEG);
    return {c * std::cos(ra * DEG), std::sin(dec * DEG), c * std::sin(ra * DEG)};
}

// For the finite, small values the grid meets; without std::floor, which
// is a library call on the baseline instruction set and would cost more
// than the rest of finding a cell.
int clamped_floor(double v, int count) {
    int const truncated = static_cast<int>(v);
    int const below = truncated - (truncated > v ? 1 : 0);
    return std::min(std::max(below, 0), count - 1);
}

// The smallest cap about the rectangle's middle holding it: its farthest
// points are corners while it spans at most half the circle in right
// ascension.
SkyCap rectangle_cap(double ra0, double ra_span, double dec0, double dec1) {
    Direction const c = direction(ra0 + ra_span / 2, (dec0 + dec1) / 2);
    double radius = 0;
    for (double ra : {ra0, ra0 + ra_span}) {
        for (double dec : {dec0, dec1}) {
            Direction const d = direction(ra, dec);
            double const cos_angle = c.x * d.x + c.y * d.y + c.z * d.z;
            radius = std::max(radius, std::acos(std::min(1.0, cos_angle)));
        }
    }
    radius = std::min(radius + CAP_SLACK, PI);
    return {float(c.x), float(c.y), float(c.z), std::cos(radius), std::sin(radius)};
}

// Pieces of `length` degrees at the middle of a band, about `size` wide.
u32 pieces(double length, double dec_middle, double size, u32 at_least) {
    double const n = std::round(length * std::cos(dec_middle * DEG) / size);
    return std::max(at_least, u32(std::max(n, 0.0)));
}

} // namespace

SkyCells::SkyCells(u32 stars) {
    double const cells = std::min(std::max(1.0, double(stars) / STARS_PER_CELL), MAX_CELLS);
    double const cell = std::min(std::sqrt(SKY_AREA / cells), MAX_CELL);
    int const bands = std::max(2, int(std::lround(180 / (cell * SKY_ROWS_PER_GROUP))));
    double const band_height = 180.0 / bands;
    double const row_height = band_height / SKY_ROWS_PER_GROUP;
    rows_per_degree = 1 / row_height;
    for (int band = 0; band < bands; band++) {
        double const dec0 = -90 + band * band_height;
        // At least two groups a band, so that none spans more than half
        // the circle.
        u32 const n = pieces(360, dec0 + band_height / 2, band_height, 2);
        double const ra_span = 360.0 / n;
        // The groups of a band are alike: as many cells in each of a fine
        // band's pieces.
        std::vector<u32> row_pieces;
        for (int row = 0; row < SKY_ROWS_PER_GROUP; row++) {
            double const r0 = dec0 + row * row_height;
            u32 const m = pieces(ra_span, r0 + row_height / 2, row_height, 1);
            row_pieces.push_back(m);
            rows.push_back({n * m / 360.0, n * m, u32(row_cells.size())});
            row_cells.resize(row_cells.size() + n * m);
        }
        for (u32 g = 0; g < n; g++) {
            double const ra0 = ra_span * g;
            group_first.push_back(u32(cell_caps.size()));
            group_caps.push_back(rectangle_cap(ra0, ra_span, dec0, dec0 + band_height));
            for (int row = 0; row < SKY_ROWS_PER_GROUP; row++) {
                double const r0 = dec0 + row * row_height;
                u32 const m = row_pieces[row];
                Row const& fine = rows[band * SKY_ROWS_PER_GROUP + row];
                for (u32 i = 0; i < m; i++) {
                    row_cells[fine.first + g * m + i] = u32(cell_caps.size());
                    cell_caps.push_back(
                        rectangle_cap(ra0 + ra_span * i / m, ra_span / m, r0, r0 + row_height));
                }
            }
        }
    }
    group_first.push_back(u32(cell_caps.size()));
}

u32 SkyCells::cell_of(double ra, double dec) const {
    if (ra >= 0 && ra < 360 && std::fabs(dec) <= 90) {
        Row const& row = rows[clamped_floor((dec + 90) * rows_per_degree, int(rows.size()))];
        return row_cells[row.first + u32(clamped_floor(ra * row.scale, int(row.pieces)))];
    }
    return cell_of_wrapped(ra, dec);
}

u32 SkyCells::cell_of_wrapped(double ra, double dec) const {
    if (!(std::fabs(ra) <= 720 && std::fabs(dec) <= 90)) {
        return unplaced();
    }
    double const r = std::fmod(ra, 360.0);
    // Just below 0 this rounds to 360, which wraps once more, to 0.
    return cell_of(r < 0 ? r + 360 : r, dec);
}

void SkyCells::cells_of(star const* stars, u32 n, u32* cells) const {
    for (u32 i = 0; i < n; i++) {
        cells[i] = cell_of(stars[i].ra, stars[i].dec);
    }
}
