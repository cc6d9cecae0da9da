#include "float_image.h"

#include "libimgops/stars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

Color3 const WHITE{1, 1, 1};

bool spot(FloatImage& img, float x, float y, float intensity, float rx, float ry,
          op_stars_lines lines = OP_STARS_ALL_LINES) {
    Vector2 p{x, y};
    return op_star_streak(img.fb, p, p, intensity, WHITE, rx, ry, lines);
}

bool streak(FloatImage& img, Vector2 p0, Vector2 p1, float intensity, float rx, float ry) {
    return op_star_streak(img.fb, p0, p1, intensity, WHITE, rx, ry, OP_STARS_ALL_LINES);
}

bool all_finite(FloatImage& img) {
    for (int y = 0; y < img.fb.height; y++) {
        for (int x = 0; x < img.fb.width; x++) {
            if (!std::isfinite(img.r(x, y)) || !std::isfinite(img.g(x, y)) ||
                !std::isfinite(img.b(x, y))) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class StarStreak : public testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(Layouts, StarStreak, testing::Values(true, false),
                         [](testing::TestParamInfo<bool> const& info) {
                             return info.param ? "Interleaved" : "Planar";
                         });

TEST_P(StarStreak, SpotPeaksAtIntensityTimesColour) {
    FloatImage img(40, 30, GetParam());
    Vector2 p{20, 15};
    EXPECT_TRUE(op_star_streak(img.fb, p, p, 2, Color3{1, 0.5f, 0.25f}, 3, 2, OP_STARS_ALL_LINES));
    EXPECT_FLOAT_EQ(img.r(20, 15), 2);
    EXPECT_FLOAT_EQ(img.g(20, 15), 1);
    EXPECT_FLOAT_EQ(img.b(20, 15), 0.5f);
    EXPECT_EQ(img.a(20, 15), 0);
    EXPECT_TRUE(img.border_untouched());
}

TEST_P(StarStreak, SpotFallsToOneOverEAtEachRadius) {
    FloatImage img(40, 30, GetParam());
    spot(img, 20, 15, 1, 3, 2);
    EXPECT_NEAR(img.r(23, 15), std::exp(-1.0), 1e-6);
    EXPECT_NEAR(img.r(17, 15), std::exp(-1.0), 1e-6);
    EXPECT_NEAR(img.r(20, 17), std::exp(-1.0), 1e-6);
    EXPECT_NEAR(img.r(20, 13), std::exp(-1.0), 1e-6);
    EXPECT_NEAR(img.r(23, 17), std::exp(-2.0), 1e-6);
}

TEST_P(StarStreak, AlphaHidesTheStarInProportion) {
    FloatImage img(20, 20, GetParam());
    img.a(10, 10) = 0.25f;
    img.a(11, 10) = 1;
    img.a(12, 10) = 1.5f;
    spot(img, 10, 10, 1, 2, 2);
    EXPECT_FLOAT_EQ(img.r(10, 10), 0.75f);
    EXPECT_EQ(img.r(11, 10), 0);
    EXPECT_EQ(img.r(12, 10), 0);
    EXPECT_EQ(img.a(10, 10), 0.25f);
    EXPECT_GT(img.r(9, 10), 0);
}

TEST_P(StarStreak, FullyCoveredFootprintReportsNoLight) {
    FloatImage img(20, 20, GetParam());
    img.fill_alpha(1);
    EXPECT_FALSE(spot(img, 10, 10, 1, 2, 2));
    EXPECT_EQ(img.total_red(), 0);
}

TEST_P(StarStreak, FieldSelectionDrawsEvenOrOddRowsOnly) {
    op_stars_lines const odd_like[] = {OP_STARS_ODD_LINES, static_cast<op_stars_lines>(5),
                                       static_cast<op_stars_lines>(-1)};
    FloatImage even(20, 20, GetParam());
    spot(even, 10, 10, 1, 2, 2, OP_STARS_EVEN_LINES);
    EXPECT_GT(even.r(10, 10), 0);
    EXPECT_EQ(even.r(10, 9), 0);
    EXPECT_EQ(even.r(10, 11), 0);
    EXPECT_GT(even.r(10, 12), 0);
    for (op_stars_lines lines : odd_like) {
        FloatImage odd(20, 20, GetParam());
        spot(odd, 10, 10, 1, 2, 2, lines);
        EXPECT_EQ(odd.r(10, 10), 0);
        EXPECT_GT(odd.r(10, 9), 0);
        EXPECT_GT(odd.r(10, 11), 0);
        EXPECT_EQ(odd.r(10, 12), 0);
    }
}

TEST_P(StarStreak, SpotsAcrossEveryEdgeStayInsideTheView) {
    float const places[][2] = {{0, 0},  {19, 0},  {0, 14},  {19, 14},      {-2, 7},
                               {21, 7}, {10, -2}, {10, 16}, {-1.5f, -1.5f}};
    for (auto const& p : places) {
        FloatImage img(20, 15, GetParam());
        EXPECT_TRUE(spot(img, p[0], p[1], 1, 2, 2)) << p[0] << "," << p[1];
        EXPECT_TRUE(img.border_untouched()) << p[0] << "," << p[1];
    }
}

TEST_P(StarStreak, StreaksAcrossEveryEdgeStayInsideTheView) {
    Vector2 const ends[][2] = {{{-30, -20}, {50, 40}},
                               {{50, -20}, {-30, 40}},
                               {{-30, 7}, {50, 7.5f}},
                               {{10, -30}, {10.2f, 50}}};
    for (auto const& e : ends) {
        FloatImage img(20, 15, GetParam());
        EXPECT_TRUE(streak(img, e[0], e[1], 5, 1.5f, 1));
        EXPECT_TRUE(img.border_untouched());
    }
}

TEST_P(StarStreak, FootprintsWhollyOutsideDrawNothing) {
    float const places[][2] = {{-20, 7}, {40, 7}, {10, -20}, {10, 40}};
    for (auto const& p : places) {
        FloatImage img(20, 15, GetParam());
        EXPECT_FALSE(spot(img, p[0], p[1], 1, 2, 2));
        EXPECT_EQ(img.total_red(), 0);
        EXPECT_TRUE(img.border_untouched());
    }
    FloatImage img(20, 15, GetParam());
    EXPECT_FALSE(streak(img, Vector2{-60, 0}, Vector2{-20, 14}, 1, 2, 2));
    EXPECT_TRUE(img.border_untouched());
}

TEST_P(StarStreak, EmptyFramebufferDrawsNothing) {
    FloatImage img(0, 0, GetParam());
    EXPECT_FALSE(spot(img, 0, 0, 1, 2, 2));
    EXPECT_TRUE(img.border_untouched());
}

TEST_P(StarStreak, SpotFootprintIsTheBoxWhereItFallsToOne6250th) {
    FloatImage img(60, 60, GetParam());
    float const I = 1, rx = 2, ry = 3;
    spot(img, 30, 30, I, rx, ry);
    double const k = std::sqrt(std::log(6250.0 * I));
    for (int y = 0; y < 60; y++) {
        for (int x = 0; x < 60; x++) {
            double dx = (x - 30) / rx, dy = (y - 30) / ry;
            if (std::fabs(dx) <= k && std::fabs(dy) <= k) {
                EXPECT_NEAR(img.r(x, y), I * std::exp(-dx * dx - dy * dy), 1e-6) << x << "," << y;
            } else if (std::fabs(dx) > k + 1 / rx || std::fabs(dy) > k + 1 / ry) {
                EXPECT_EQ(img.r(x, y), 0) << x << "," << y;
            }
        }
    }
}

TEST_P(StarStreak, IntensityBelowTheCutOffDrawsNothing) {
    FloatImage img(20, 20, GetParam());
    EXPECT_FALSE(spot(img, 10, 10, 0.9f / 6250, 2, 2));
    EXPECT_FALSE(spot(img, 10, 10, 0, 2, 2));
    EXPECT_FALSE(spot(img, 10, 10, -1, 2, 2));
    EXPECT_EQ(img.total_red(), 0);
    EXPECT_TRUE(spot(img, 10, 10, 1.1f / 6250, 2, 2));
    EXPECT_GT(img.r(10, 10), 0);
}

TEST_P(StarStreak, StreakCarriesTheLightOfOneSpot) {
    FloatImage dot(200, 200, GetParam());
    spot(dot, 100, 100, 1, 2, 1.5f);
    double const spot_light = dot.total_red();
    EXPECT_NEAR(spot_light, M_PI * 2 * 1.5, 1e-3);

    Vector2 const ends[][2] = {{{40, 50}, {160, 150}},
                               {{30, 100}, {170, 100.5f}},
                               {{100, 30}, {102, 170}},
                               {{60, 100}, {140, 100}}};
    for (auto const& e : ends) {
        FloatImage img(200, 200, GetParam());
        EXPECT_TRUE(streak(img, e[0], e[1], 1, 2, 1.5f));
        EXPECT_NEAR(img.total_red(), spot_light, spot_light * 2e-3)
            << e[0][0] << "," << e[0][1] << " - " << e[1][0] << "," << e[1][1];
    }
}

TEST_P(StarStreak, StreakIsTheSpotAveragedAlongTheSegment) {
    FloatImage img(60, 40, GetParam());
    Vector2 p0{15, 12}, p1{42, 27};
    float const I = 3, a = 2.5f, b = 1.5f;
    streak(img, p0, p1, I, a, b);
    int const probes[][2] = {{15, 12}, {28, 20}, {30, 18}, {42, 27}, {44, 28}, {20, 17}};
    for (auto const& p : probes) {
        int const steps = 20000;
        double sum = 0;
        for (int i = 0; i < steps; i++) {
            double t = (i + 0.5) / steps;
            double cx = p0[0] + t * (p1[0] - p0[0]);
            double cy = p0[1] + t * (p1[1] - p0[1]);
            double ddx = (p[0] - cx) / a, ddy = (p[1] - cy) / b;
            sum += I * std::exp(-ddx * ddx - ddy * ddy);
        }
        EXPECT_NEAR(img.r(p[0], p[1]), sum / steps, 1e-4) << p[0] << "," << p[1];
    }
}

TEST_P(StarStreak, VeryShortSegmentIsASpotAtItsMidpoint) {
    FloatImage img(20, 20, GetParam());
    streak(img, Vector2{10, 10}, Vector2{10, 10.000004f}, 1, 2, 2);
    EXPECT_NEAR(img.r(10, 10), 1, 1e-6);
    EXPECT_NEAR(img.r(12, 10), std::exp(-1.0), 1e-6);
}

TEST_P(StarStreak, EndsWithoutAFinitePositionAddNoLight) {
    float const inf = std::numeric_limits<float>::infinity();
    float const nan = std::numeric_limits<float>::quiet_NaN();
    Vector2 const bad[] = {{nan, 5}, {5, nan}, {inf, 5}, {-inf, 5}, {3e9f, 5}, {5, -1e30f}};
    for (Vector2 const& end : bad) {
        FloatImage img(20, 20, GetParam());
        EXPECT_FALSE(streak(img, Vector2{10, 10}, end, 1, 2, 2));
        EXPECT_FALSE(streak(img, end, end, 1, 2, 2));
        EXPECT_EQ(img.total_red(), 0);
    }
}

TEST_P(StarStreak, FarButFiniteEndsKeepTheFramebufferFinite) {
    FloatImage img(20, 20, GetParam());
    streak(img, Vector2{10, 10}, Vector2{9e8f, 3e8f}, 1000, 2, 2);
    streak(img, Vector2{-9e8f, 10}, Vector2{9e8f, 10.5f}, 1000, 2, 2);
    streak(img, Vector2{10, -9e8f}, Vector2{11, 9e8f}, 1000, 2, 2);
    EXPECT_TRUE(all_finite(img));
    EXPECT_TRUE(img.border_untouched());
}

TEST_P(StarStreak, DegenerateArgumentsKeepTheFramebufferFinite) {
    float const inf = std::numeric_limits<float>::infinity();
    float const nan = std::numeric_limits<float>::quiet_NaN();
    FloatImage img(20, 20, GetParam());
    EXPECT_FALSE(spot(img, 10, 10, nan, 2, 2));
    EXPECT_FALSE(spot(img, 10, 10, inf, 2, 2));
    EXPECT_FALSE(spot(img, 10, 10, 1, nan, 2));
    spot(img, 10, 10, 1, 0, 0);
    spot(img, 10, 10, 1, inf, 1e30f);
    streak(img, Vector2{5, 5}, Vector2{15, 12}, 1, 1e-30f, 1e-30f);
    streak(img, Vector2{5, 5}, Vector2{15, 12}, 1, inf, 2);
    EXPECT_TRUE(all_finite(img));
    EXPECT_TRUE(img.border_untouched());
}
