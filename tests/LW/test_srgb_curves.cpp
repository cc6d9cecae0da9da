#include "LW/srgb.h"
#include "tests/support/float_bits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// The curves as written, one powf per value: what the fast conversion must
// keep to.
float plain_to_linear(float v) {
    if (v <= 0.03928f) {
        return v * 0.07739938f;
    }
    return powf(v * 0.94786733f + 0.052132703f, 2.4f);
}

float plain_to_srgb(float v) {
    if (v <= 0.00304f) {
        return v * 12.92f;
    }
    return powf(v, 0.41666666f) * 1.055f - 0.055f;
}

// Floats in the order of their values, one apart per unit in the last place.
int64_t ordinal(float v) {
    int32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits < 0 ? -int64_t(bits & 0x7FFFFFFF) : int64_t(bits);
}

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_SANITIZER 1
#endif
#endif

// Instrumented code is several times slower; there every 7th float is
// checked, which still visits every binade and both sides of each
// breakpoint at many places.
#ifdef UNDER_SANITIZER
uint32_t const STRIDE = 7;
#else
uint32_t const STRIDE = 1;
#endif

struct Curve {
    char const* name;
    void (*convert)(float*, std::size_t);
    float (*one)(float);
    float (*plain)(float);
    float breakpoint;
    float slope; // of the straight part
};

Curve const CURVES[] = {
    {"to linear", srgb_to_linear, srgb_to_linear, plain_to_linear, 0.03928f, 0.07739938f},
    {"to sRGB", linear_to_srgb, linear_to_srgb, plain_to_srgb, 0.00304f, 12.92f},
};

// Values are checked a chunk at a time; a fixed count lets the compiler
// vectorise the loops, which keeps the test fast.
std::size_t const CHUNK = 1 << 14;
using Chunk = std::array<float, CHUNK>;

// Units in the last place between the fast results and the formula's;
// exact agreement, the common case, is found first.
int64_t worst_distance(Chunk const& fast, Chunk const& plain) {
    uint32_t differ = 0;
    for (std::size_t i = 0; i < CHUNK; i++) {
        differ |= bits_of(fast[i]) ^ bits_of(plain[i]);
    }
    int64_t worst = 0;
    for (std::size_t i = 0; differ && i < CHUNK; i++) {
        worst = std::max(worst, std::abs(ordinal(fast[i]) - ordinal(plain[i])));
    }
    return worst;
}

// Every float from 0 to 64, both breakpoints and both ends included.
TEST(SrgbCurves, EveryFloatFromZeroToSixtyFourIsWithinTwoUnitsOfTheFormula) {
    uint32_t const last = 0x42800000u; // 64
    Chunk in, fast, plain;
    for (Curve const& curve : CURVES) {
        SCOPED_TRACE(curve.name);
        int64_t worst = 0;
        float worst_from = 0;
        uint64_t checked = 0;
        for (uint32_t first = 0; first <= last; first += CHUNK * STRIDE) {
            // The last chunk repeats 64 to its end.
            for (std::size_t i = 0; i < CHUNK; i++) {
                in[i] = fast[i] = from_bits(std::min(uint32_t(first + i * STRIDE), last));
            }
            curve.convert(fast.data(), CHUNK);
            if (in[CHUNK - 1] <= curve.breakpoint) {
                for (std::size_t i = 0; i < CHUNK; i++) {
                    plain[i] = in[i] * curve.slope;
                }
            } else {
                for (std::size_t i = 0; i < CHUNK; i++) {
                    plain[i] = curve.plain(in[i]);
                }
            }
            int64_t d = worst_distance(fast, plain);
            if (d > worst) {
                worst = d;
                worst_from = in[0];
            }
            checked += std::min<uint64_t>(CHUNK, (last - first) / STRIDE + 1);
        }
        EXPECT_LE(worst, 2) << "in the values from " << worst_from;
        EXPECT_EQ(checked, uint64_t(last) / STRIDE + 1);
    }
}

// Outside 0 to 64 both curves are the formula itself: a few values at the
// extremes, and every 997th float from just above 64 to 2^24.
TEST(SrgbCurves, ValuesBeyondTheFittedRangeAreTheFormulasOwn) {
    std::vector<float> above;
    for (uint32_t bits = 0x42800001u; bits < 0x4B800000u; bits += 997) {
        above.push_back(from_bits(bits));
    }
    float const inf = std::numeric_limits<float>::infinity();
    float const values[] = {-0.0f,     -1e-30f, -0.5f, -100.0f, -inf, 1e-45f,
                            64.00001f, 100.0f,  1e30f, 3.4e38f, inf};
    for (Curve const& curve : CURVES) {
        for (float v : values) {
            float converted = v;
            curve.convert(&converted, 1);
            EXPECT_EQ(bits_of(converted), bits_of(curve.plain(v))) << curve.name << " " << v;
            EXPECT_EQ(bits_of(curve.one(v)), bits_of(curve.plain(v))) << curve.name << " " << v;
        }
        std::vector<float> converted = above;
        curve.convert(converted.data(), converted.size());
        for (std::size_t i = 0; i < above.size(); i++) {
            ASSERT_EQ(bits_of(converted[i]), bits_of(curve.plain(above[i])))
                << curve.name << " " << above[i];
        }
        float nan = std::numeric_limits<float>::quiet_NaN();
        curve.convert(&nan, 1);
        EXPECT_TRUE(std::isnan(nan)) << curve.name;
        EXPECT_TRUE(std::isnan(curve.one(nan))) << curve.name;
    }
}

// Whatever the count and wherever a value sits among its neighbours, it
// converts as on its own.
TEST(SrgbCurves, ArraysOfAnyLengthConvertEachValueAsTheSingleValueFunction) {
    std::vector<float> values;
    for (uint32_t bits = 0x3A000000u; bits < 0x42800000u; bits += 40009) {
        values.push_back(from_bits(bits));
    }
    values.push_back(0.0f);
    values.push_back(-2.0f);
    values.push_back(200.0f);
    for (Curve const& curve : CURVES) {
        for (std::size_t count :
             {std::size_t(1), std::size_t(15), std::size_t(17), std::size_t(33), values.size()}) {
            for (std::size_t start = 0; start + count <= values.size(); start += count) {
                std::vector<float> converted(values.begin() + start,
                                             values.begin() + start + count);
                curve.convert(converted.data(), count);
                for (std::size_t i = 0; i < count; i++) {
                    ASSERT_EQ(bits_of(converted[i]), bits_of(curve.one(values[start + i])))
                        << curve.name << " " << values[start + i] << " of " << count;
                }
            }
        }
    }
}

} // namespace
