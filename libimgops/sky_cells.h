#pragma once

#include "base/types.h"

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

    u32 cell_count() const { return u32(cell_caps.size()); }
    u32 group_count() const { return u32(group_caps.size()); }
    // The cells of group g are group_first[g] .. group_first[g + 1] - 1.
    u32 first_cell(u32 group) const { return group_first[group]; }
    SkyCap const& cell_cap(u32 cell) const { return cell_caps[cell]; }
    SkyCap const& group_cap(u32 group) const { return group_caps[group]; }

private:
    struct Group {
        double ra0, ra_span, dec0;
    };
    // Per band, its groups per degree of right ascension; per fine band of
    // a group, its cells per degree: the products a cell is found with.
    std::vector<double> band_scale;
    std::vector<double> row_scale;
    void add_group(double ra0, double ra_span, double dec0);

    int bands;          // of groups, each `band_height` degrees
    double band_height; // degrees
    double bands_per_degree;
    double rows_per_degree;
    std::vector<u32> band_first;
    std::vector<u32> band_groups;
    std::vector<Group> groups;
    std::vector<u32> group_first;
    // Per group and fine band within it: the first cell, and how many.
    std::vector<u32> row_first;
    std::vector<u32> row_cells;
    std::vector<SkyCap> group_caps;
    std::vector<SkyCap> cell_caps;
};

// Fine bands of cells across the height of one group.
int const SKY_ROWS_PER_GROUP = 8;
