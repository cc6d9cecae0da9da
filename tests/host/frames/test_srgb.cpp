#include "host/frames/srgb.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct CurvePoint {
    float encoded;
    float linear;
};

// Published values of the sRGB curve: the ends, mid-grey both ways, 18% grey,
// the knee where the linear segment meets the power, and a point inside the
// linear segment.
CurvePoint const CURVE[] = {
    {0.0f, 0.0f},        {1.0f, 1.0f},           {0.5f, 0.2140411f}, {0.7353570f, 0.5f},
    {0.4613561f, 0.18f}, {0.04045f, 0.0031308f}, {0.01292f, 0.001f}, {128.0f / 255.0f, 0.2158605f},
};

TEST(SrgbCurve, DecodesAndEncodesPublishedValues) {
    for (CurvePoint const& point : CURVE) {
        SCOPED_TRACE(point.encoded);
        EXPECT_NEAR(iec_srgb_to_linear(point.encoded), point.linear, 2e-7);
        EXPECT_NEAR(iec_linear_to_srgb(point.linear), point.encoded, 2e-7);
    }
}

TEST(SrgbCurve, EveryIntegerSampleSurvivesDecodeAndEncode) {
    for (unsigned max : {255u, 65535u}) {
        std::vector<float> decode = srgb_decode_table(max);
        ASSERT_EQ(decode.size(), max + 1);
        for (unsigned i = 0; i <= max; ++i) {
            ASSERT_EQ(srgb_sample(decode[i], max), i) << "max " << max;
        }
    }
}

struct Quantised {
    float value;
    unsigned max;
    unsigned srgb;
    unsigned linear;
};

// Out-of-range values clamp; NaN gives 0; halves round up.
Quantised const QUANTISED[] = {
    {std::numeric_limits<float>::quiet_NaN(), 255, 0, 0},
    {-0.5f, 255, 0, 0},
    {2.0f, 255, 255, 255},
    {std::numeric_limits<float>::infinity(), 65535, 65535, 65535},
    {0.18f, 255, 118, 46},
    {0.5f, 255, 188, 128},
    {0.5f, 65535, 48192, 32768},
};

TEST(SrgbCurve, QuantisesToTheNearestSampleWithinRange) {
    for (Quantised const& q : QUANTISED) {
        SCOPED_TRACE(q.value);
        EXPECT_EQ(srgb_sample(q.value, q.max), q.srgb);
        EXPECT_EQ(linear_sample(q.value, q.max), q.linear);
    }
}

} // namespace
