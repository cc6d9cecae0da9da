#include "libimgops/sky_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Not-a-number sorts after every luminance, as the dimmest.
float sort_key(star const& s) {
    return std::isnan(s.lum) ? -INFINITY : s.lum;
}

// The brighter tier holds about this many stars: as many as a database
// complete to about magnitude 8.
u32 const BRIGHT_TIER_STARS = 1 << 17;

// Positive floats order as their bit patterns do; a histogram bin is the
// exponent and the top three bits of the mantissa.
int const BIN_SHIFT = 20;
u32 const BINS = 1u << (31 - BIN_SHIFT);

u32 bits_of(float v) {
    u32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// The least luminance of the brighter tier: the lower edge of the bin of
// the BRIGHT_TIER_STARS-th brightest star.
float tier_split(star const* stars, u32 count) {
    if (count <= BRIGHT_TIER_STARS) {
        return -INFINITY;
    }
    std::vector<u32> bins(BINS, 0);
    for (u32 i = 0; i < count; i++) {
        if (stars[i].lum > 0) {
            bins[std::min(bits_of(stars[i].lum) >> BIN_SHIFT, BINS - 1)]++;
        }
    }
    u32 brighter = 0;
    for (u32 bin = BINS; bin-- > 0;) {
        brighter += bins[bin];
        if (brighter >= BRIGHT_TIER_STARS) {
            u32 const edge = bin << BIN_SHIFT;
            float split;
            std::memcpy(&split, &edge, sizeof split);
            return split;
        }
    }
    return -INFINITY;
}

} // namespace

SkyIndex::SkyIndex(star* stars, u32 count)
    : grid(count), split(tier_split(stars, count)), low(INFINITY), high(-INFINITY) {
    sort_by_cell(stars, count);
    u32 const keys = TIERS * tier_cells();
    peaks.assign(keys, -INFINITY);
    for (u32 key = 0; key < keys; key++) {
        star* const begin = stars + starts[key];
        star* const end = stars + starts[key + 1];
        std::sort(begin, end,
                  [](star const& a, star const& b) { return sort_key(a) > sort_key(b); });
        if (begin != end) {
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
    for (u32 i = 0; i < count; i++) {
        if (!std::isnan(stars[i].lum)) {
            low = std::min(low, stars[i].lum);
            high = std::max(high, stars[i].lum);
        }
    }
}

u32 SkyIndex::tier_of(star const& s) const {
    return s.lum >= split ? 0 : 1;
}

namespace {

// Moves stars[0 .. count - 1] into runs by their keys, below `keys`, one
// cycle of swaps at a time, without a second copy of the stars; returns
// where each run starts, and the end.
template <class Key> std::vector<u32> bucket_in_place(star* stars, u32 count, u32 keys, Key key) {
    std::vector<u32> starts(keys + 1, 0);
    for (u32 i = 0; i < count; i++) {
        starts[key(stars[i]) + 1]++;
    }
    for (u32 k = 0; k < keys; k++) {
        starts[k + 1] += starts[k];
    }
    std::vector<u32> next(starts.begin(), starts.end() - 1);
    for (u32 k = 0; k < keys; k++) {
        while (next[k] < starts[k + 1]) {
            star moving = stars[next[k]];
            u32 home = key(moving);
            while (home != k) {
                std::swap(moving, stars[next[home]++]);
                home = key(moving);
            }
            stars[next[k]++] = moving;
        }
    }
    return starts;
}

} // namespace

// First into tiers and declination bands, few runs that fill in step as the
// stars move, then each band into its cells, within a few MiB: moving stars
// straight to their cells would jump across the whole database each time.
void SkyIndex::sort_by_cell(star* stars, u32 count) {
    u32 const bands = grid.band_count() + 1; // the last for unplaced stars
    std::vector<u32> const band_starts =
        bucket_in_place(stars, count, TIERS * bands, [&](star const& s) {
            return tier_of(s) * bands + grid.band_of(s.ra, s.dec);
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
            std::vector<u32> const cell_starts =
                bucket_in_place(stars + begin, end - begin, grid.band_first_cell(band + 1) - c0,
                                [&](star const& s) { return grid.cell_of(s.ra, s.dec) - c0; });
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
