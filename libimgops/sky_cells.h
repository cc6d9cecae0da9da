#pragma once

#include "base/types.h"
#include "libimgops/stars.h"

#include <vector>

// A spherical cap in the renderer's sky coordinates (x towards right
// ascension 0 on the equator, y towards the north pole): every direction
// within the angle whose cosine and sine are given of the centre.
struct SkyCap {
    float x, y, z;
    double cos_r, sin_r;
};

// The sky cut into cells of roughly equal area, gathered into groups of
// neighbouring cells: declination bands, each cut in right ascension into
// as many pieces as keep them about square; a group is one such piece of a
// coarse grid, and its cells one of a fine grid inside it. Cells are
// numbered group by group, so the cells of a group are a run of numbers.
class SkyCells {
public:
    // Cells sized so that `stars` stars spread evenly hold about
    // STARS_PER_CELL each, within limits on the cells' size and number.
    explicit SkyCells(u32 stars);

    static u32 const STARS_PER_CELL = 24;
    // The cell of stars whose position is no direction the grid can place;
    // it covers the whole sky and is not part of any group.
    u32 unplaced() const { return u32(cell_caps.size()); }

    // The cell holding the direction, or unplaced(): right ascension in
    // degrees within [-720, 720], declination within [-90, 90].
    u32 cell_of(double ra, double dec) const;
    // cells[i] = cell_of(stars[i].ra, stars[i].dec) for i < n.
    void cells_of(star const* stars, u32 n, u32* cells) const;

    u32 cell_count() const { return u32(cell_caps.size()); }
    u32 group_count() const { return u32(group_caps.size()); }
    // The cells of group g are group_first[g] .. group_first[g + 1] - 1.
    u32 first_cell(u32 group) const { return group_first[group]; }
    SkyCap const& cell_cap(u32 cell) const { return cell_caps[cell]; }
    SkyCap const& group_cap(u32 group) const { return group_caps[group]; }

private:
    // A fine band of the whole sky, south to north: cut into `pieces`
    // cells of equal width in right ascension, each `scale` per degree,
    // whose numbers are row_cells[first ..], from right ascension 0 east.
    struct Row {
        double scale;
        u32 pieces;
        u32 first;
    };
    // cell_of for a right ascension outside [0, 360) or no direction.
    u32 cell_of_wrapped(double ra, double dec) const;

    double rows_per_degree;
    std::vector<Row> rows;
    std::vector<u32> row_cells;
    std::vector<u32> group_first;
    std::vector<SkyCap> group_caps;
    std::vector<SkyCap> cell_caps;
};

// Fine bands of cells across the height of one group.
int const SKY_ROWS_PER_GROUP = 8;
