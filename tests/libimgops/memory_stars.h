#pragma once

#include "libimgops/stars.h"

#include <cstring>
#include <vector>

// A star database held in memory: a header with the given magic (zero-padded
// to eight bytes, the rest of the record non-zero), then the stars.
class MemoryStars : public StarInput {
public:
    explicit MemoryStars(char const* magic, std::vector<star> const& stars = {}) : records(stars) {
        star header;
        std::memset(&header, 0x5a, sizeof header);
        std::strncpy(reinterpret_cast<char*>(&header), magic, 8);
        records.insert(records.begin(), header);
        count = static_cast<u32>(records.size());
    }

    star const* next() override { return &records.at(cursor++); }
    void rewind() override { cursor = 0; }

    std::vector<star> records;
    size_t cursor = 0;
};

inline star make_star(double ra, double dec, float lum, uint8_t r = 255, uint8_t g = 255,
                      uint8_t b = 255, double dist = 0) {
    return star{ra, dec, lum, r, g, b, 0, dist};
}
