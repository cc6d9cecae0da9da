#include "tools/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

TEST(StarColourFromBv, MatchesTheReferenceBytesAndClampsOutsideTheFittedRange) {
    struct Case {
        double bv;
        int r, g, b;
    } const cases[] = {{-0.3, 177, 198, 255}, {0.0, 204, 217, 255}, {0.65, 255, 241, 234},
                       {1.0, 255, 226, 198},  {1.5, 255, 206, 155}, {2.0, 255, 189, 120},
                       {3.5, 255, 189, 120},  {-1.0, 171, 193, 255}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.bv);
        StarColour const colour = colour_from_bv(c.bv);
        EXPECT_LE(std::abs(colour.r - c.r), 2) << int(colour.r);
        EXPECT_LE(std::abs(colour.g - c.g), 2) << int(colour.g);
        EXPECT_LE(std::abs(colour.b - c.b), 2) << int(colour.b);
    }
}

// A database stores luminance as a float, which overflows beyond V = -96.
TEST(LuminanceFromMagnitude, FitsAFloatForEveryMagnitude) {
    EXPECT_DOUBLE_EQ(luminance_from_magnitude(0.0), 1.0);
    EXPECT_DOUBLE_EQ(luminance_from_magnitude(-5.0), 100.0);
    EXPECT_NEAR(magnitude_from_luminance(luminance_from_magnitude(-1.44)), -1.44, 1e-12);
    for (double v : {MIN_MAGNITUDE, MAX_MAGNITUDE, -99.9, -200.0, -1e308, 1e308}) {
        SCOPED_TRACE(v);
        float const lum = static_cast<float>(luminance_from_magnitude(v));
        EXPECT_TRUE(std::isfinite(lum));
        EXPECT_GT(lum, 0.0f);
    }
    EXPECT_DOUBLE_EQ(luminance_from_magnitude(-200.0), luminance_from_magnitude(MIN_MAGNITUDE));
}

TEST(ProperMotion, MovesAStarAlongTheGreatCircleStayingOnTheSphere) {
    // 61 Cyg A, one of the fastest stars, over a century.
    double const ra0 = 316.72479, dec0 = 38.74942, d = M_PI / 180.0;
    double ra = ra0, dec = dec0;
    propagate_position(ra, dec, 4155.1, 3258.9, 100.0);
    double const separation =
        std::acos(std::sin(dec0 * d) * std::sin(dec * d) +
                  std::cos(dec0 * d) * std::cos(dec * d) * std::cos((ra - ra0) * d)) /
        d;
    EXPECT_NEAR(separation, std::hypot(4155.1, 3258.9) * 100.0 / 3.6e6, 1e-9);
    EXPECT_NEAR(dec - dec0, 3258.9 * 100.0 / 3.6e6, 1e-3);
    // 27.8 degrees northward from near the pole comes down the opposite meridian.
    ra = 37.95, dec = 89.99;
    propagate_position(ra, dec, 0.0, 1e6, 100.0);
    EXPECT_NEAR(dec, 90.0 - (1e6 * 100.0 / 3.6e6 - 0.01), 1e-9);
    EXPECT_NEAR(ra, 217.95, 1e-9);
    ra = 359.9999, dec = 0.0;
    propagate_position(ra, dec, 3600.0, 0.0, 1.0); // 0.001 degree eastward, past 360
    EXPECT_NEAR(ra, 0.0009, 1e-9);
}
