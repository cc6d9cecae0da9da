#pragma once

#include <cstdint>
#include <vector>

// Where a framebuffer has been drawn into: for each row, which blocks of
// DRAWN_BLOCK columns the spots and streaks reached, so that whoever takes
// the light back out need look only there. Noted from each footprint's box,
// not pixel by pixel: a block that took light is always noted, a noted one
// may have taken none. Every pass and renderer that draws into the
// framebuffer adds to the same notes until they are forgotten.
class DrawnBlocks {
public:
    static int const SHIFT = 4;
    static int const DRAWN_BLOCK = 1 << SHIFT;

    // Nothing noted. Throws std::bad_alloc when memory is short.
    DrawnBlocks(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Notes the blocks of row y that hold columns first to last (inclusive),
    // which lie within the framebuffer.
    void note(int y, int first, int last);
    // Whether the block that holds column x of row y is noted.
    bool drawn(int y, int x) const {
        int const block = x >> SHIFT;
        return (bits_[row_at(y) + std::size_t(block >> 6)] >> (block & 63)) & 1;
    }
    void forget();

private:
    std::size_t row_at(int y) const { return std::size_t(y) * std::size_t(words_); }

    int width_;
    int height_;
    int words_; // a row's 64-block words
    std::vector<uint64_t> bits_;
};
