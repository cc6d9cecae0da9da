#pragma once

#include "libimgops/sky_cells.h"
#include "libimgops/sky_view.h"
#include "libimgops/stars.h"

#include <vector>

// The stars of a database in tiers, each a run of up to TIER_STARS
// consecutive stars of the file sorted by its cell of the sky and, within a
// cell, brightest first, with where each run of stars starts and how bright
// its brightest is: a pass visits only the cells it can see, and of each
// only the stars at or above its threshold. Every tier sorts in a few MiB,
// as the stars come; in a database stored brightest first the faint tiers
// lie past every usual threshold and a pass skips them whole.
class SkyIndex {
public:
    static constexpr u32 TIER_STARS = 1 << 16;

    // No stars yet: add them with add_tier.
    SkyIndex();
    // Indexes stars[0 .. count - 1] in place, a tier at a time.
    SkyIndex(star* stars, u32 count);

    // Room for sorting a tier: a copy of its stars and each one's cell, a
    // few MiB kept from one tier to the next.
    struct TierRoom {
        std::vector<star> stars;
        std::vector<u32> cells;
    };
    // Sorts stars[0 .. n - 1] (n at most TIER_STARS) in place as the next
    // tier; they follow the stars of the tiers before.
    void add_tier(star* stars, u32 n, TierRoom& room);

    SkyCells const& cells() const { return grid; }
    u32 tier_count() const { return u32(tier_peaks.size()); }
    u32 star_count() const { return starts.back(); }
    // The run of a tier's cell (the unplaced one included) is
    // first(tier, cell) .. first(tier, cell + 1) - 1, counted from the
    // first star of the first tier; first(tier, cells().unplaced() + 1) is
    // where the next tier starts.
    u32 first(u32 tier, u32 cell) const { return starts[tier * tier_cells() + cell]; }
    // The `lum` of the brightest star of a tier or of one of its cells or
    // groups; below every luminance when it holds none.
    float brightest(u32 tier, u32 cell) const { return peaks[tier * tier_cells() + cell]; }
    float brightest_in_group(u32 tier, u32 group) const {
        return group_peaks[tier * grid.group_count() + group];
    }
    float brightest_in_tier(u32 tier) const { return tier_peaks[tier]; }
    // The least and the greatest `lum` of the stars, not-a-number aside.
    float lum_low() const { return low; }
    float lum_high() const { return high; }

private:
    u32 tier_cells() const { return grid.cell_count() + 1; }

    SkyCells grid;
    std::vector<u32> starts;
    std::vector<float> peaks;
    std::vector<float> group_peaks;
    std::vector<float> tier_peaks;
    float low;
    float high;
};

// The records one pass reads from a database loaded whole and indexed (the
// header at record 0, the stars sorted by `index` after it): the header,
// then, tier by tier and cell by cell, the stars at or above the threshold
// of the cells the view may see.
class SkyPass : public StarInput {
public:
    SkyPass(star const* records, SkyIndex const& index, SkyView const& view, double lum_threshold);

    star const* next() override;
    void rewind() override;

    // How many of the database's stars lie before the next one handed out,
    // those of skipped cells and tiers included: the pass's progress.
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
