#include "libimgops/sky_index.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Not-a-number sorts after every luminance, as the dimmest.
float sort_key(star const& s) {
    return std::isnan(s.lum) ? -INFINITY : s.lum;
}

} // namespace

SkyIndex::SkyIndex(star* stars, u32 count) : grid(count), low(INFINITY), high(-INFINITY) {
    sort_by_cell(stars, count);
    u32 const cells = grid.cell_count() + 1;
    peaks.assign(cells, -INFINITY);
    for (u32 cell = 0; cell < cells; cell++) {
        star* const begin = stars + starts[cell];
        star* const end = stars + starts[cell + 1];
        std::sort(begin, end,
                  [](star const& a, star const& b) { return sort_key(a) > sort_key(b); });
        if (begin != end) {
            peaks[cell] = sort_key(*begin);
        }
    }
    for (u32 g = 0; g < grid.group_count(); g++) {
        float peak = -INFINITY;
        for (u32 cell = grid.first_cell(g); cell < grid.first_cell(g + 1); cell++) {
            peak = std::max(peak, peaks[cell]);
        }
        group_peaks.push_back(peak);
    }
    for (u32 i = 0; i < count; i++) {
        if (!std::isnan(stars[i].lum)) {
            low = std::min(low, stars[i].lum);
            high = std::max(high, stars[i].lum);
        }
    }
}

// Counts the stars of each cell, then moves every star straight into its
// cell's run, one cycle of swaps at a time: no second copy of the stars.
void SkyIndex::sort_by_cell(star* stars, u32 count) {
    u32 const cells = grid.cell_count() + 1;
    auto cell_of = [&](star const& s) { return grid.cell_of(s.ra, s.dec); };
    starts.assign(cells + 1, 0);
    for (u32 i = 0; i < count; i++) {
        starts[cell_of(stars[i]) + 1]++;
    }
    for (u32 cell = 0; cell < cells; cell++) {
        starts[cell + 1] += starts[cell];
    }
    std::vector<u32> next(starts.begin(), starts.end() - 1);
    for (u32 cell = 0; cell < cells; cell++) {
        while (next[cell] < starts[cell + 1]) {
            star moving = stars[next[cell]];
            u32 home = cell_of(moving);
            while (home != cell) {
                std::swap(moving, stars[next[home]++]);
                home = cell_of(moving);
            }
            stars[next[cell]++] = moving;
        }
    }
}

SkyPass::SkyPass(star const* records, SkyIndex const& index, SkyView const& view,
                 double lum_threshold)
    : records(records), stars(0) {
    SkyCells const& grid = index.cells();
    auto bright_enough = [&](float peak) { return static_cast<double>(peak) >= lum_threshold; };
    for (u32 g = 0; g < grid.group_count(); g++) {
        if (!bright_enough(index.brightest_in_group(g))) {
            continue;
        }
        SkyCoverage const group = view.coverage(grid.group_cap(g));
        if (group == SKY_NONE) {
            continue;
        }
        for (u32 cell = grid.first_cell(g); cell < grid.first_cell(g + 1); cell++) {
            if (bright_enough(index.brightest(cell)) &&
                (group == SKY_ALL || view.coverage(grid.cell_cap(cell)) != SKY_NONE)) {
                add_cell(index, cell, lum_threshold);
            }
        }
    }
    add_cell(index, grid.unplaced(), lum_threshold);
    stars = index.first(grid.unplaced() + 1);
    count = 1;
    for (Run const& r : runs) {
        count += r.end - r.begin;
    }
    rewind();
}

void SkyPass::add_cell(SkyIndex const& index, u32 cell, double lum_threshold) {
    star const* const begin = records + 1 + index.first(cell);
    star const* const end = records + 1 + index.first(cell + 1);
    star const* const dim = std::partition_point(
        begin, end, [&](star const& s) { return static_cast<double>(s.lum) >= lum_threshold; });
    if (dim != begin) {
        runs.push_back({u32(begin - records), u32(dim - records)});
    }
}

star const* SkyPass::next() {
    if (!header_read) {
        header_read = true;
        return records;
    }
    star const* s = records + at;
    if (++at == runs[run].end && ++run < runs.size()) {
        at = runs[run].begin;
    }
    return s;
}

void SkyPass::rewind() {
    header_read = false;
    run = 0;
    at = runs.empty() ? 0 : runs[0].begin;
}

u32 SkyPass::passed() const {
    if (!header_read) {
        return 0;
    }
    return run < runs.size() ? at - 1 : stars;
}
