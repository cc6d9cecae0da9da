#include "libimgops/sky_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <utility>

namespace {

// Not-a-number sorts after every luminance, as the dimmest.
float sort_key(star const& s) {
    return std::isnan(s.lum) ? -INFINITY : s.lum;
}

bool brighter_first(star const& a, star const& b) {
    return sort_key(a) > sort_key(b);
}

// The brighter tier holds about this many stars: as many as a database
// complete to about magnitude 8.
u32 const BRIGHT_TIER_STARS = 1 << 17;

// Positive floats order as their bit patterns do; a histogram bin is the
// exponent and the top three bits of the mantissa.
int const BIN_SHIFT = 20;
u32 const BINS = 1u << (31 - BIN_SHIFT);

// A star's brightness class: its bin when its luminance is positive, or one
// of three more for zero, negative and not-a-number. Every star of a class
// falls in the same tier as the class's `class_lum`, since the tiers split
// at -infinity or at a bin's lower edge.
u32 const ZERO_CLASS = BINS;
u32 const NEGATIVE_CLASS = BINS + 1;
u32 const NAN_CLASS = BINS + 2;
u32 const CLASSES = BINS + 3;

u32 bits_of(float v) {
    u32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

float float_of(u32 bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

u32 class_of(float lum) {
    if (lum > 0) {
        return std::min(bits_of(lum) >> BIN_SHIFT, BINS - 1);
    }
    return lum == 0 ? ZERO_CLASS : lum < 0 ? NEGATIVE_CLASS : NAN_CLASS;
}

float class_lum(u32 c) {
    return c < BINS              ? float_of(c << BIN_SHIFT)
           : c == ZERO_CLASS     ? 0.0f
           : c == NEGATIVE_CLASS ? -1.0f
                                 : NAN;
}

// The least luminance of the brighter tier: the lower edge of the bin of
// the BRIGHT_TIER_STARS-th brightest star; `classes` counts the stars of
// each brightness class.
float tier_split(std::vector<u32> const& classes, u32 count) {
    if (count <= BRIGHT_TIER_STARS) {
        return -INFINITY;
    }
    u32 brighter = 0;
    for (u32 bin = BINS; bin-- > 0;) {
        brighter += classes[bin];
        if (brighter >= BRIGHT_TIER_STARS) {
            return class_lum(bin);
        }
    }
    return -INFINITY;
}

// Moves stars into runs by their keys, one cycle of swaps at a time,
// without a second copy of the stars; `starts` holds where each key's run
// starts, and the end.
template <class Key> void bucket_in_place(star* stars, std::vector<u32> const& starts, Key key) {
    std::vector<u32> next(starts.begin(), starts.end() - 1);
    for (u32 k = 0; k + 1 < starts.size(); k++) {
        while (next[k] < starts[k + 1]) {
            u32 const at = next[k];
            star moving = stars[at];
            for (u32 home = key(moving); home != k; home = key(moving)) {
                u32 const to = next[home]++;
                // Each run fills front to back: fetching ahead of where it
                // fills hides most of the wait for memory.
                __builtin_prefetch(stars + to + 8, 1);
                std::swap(moving, stars[to]);
            }
            stars[at] = moving;
            next[k]++;
        }
    }
}

// Runs longer than this, which only crowded or unplaced stars make, sort
// the stars themselves, so that the keys never take more than a few KiB.
u32 const KEYED_RUN = 4096;

// Sorts a run of stars brightest first: their keys sort with their places,
// ties kept in order, then each star moves once along the cycles of that
// order, without a copy of the run. `order` is room for the keys.
void sort_brightest_first(star* run, u32 n, std::vector<std::pair<float, u32>>& order) {
    if (std::is_sorted(run, run + n, brighter_first)) {
        return;
    }
    if (n > KEYED_RUN) {
        std::sort(run, run + n, brighter_first);
        return;
    }
    order.clear();
    for (u32 i = 0; i < n; i++) {
        order.push_back({-sort_key(run[i]), i});
    }
    std::sort(order.begin(), order.end());
    for (u32 i = 0; i < n; i++) {
        if (order[i].second == i) {
            continue;
        }
        star const first = run[i];
        u32 to = i;
        for (u32 from = order[to].second; from != i; from = order[to].second) {
            run[to] = run[from];
            order[to].second = to;
            to = from;
        }
        run[to] = first;
        order[to].second = to;
    }
}

} // namespace

SkyIndex::SkyIndex(star* stars, u32 count)
    : grid(count), split(-INFINITY), low(INFINITY), high(-INFINITY) {
    sort_by_cell(stars, count);
    u32 const keys = TIERS * tier_cells();
    peaks.assign(keys, -INFINITY);
    std::vector<std::pair<float, u32>> order;
    for (u32 key = 0; key < keys; key++) {
        star* const begin = stars + starts[key];
        sort_brightest_first(begin, starts[key + 1] - starts[key], order);
        if (begin != stars + starts[key + 1]) {
            peaks[key] = sort_key(*begin);
        }
    }
    for (u32 tier = 0; tier < TIERS; tier++) {
        for (u32 g = 0; g < grid.group_count(); g++) {
            float peak = -INFINITY;
            for (u32 cell = grid.first_cell(g); cell < grid.first_cell(g + 1); cell++) {
                peak = std::max(peak, brightest(tier, cell));
            }
            group_peaks.push_back(peak);
        }
    }
}

u32 SkyIndex::tier_of(float lum) const {
    return lum >= split ? 0 : 1;
}

// One look at every star finds its band and its brightness class; then the
// stars move into tiers and declination bands, few runs that fill
// in step, and each band into its cells, within a few MiB: moving stars
// straight to their cells would jump across the whole database each time.
void SkyIndex::sort_by_cell(star* stars, u32 count) {
    u32 const bands = grid.band_count() + 1; // the last for unplaced stars
    // The stars of each band and brightness class.
    std::vector<u32> census(std::size_t(bands) * CLASSES, 0);
    for (u32 i = 0; i < count; i++) {
        star const& s = stars[i];
        census[grid.band_of(s.ra, s.dec) * CLASSES + class_of(s.lum)]++;
        if (!std::isnan(s.lum)) {
            low = std::min(low, s.lum);
            high = std::max(high, s.lum);
        }
    }
    std::vector<u32> classes(CLASSES, 0);
    for (u32 band = 0; band < bands; band++) {
        for (u32 c = 0; c < CLASSES; c++) {
            classes[c] += census[band * CLASSES + c];
        }
    }
    split = tier_split(classes, count);

    std::vector<u32> band_starts(TIERS * bands + 1, 0);
    for (u32 band = 0; band < bands; band++) {
        for (u32 c = 0; c < CLASSES; c++) {
            band_starts[tier_of(class_lum(c)) * bands + band + 1] += census[band * CLASSES + c];
        }
    }
    std::partial_sum(band_starts.begin(), band_starts.end(), band_starts.begin());
    bucket_in_place(stars, band_starts, [&](star const& s) {
        return tier_of(s.lum) * bands + grid.band_of(s.ra, s.dec);
    });

    starts.assign(TIERS * tier_cells() + 1, count);
    for (u32 tier = 0; tier < TIERS; tier++) {
        for (u32 band = 0; band < bands; band++) {
            u32 const begin = band_starts[tier * bands + band];
            u32 const end = band_starts[tier * bands + band + 1];
            u32 const first = tier * tier_cells();
            if (band + 1 == bands) {
                starts[first + grid.unplaced()] = begin;
                continue;
            }
            u32 const c0 = grid.band_first_cell(band);
            std::vector<u32> cell_starts(grid.band_first_cell(band + 1) - c0 + 1, 0);
            auto const cell_in_band = [&](star const& s) { return grid.cell_of(s.ra, s.dec) - c0; };
            for (u32 i = begin; i < end; i++) {
                cell_starts[cell_in_band(stars[i]) + 1]++;
            }
            std::partial_sum(cell_starts.begin(), cell_starts.end(), cell_starts.begin());
            bucket_in_place(stars + begin, cell_starts, cell_in_band);
            for (std::size_t c = 0; c + 1 < cell_starts.size(); c++) {
                starts[first + c0 + c] = begin + cell_starts[c];
            }
        }
    }
}

SkyPass::SkyPass(star const* records, SkyIndex const& index, SkyView const& view,
                 double lum_threshold)
    : records(records), stars(0) {
    SkyCells const& grid = index.cells();
    auto bright_enough = [&](float peak) { return static_cast<double>(peak) >= lum_threshold; };
    for (u32 tier = 0; tier < SkyIndex::TIERS; tier++) {
        for (u32 g = 0; g < grid.group_count(); g++) {
            if (!bright_enough(index.brightest_in_group(tier, g))) {
                continue;
            }
            SkyCoverage const group = view.coverage(grid.group_cap(g));
            if (group == SKY_NONE) {
                continue;
            }
            for (u32 cell = grid.first_cell(g); cell < grid.first_cell(g + 1); cell++) {
                if (bright_enough(index.brightest(tier, cell)) &&
                    (group == SKY_ALL || view.coverage(grid.cell_cap(cell)) != SKY_NONE)) {
                    add_cell(index, tier, cell, lum_threshold);
                }
            }
        }
        add_cell(index, tier, grid.unplaced(), lum_threshold);
    }
    stars = index.first(SkyIndex::TIERS, 0);
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
