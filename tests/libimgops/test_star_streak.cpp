#include "float_image.h"

#include "libimgops/stars.h"

#include <gtest/gtest.h>

#include <cmath>

class StarStreak : public testing::Test {
protected:
    bool streak(Vector2 p0, Vector2 p1, float intensity, float rx, float ry,
                op_stars_lines lines = OP_STARS_ALL_LINES) {
        return op_star_streak(img.fb, p0, p1, intensity, Color3{1, 1, 1}, rx, ry, lines);
    }
    bool spot(float x, float y, float intensity, float rx, float ry,
              op_stars_lines lines = OP_STARS_ALL_LINES) {
        return streak(Vector2{x, y}, Vector2{x, y}, intensity, rx, ry, lines);
    }

    FloatImage img{20, 15};
};

TEST_F(StarStreak, AlphaHidesTheStarInProportion) {
    img.a(10, 7) = 0.25f;
    img.a(11, 7) = 1;
    img.a(12, 7) = 1.5f;
    EXPECT_TRUE(spot(10, 7, 1, 2, 2));
    EXPECT_FLOAT_EQ(img.r(10, 7), 0.75f);
    EXPECT_EQ(img.r(11, 7), 0);
    EXPECT_EQ(img.r(12, 7), 0);
    EXPECT_EQ(img.a(10, 7), 0.25f);
    img.each_pixel([&](int x, int y) { img.a(x, y) = 1; });
    EXPECT_FALSE(spot(3, 3, 1, 2, 2)) << "a wholly covered footprint adds no light";
}

TEST_F(StarStreak, FieldSelectionDrawsEvenOrOddRowsOnly) {
    for (auto lines :
         {OP_STARS_EVEN_LINES, OP_STARS_ODD_LINES, op_stars_lines(5), op_stars_lines(-1)}) {
        img = FloatImage(20, 20);
        spot(10, 10, 1, 2, 2, lines);
        for (int y = 8; y <= 12; y++) {
            EXPECT_EQ(img.r(10, y) > 0, (y % 2 == 0) == (lines == OP_STARS_EVEN_LINES))
                << lines << " row " << y;
        }
    }
}

TEST_F(StarStreak, FootprintsAreClippedAtEveryEdgeOfTheView) {
    // Spots on and beyond each edge and corner and streaks across the view
    // (the first ten), then footprints wholly outside it.
    Vector2 const ends[][2] = {
        {{0, 0}, {0, 0}},         {{19, 14}, {19, 14}},   {{-2, 7}, {-2, 7}},
        {{21, 7}, {21, 7}},       {{10, -2}, {10, -2}},   {{10, 16}, {10, 16}},
        {{-30, -20}, {50, 40}},   {{50, -20}, {-30, 40}}, {{-30, 7}, {50, 7.5f}},
        {{10, -30}, {10.2f, 50}}, {{-20, 7}, {-20, 7}},   {{40, 7}, {40, 7}},
        {{10, -20}, {10, -20}},   {{10, 40}, {10, 40}},   {{-60, 0}, {-20, 14}}};
    for (int i = 0; i < 15; i++) {
        img = FloatImage(20, 15);
        bool const reaches_view = i < 10;
        EXPECT_EQ(streak(ends[i][0], ends[i][1], 5, 2, 1.5f), reaches_view) << "case " << i;
        EXPECT_EQ(img.total_light() > 0, reaches_view) << "case " << i;
        EXPECT_TRUE(img.border_untouched()) << "case " << i;
    }
    img = FloatImage(0, 0);
    EXPECT_FALSE(spot(0, 0, 1, 2, 2));
    EXPECT_TRUE(img.border_untouched());
}

TEST_F(StarStreak, SpotIsAGaussianCutWhereItFallsToOne6250thOfThePeak) {
    img = FloatImage(60, 60, false);
    float const I = 2, rx = 2, ry = 3;
    EXPECT_TRUE(spot(30, 30, I, rx, ry));
    double const k = std::sqrt(std::log(6250.0 * I));
    img.each_pixel([&](int x, int y) {
        double dx = (x - 30) / rx, dy = (y - 30) / ry;
        if (std::fabs(dx) <= k && std::fabs(dy) <= k) {
            EXPECT_NEAR(img.r(x, y), I * std::exp(-dx * dx - dy * dy), 1e-6) << x << "," << y;
        } else if (std::fabs(dx) > k + 1 / rx || std::fabs(dy) > k + 1 / ry) {
            EXPECT_EQ(img.r(x, y), 0) << x << "," << y;
        }
    });
    EXPECT_TRUE(img.border_untouched());
    // A peak below the cut-off has no footprint at all.
    img = FloatImage(20, 15);
    for (float dim : {0.9f / 6250, 0.0f, -1.0f}) {
        EXPECT_FALSE(spot(10, 7, dim, 2, 2)) << dim;
    }
    EXPECT_EQ(img.total_light(), 0);
    EXPECT_TRUE(spot(10, 7, 1.1f / 6250, 2, 2));
}

TEST_F(StarStreak, NonFiniteArgumentsDrawNothingAndExtremeOnesKeepTheFramebufferFinite) {
    float const inf = INFINITY, nan = NAN;
    for (Vector2 end : {Vector2{nan, 5}, {5, nan}, {inf, 5}, {-inf, 5}, {3e9f, 5}, {5, -1e30f}}) {
        EXPECT_FALSE(streak(Vector2{10, 7}, end, 1, 2, 2)) << end[0] << "," << end[1];
        EXPECT_FALSE(streak(end, end, 1, 2, 2)) << end[0] << "," << end[1];
    }
    EXPECT_FALSE(spot(10, 7, nan, 2, 2));
    EXPECT_FALSE(spot(10, 7, inf, 2, 2));
    EXPECT_FALSE(spot(10, 7, 1, nan, 2));
    EXPECT_EQ(img.total_light(), 0);
    spot(10, 7, 1, inf, 0);
    streak(Vector2{5, 5}, Vector2{15, 12}, 1, 1e-30f, inf);
    streak(Vector2{10, 7}, Vector2{9e8f, 3e8f}, 1000, 2, 2);
    streak(Vector2{-9e8f, 7}, Vector2{9e8f, 7.5f}, 1000, 2, 2);
    EXPECT_TRUE(std::isfinite(img.total_light()));
    EXPECT_TRUE(img.border_untouched());
}
