#include "tools/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

double angular_separation(double ra1, double dec1, double ra2, double dec2) {
    double const d = M_PI / 180.0;
    double const c = std::sin(dec1 * d) * std::sin(dec2 * d) +
                     std::cos(dec1 * d) * std::cos(dec2 * d) * std::cos((ra1 - ra2) * d);
    return std::acos(std::fmin(1.0, c)) / d;
}

void expect_colour_near(double bv, int r, int g, int b) {
    StarColour const c = colour_from_bv(bv);
    EXPECT_LE(std::abs(c.r - r), 2) << "B-V " << bv << " red " << int(c.r);
    EXPECT_LE(std::abs(c.g - g), 2) << "B-V " << bv << " green " << int(c.g);
    EXPECT_LE(std::abs(c.b - b), 2) << "B-V " << bv << " blue " << int(c.b);
}

} // namespace

TEST(Luminance, AStarOfMagnitudeZeroHasLuminanceOne) {
    EXPECT_DOUBLE_EQ(luminance_from_magnitude(0.0), 1.0);
}

TEST(Luminance, FiveMagnitudesAreAFactorOfAHundred) {
    EXPECT_NEAR(luminance_from_magnitude(2.5) / luminance_from_magnitude(7.5), 100.0, 1e-9);
}

TEST(Luminance, MagnitudeFromLuminanceUndoesLuminanceFromMagnitude) {
    for (double v : {-1.44, 0.03, 7.5, 12.0}) {
        EXPECT_NEAR(magnitude_from_luminance(luminance_from_magnitude(v)), v, 1e-12);
    }
}

TEST(Luminance, TheDefaultThresholdSitsAtMagnitudeSevenAndAHalf) {
    EXPECT_NEAR(luminance_from_magnitude(7.5), 0.001, 1e-12);
}

TEST(StarColourFromBv, MatchesTheReferenceBytes) {
    expect_colour_near(-0.3, 177, 198, 255);
    expect_colour_near(0.0, 204, 217, 255);
    expect_colour_near(0.65, 255, 241, 234);
    expect_colour_near(1.0, 255, 226, 198);
    expect_colour_near(1.5, 255, 206, 155);
    expect_colour_near(2.0, 255, 189, 120);
}

TEST(StarColourFromBv, ClampsColourIndicesOutsideTheFittedRange) {
    StarColour const red = colour_from_bv(2.0), redder = colour_from_bv(3.5);
    StarColour const blue = colour_from_bv(-0.4), bluer = colour_from_bv(-1.0);
    EXPECT_EQ(redder.r, red.r);
    EXPECT_EQ(redder.g, red.g);
    EXPECT_EQ(redder.b, red.b);
    EXPECT_EQ(bluer.r, blue.r);
    EXPECT_EQ(bluer.g, blue.g);
    EXPECT_EQ(bluer.b, blue.b);
}

TEST(StarColourFromBv, TheLargestChannelIsAlwaysFull) {
    for (double bv = -0.4; bv <= 2.0; bv += 0.05) {
        StarColour const c = colour_from_bv(bv);
        EXPECT_EQ(std::max({c.r, c.g, c.b}), 255) << "B-V " << bv;
    }
}

TEST(StarColourFromBv, RedderIndicesGiveCoolerTemperatures) {
    for (double bv = -0.4; bv < 2.0; bv += 0.1) {
        EXPECT_GT(temperature_from_bv(bv), temperature_from_bv(bv + 0.1)) << "B-V " << bv;
    }
    EXPECT_NEAR(temperature_from_bv(0.65), 5800, 100); // the Sun
}

TEST(Distance, IsTheInverseOfTheParallax) {
    EXPECT_DOUBLE_EQ(distance_from_parallax(379.2), 1000.0 / 379.2);
    EXPECT_DOUBLE_EQ(distance_from_parallax(1000.0), 1.0);
}

TEST(Distance, IsZeroForAParallaxThatIsNotPositive) {
    EXPECT_EQ(distance_from_parallax(0.0), 0.0);
    EXPECT_EQ(distance_from_parallax(-1.2), 0.0);
}

TEST(ProperMotion, MovesAStarByItsTotalMotionAlongTheSky) {
    // 61 Cyg A: one of the fastest stars on the sky.
    double ra = 316.72479, dec = 38.74942;
    propagate_position(ra, dec, 4155.1, 3258.9, 100.0);
    double const total = std::hypot(4155.1, 3258.9) * 100.0 / 3.6e6;
    EXPECT_NEAR(angular_separation(316.72479, 38.74942, ra, dec), total, 1e-9);
    // Roughly the motion in each coordinate; the great circle bends away from
    // a line of constant declination.
    EXPECT_NEAR(dec - 38.74942, 3258.9 * 100.0 / 3.6e6, 1e-3);
    EXPECT_NEAR(ra - 316.72479, 4155.1 * 100.0 / 3.6e6 / std::cos(38.74942 * M_PI / 180), 1e-3);
}

TEST(ProperMotion, NoTimeOrNoMotionLeavesTheStarWhereItIs) {
    double ra = 269.45402305, dec = 4.66828815;
    propagate_position(ra, dec, -797.84, 10326.93, 0.0);
    propagate_position(ra, dec, 0.0, 0.0, 100.0);
    EXPECT_EQ(ra, 269.45402305);
    EXPECT_EQ(dec, 4.66828815);
}

TEST(ProperMotion, AStarCrossingThePoleStaysOnTheSphere) {
    double ra = 37.95, dec = 89.99;
    propagate_position(ra, dec, 0.0, 1e6, 100.0); // 27.8 degrees northward
    EXPECT_LE(dec, 90.0);
    EXPECT_GE(ra, 0.0);
    EXPECT_LT(ra, 360.0);
    EXPECT_NEAR(dec, 90.0 - (1e6 * 100.0 / 3.6e6 - 0.01), 1e-9);
    EXPECT_NEAR(ra, 217.95, 1e-9); // across the pole, on the opposite meridian
}

TEST(ProperMotion, KeepsRightAscensionWithinOneTurn) {
    double ra = 359.9999, dec = 0.0;
    propagate_position(ra, dec, 3600.0, 0.0, 1.0); // 0.001 degree eastward
    EXPECT_NEAR(ra, 0.0009, 1e-9);
}
