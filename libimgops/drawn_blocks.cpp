#include "libimgops/drawn_blocks.h"

#include "base/xception.h"

#include <algorithm>

namespace {

char const* const UNIT = "libimgops/drawn_blocks";
char const* const NOTE = "void DrawnBlocks::note(int, int, int)";

int const BLOCKS_PER_WORD = 64;

} // namespace

DrawnBlocks::DrawnBlocks(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      words_(((width_ + DRAWN_BLOCK - 1) / DRAWN_BLOCK + BLOCKS_PER_WORD - 1) / BLOCKS_PER_WORD),
      bits_(std::size_t(words_) * std::size_t(height_)) {}

void DrawnBlocks::note(int y, int first, int last) {
    XASSERT(y >= 0 && y < height_ && first >= 0 && first <= last && last < width_, UNIT, NOTE,
            __LINE__);
    uint64_t* const row = bits_.data() + row_at(y);
    int const from = first >> SHIFT;
    int const to = last >> SHIFT;
    for (int word = from / BLOCKS_PER_WORD; word <= to / BLOCKS_PER_WORD; word++) {
        int const low = std::max(from - word * BLOCKS_PER_WORD, 0);
        int const high = std::min(to - word * BLOCKS_PER_WORD, BLOCKS_PER_WORD - 1);
        row[word] |= (~uint64_t(0) >> (BLOCKS_PER_WORD - 1 - (high - low))) << low;
    }
}

void DrawnBlocks::forget() {
    std::fill(bits_.begin(), bits_.end(), uint64_t(0));
}
