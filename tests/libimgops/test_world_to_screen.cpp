#include "libimgops/stars.h"

#include "base/xception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

// A 200 x 100 framebuffer over the window [-2, 2] x [-1, 1]: 50 pixels per
// projected unit, the projected origin at pixel (100, 50).
class WorldToScreen : public testing::Test {
protected:
    bool project(double ra, double dec, op_stars_projection projection, double zoom = 1,
                 double dist = -1, double parallax = 0) {
        DblMatrix4 m = projection == OP_STARS_PERSPECTIVE ? DblMatrix4::perspective(zoom, 1, -1)
                                                          : DblMatrix4::the_identity();
        m(3, 0) = camera_x_offset;
        return world_to_screen(ra, dec, dist, parallax, m, projection, 200, 100, -2, 2, -1, 1, out);
    }

    // Projected-plane coordinates of the last result.
    double px() const { return (out[0] - 100) / 50.0; }
    double py() const { return (50 - out[1]) / 50.0; }
    bool out_finite() const { return std::isfinite(out[0]) && std::isfinite(out[1]); }

    double camera_x_offset = 0;
    Vector2 out{};
};

TEST_F(WorldToScreen, EachProjectionPlacesStarsInFrontByTheirAngleOffAxisAndHidesThoseBehind) {
    double const rad = M_PI / 180;
    struct Case {
        op_stars_projection projection;
        double zoom, ra, dec, x, y;
    } const cases[] = {
        {OP_STARS_PERSPECTIVE, 2, 60, 0, 2 / std::tan(60 * rad), 0},
        {OP_STARS_PERSPECTIVE, 0.5, 90, -20, 0, -0.5 * std::tan(20 * rad)},
        {OP_STARS_HEMISPHERICAL, 1, 90, 30, 0, 0.5},
        {OP_STARS_HEMISPHERICAL, 1, 60, 0, std::sin(30 * rad), 0},
        {OP_STARS_HEMISPHERICAL, 1, 0, 0, 1, 0},
        {OP_STARS_AZIMUTHAL_EQUIDISTANT, 1, 90, 0, 0, 0},
        {OP_STARS_AZIMUTHAL_EQUIDISTANT, 1, 90, -45, 0, -0.5},
        {OP_STARS_AZIMUTHAL_EQUIDISTANT, 1, 0, 0, 1, 0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.projection << " at " << c.ra << "," << c.dec);
        EXPECT_TRUE(project(c.ra, c.dec, c.projection, c.zoom));
        EXPECT_NEAR(px(), c.x, 1e-5);
        EXPECT_NEAR(py(), c.y, 1e-5);
        // The opposite direction is behind the camera, unless both are on the rim.
        EXPECT_TRUE(c.ra == 0 || !project(c.ra + 180, -c.dec, c.projection, c.zoom));
    }
}

TEST_F(WorldToScreen, PositionsWithoutAFiniteValueAreClampedAndNotInView) {
    // Exactly and almost 90 degrees off a perspective axis, then a window of
    // no width.
    EXPECT_FALSE(project(0, 0, OP_STARS_PERSPECTIVE));
    EXPECT_TRUE(out_finite());
    EXPECT_GE(std::fabs(out[0]), POSITION_LIMIT);
    EXPECT_FALSE(project(1e-7, 0, OP_STARS_PERSPECTIVE));
    EXPECT_TRUE(out_finite());
    EXPECT_FALSE(world_to_screen(90, 0, -1, 0, DblMatrix4::the_identity(), OP_STARS_HEMISPHERICAL,
                                 200, 100, 1, 1, -1, 1, out));
    EXPECT_TRUE(out_finite());
}

TEST_F(WorldToScreen, AzimuthalEdgeOfTheHemisphereNeverYieldsNaN) {
    // A matrix that flattens every direction onto z = 0, where rounding often
    // leaves the normalised radius a hair above 1.
    DblMatrix4 flat = DblMatrix4::the_identity();
    flat(2, 2) = 0;
    for (int i = 0; i < 360 * 36; i++) {
        double const ra = i % 36 * 10 + 0.37, dec = i / 36 + 0.0123;
        ASSERT_TRUE(world_to_screen(ra, dec, -1, 0, flat, OP_STARS_AZIMUTHAL_EQUIDISTANT, 200, 100,
                                    -2, 2, -1, 1, out));
        ASSERT_NEAR(std::hypot(px(), py()), 1, 1e-6) << ra << "," << dec;
    }
}

TEST_F(WorldToScreen, DistanceAndParallaxMoveOnlyNearStars) {
    // From one unit right a star ahead at distance d is 1/d left; parallax p
    // moves it to 1/(1/d - p/100), or to infinity once that is not positive.
    camera_x_offset = -1;
    struct Case {
        double dist, parallax, x;
    } const cases[] = {{-1, 0, 0},     {0, 0, 0},  {-5, 0, 0},  {10, 0, -0.1},
                       {10, 2, -0.08}, {50, 2, 0}, {200, 2, 0}, {-1, -10, -0.1}};
    for (Case const& c : cases) {
        project(90, 0, OP_STARS_PERSPECTIVE, 1, c.dist, c.parallax);
        EXPECT_NEAR(px(), c.x, 1e-6) << "distance " << c.dist << " parallax " << c.parallax;
    }
}

TEST_F(WorldToScreen, UnknownProjectionIsRefused) {
    EXPECT_THAT([&] { project(90, 0, static_cast<op_stars_projection>(3)); },
                testing::Throws<StrXception>(testing::Property(
                    &StrXception::message,
                    testing::StrEq("unknown projection in <bool world_to_screen(double, double, "
                                   "double, double, DblMatrix4, enum op_stars_projection, int, "
                                   "int, double, double, double, double, Vector2 &)> "
                                   "(libimgops/stars:293)"))));
}
