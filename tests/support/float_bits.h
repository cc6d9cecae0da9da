#pragma once

#include <cstdint>
#include <cstring>

// A float's bit pattern and back, for tests that compare values to the bit
// (a NaN equals itself, a negative zero differs from zero) or walk through
// every float of a range.
inline uint32_t bits_of(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

inline float from_bits(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
