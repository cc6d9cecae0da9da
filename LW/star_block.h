#pragma once

#include "libimgops/stars.h"

#include <cstddef>

// Star records in one block from malloc, grown with realloc: the C library
// moves a large block by remapping its pages rather than copying them, so
// that growing it while a database loads needs little more memory than
// the records themselves.
class StarBlock {
public:
    StarBlock() = default;
    StarBlock(StarBlock const&) = delete;
    StarBlock& operator=(StarBlock const&) = delete;
    ~StarBlock();

    // Makes the block exactly `n` records long, keeping the first ones.
    // Throws StrXception when memory runs out; the block is then unchanged.
    void resize(std::size_t n);

    std::size_t len() const { return size; }
    star* data() { return records; }
    star const* data() const { return records; }
    star& operator[](std::size_t i) { return records[i]; }
    star const& operator[](std::size_t i) const { return records[i]; }

private:
    star* records = nullptr;
    std::size_t size = 0;
};
