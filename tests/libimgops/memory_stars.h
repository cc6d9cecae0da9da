#pragma once

#include "libimgops/stars.h"

#include <cstring>
#include <vector>

// A star database held in memory: a header with the given magic, then the
// stars. Counts the records handed out.
class MemoryStars : public StarInput {
public:
    explicit MemoryStars(char const* magic, std::vector<star> const& stars = {}) {
        star header{};
        std::memcpy(&header, magic, std::strlen(magic) < 8 ? std::strlen(magic) : 8);
        records.push_back(header);
        records.insert(records.end(), stars.begin(), stars.end());
        count = static_cast<u32>(records.size());
    }

    star const* next() override {
        reads++;
        return &records.at(cursor++);
    }
    void rewind() override { cursor = 0; }

    std::vector<star> records;
    size_t cursor = 0;
    int reads = 0;
};

inline star make_star(double ra, double dec, float lum, uint8_t r = 255, uint8_t g = 255,
                      uint8_t b = 255, double dist = 0) {
    star s{};
    s.ra = ra;
    s.dec = dec;
    s.lum = lum;
    s.r = r;
    s.g = g;
    s.b = b;
    s.dist = dist;
    return s;
}
