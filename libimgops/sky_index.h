#pragma once

#include "libimgops/sky_cells.h"
#include "libimgops/sky_view.h"
#include "libimgops/stars.h"

#include <vector>

// The stars of a database sorted in place into two tiers, the brightest
// 2^17 or so and the rest, each by its cell of the sky and, within a cell,
// brightest first, with where each run of stars starts: a pass visits only
// the cells it can see, and of each only the stars at or above its
// threshold. The brighter tier keeps the stars that the usual thresholds
// draw close together in memory, however many fainter ones the database
// holds.
class SkyIndex {
public:
    // Sorts stars[0 .. count - 1] in place.
    SkyIndex(star* stars, u32 count);

    static u32 const TIERS = 2;

    SkyCells const& cells() const { return grid; }
    // The run of a tier's cell (the unplaced one included) is
    // first(tier, cell) .. first(tier, cell + 1) - 1; first(TIERS, 0) is
    // the number of stars.
    u32 first(u32 tier, u32 cell) const { return starts[tier * tier_cells() + cell]; }
    // The `lum` of the brightest star of a tier's cell or group; below
    // every luminance when it holds none.
    float brightest(u32 tier, u32 cell) const { return peaks[tier * tier_cells() + cell]; }
    float brightest_in_group(u32 tier, u32 group) const {
        return group_peaks[tier * grid.group_count() + group];
    }
    // The least and the greatest `lum` of the stars, not-a-number aside.
    float lum_low() const { return low; }
    float lum_high() const { return high; }

private:
    u32 tier_cells() const { return grid.cell_count() + 1; }
    u32 tier_of(float lum) const;
    void sort_by_cell(star* stars, u32 count);

    SkyCells grid;
    float split; // the least `lum` of the brighter tier
    std::vector<u32> starts;
    std::vector<float> peaks;
    std::vector<float> group_peaks;
    float low;
    float high;
};

// The records one pass reads from a database loaded whole and indexed (the
// header at record 0, the stars sorted by `index` after it): the header,
// then, cell by cell, the stars at or above the threshold of the cells the
// view may see.
class SkyPass : public StarInput {
public:
    SkyPass(star const* records, SkyIndex const& index, SkyView const& view, double lum_threshold);

    star const* next() override;
    void rewind() override;

    // How many of the database's stars lie before the next one handed out,
    // those of skipped cells included: the pass's progress.
    u32 passed() const;

private:
    void add_cell(SkyIndex const& index, u32 tier, u32 cell, double lum_threshold);

    // Record numbers, begin and end.
    struct Run {
        u32 begin, end;
    };
    star const* records;
    std::vector<Run> runs;
    u32 stars;
    bool header_read = false;
    std::size_t run = 0;
    u32 at = 0;
};
