#pragma once

#include "libimgops/sky_cells.h"
#include "libimgops/sky_view.h"
#include "libimgops/stars.h"

#include <vector>

// The stars of a database sorted in place by their cell of the sky and,
// within a cell, brightest first, with where each cell's run of stars
// starts: a pass visits only the cells it can see, and of each only the
// stars at or above its threshold.
class SkyIndex {
public:
    // Sorts stars[0 .. count - 1] in place.
    SkyIndex(star* stars, u32 count);

    SkyCells const& cells() const { return grid; }
    // The run of a cell (the unplaced one included) is
    // first(cell) .. first(cell + 1) - 1.
    u32 first(u32 cell) const { return starts[cell]; }
    // The `lum` of a cell's brightest star; below every luminance when the
    // cell holds none.
    float brightest(u32 cell) const { return peaks[cell]; }
    float brightest_in_group(u32 group) const { return group_peaks[group]; }
    // The least and the greatest `lum` of the stars, not-a-number aside.
    float lum_low() const { return low; }
    float lum_high() const { return high; }

private:
    void sort_by_cell(star* stars, u32 count);

    SkyCells grid;
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
    void add_cell(SkyIndex const& index, u32 cell, double lum_threshold);

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
