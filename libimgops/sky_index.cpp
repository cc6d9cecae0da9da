#include "libimgops/sky_index.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Not-a-number sorts after every luminance, as the dimmest.
float sort_key(star const& s) {
    return std::isnan(s.lum) ? -INFINITY : s.lum;
}

bool brighter_first(star const& a, star const& b) {
    return sort_key(a) > sort_key(b);
}

} // namespace

SkyIndex::SkyIndex() : grid(TIER_STARS), starts{0}, low(INFINITY), high(-INFINITY) {}

SkyIndex::SkyIndex(star* stars, u32 count) : SkyIndex() {
    TierRoom room;
    for (u32 at = 0; at < count; at += TIER_STARS) {
        add_tier(stars + at, std::min(count - at, TIER_STARS), room);
    }
}

// A counting sort by cell into the room and back, which keeps the tier's
// order within each cell: the grid's tables, the tier and the room stay in
// the caches throughout.
void SkyIndex::add_tier(star* stars, u32 n, TierRoom& room) {
    std::vector<u32> run_starts(tier_cells() + 1, 0);
    room.cells.resize(n);
    grid.cells_of(stars, n, room.cells.data());
    for (u32 i = 0; i < n; i++) {
        run_starts[room.cells[i] + 1]++;
        // Neither takes a not-a-number as the second argument.
        low = std::min(low, stars[i].lum);
        high = std::max(high, stars[i].lum);
    }
    std::partial_sum(run_starts.begin(), run_starts.end(), run_starts.begin());
    std::vector<u32> next(run_starts.begin(), run_starts.end() - 1);
    room.stars.resize(std::max(room.stars.size(), std::size_t(n)));
    star* const sorted = room.stars.data();
    for (u32 i = 0; i < n; i++) {
        sorted[next[room.cells[i]]++] = stars[i];
    }

    u32 const base = starts.back();
    starts.pop_back();
    for (u32 r : run_starts) {
        starts.push_back(base + r);
    }
    // A database stored brightest first has every run sorted already.
    float tier_peak = -INFINITY;
    for (u32 cell = 0; cell < tier_cells(); cell++) {
        star* const begin = sorted + run_starts[cell];
        star* const end = sorted + run_starts[cell + 1];
        if (!std::is_sorted(begin, end, brighter_first)) {
            std::stable_sort(begin, end, brighter_first);
        }
        peaks.push_back(begin != end ? sort_key(*begin) : -INFINITY);
        tier_peak = std::max(tier_peak, peaks.back());
    }
    float const* const tier_cell_peaks = &peaks[peaks.size() - tier_cells()];
    for (u32 g = 0; g < grid.group_count(); g++) {
        group_peaks.push_back(*std::max_element(tier_cell_peaks + grid.first_cell(g),
                                                tier_cell_peaks + grid.first_cell(g + 1)));
    }
    tier_peaks.push_back(tier_peak);
    std::copy(sorted, sorted + n, stars);
}

SkyPass::SkyPass(star const* records, SkyIndex const& index, SkyView const& view,
                 double lum_threshold)
    : records(records), stars(index.star_count()) {
    SkyCells const& grid = index.cells();
    auto bright_enough = [&](float peak) { return static_cast<double>(peak) >= lum_threshold; };
    // The view is worked out once for every tier: the cells it may see of
    // the k-th group in `groups` are in_view[group_at[k] .. group_at[k + 1] - 1].
    std::vector<u32> groups, group_at, in_view;
    for (u32 g = 0; g < grid.group_count(); g++) {
        float peak = -INFINITY;
        for (u32 tier = 0; tier < index.tier_count(); tier++) {
            peak = std::max(peak, index.brightest_in_group(tier, g));
        }
        if (!bright_enough(peak)) {
            continue;
        }
        SkyCoverage const group = view.coverage(grid.group_cap(g));
        if (group == SKY_NONE) {
            continue;
        }
        groups.push_back(g);
        group_at.push_back(u32(in_view.size()));
        for (u32 cell = grid.first_cell(g); cell < grid.first_cell(g + 1); cell++) {
            if (group == SKY_ALL || view.coverage(grid.cell_cap(cell)) != SKY_NONE) {
                in_view.push_back(cell);
            }
        }
    }
    group_at.push_back(u32(in_view.size()));

    for (u32 tier = 0; tier < index.tier_count(); tier++) {
        if (!bright_enough(index.brightest_in_tier(tier))) {
            continue;
        }
        for (std::size_t k = 0; k < groups.size(); k++) {
            if (!bright_enough(index.brightest_in_group(tier, groups[k]))) {
                continue;
            }
            for (u32 j = group_at[k]; j < group_at[k + 1]; j++) {
                if (bright_enough(index.brightest(tier, in_view[j]))) {
                    add_cell(index, tier, in_view[j], lum_threshold);
                }
            }
        }
        add_cell(index, tier, grid.unplaced(), lum_threshold);
    }
    count = 1;
    for (Run const& r : runs) {
        count += r.end - r.begin;
    }
    rewind();
}

void SkyPass::add_cell(SkyIndex const& index, u32 tier, u32 cell, double lum_threshold) {
    star const* const begin = records + 1 + index.first(tier, cell);
    star const* const end = records + 1 + index.first(tier, cell + 1);
    // A linear search: the stars it passes are the ones the pass reads next.
    star const* const dim = std::find_if(
        begin, end, [&](star const& s) { return !(static_cast<double>(s.lum) >= lum_threshold); });
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
