#include "libimgops/stars.h"

#include "base/xception.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

op_stars_projection const ALL_PROJECTIONS[] = {OP_STARS_PERSPECTIVE, OP_STARS_HEMISPHERICAL,
                                               OP_STARS_AZIMUTHAL_EQUIDISTANT};
op_stars_projection const FISHEYES[] = {OP_STARS_HEMISPHERICAL, OP_STARS_AZIMUTHAL_EQUIDISTANT};

double deg(double radians) {
    return radians * 180 / M_PI;
}

} // namespace

// A 200 x 100 framebuffer over the window [-2, 2] x [-1, 1]: 50 pixels per
// projected unit, the projected origin at pixel (100, 50).
class WorldToScreen : public testing::Test {
protected:
    bool project(double ra, double dec, op_stars_projection projection, DblMatrix4 const& m,
                 double dist = -1, double parallax = 0) {
        return world_to_screen(ra, dec, dist, parallax, m, projection, 200, 100, -2, 2, -1, 1, out);
    }

    // Projected-plane coordinates of the last result.
    double px() const { return (out[0] - 100) / 50.0; }
    double py() const { return (50 - out[1]) / 50.0; }
    double radius() const { return std::hypot(px(), py()); }

    DblMatrix4 lens(double zoom) const { return DblMatrix4::perspective(zoom, 1, -1); }

    DblMatrix4 const& identity = DblMatrix4::the_identity();
    Vector2 out{};
};

TEST_F(WorldToScreen, StarOnTheAxisLandsOnTheWindowOrigin) {
    for (op_stars_projection projection : ALL_PROJECTIONS) {
        DblMatrix4 m = projection == OP_STARS_PERSPECTIVE ? lens(1) : identity;
        EXPECT_TRUE(project(90, 0, projection, m)) << projection;
        EXPECT_NEAR(out[0], 100, 1e-4);
        EXPECT_NEAR(out[1], 50, 1e-4);
    }
}

TEST_F(WorldToScreen, DeclinationPointsUpTheImage) {
    EXPECT_TRUE(project(90, 30, OP_STARS_HEMISPHERICAL, identity));
    EXPECT_NEAR(px(), 0, 1e-6);
    EXPECT_NEAR(py(), 0.5, 1e-6);
    EXPECT_LT(out[1], 50);
}

TEST_F(WorldToScreen, PerspectivePlacesStarsAtZoomTimesTangent) {
    EXPECT_TRUE(project(60, 0, OP_STARS_PERSPECTIVE, lens(2)));
    EXPECT_NEAR(px(), 2 / std::tan(60 * M_PI / 180), 1e-5);
    EXPECT_NEAR(py(), 0, 1e-6);
    EXPECT_TRUE(project(90, -20, OP_STARS_PERSPECTIVE, lens(0.5)));
    EXPECT_NEAR(py(), -0.5 * std::tan(20 * M_PI / 180), 1e-5);
}

TEST_F(WorldToScreen, HemisphericalRadiusIsTheSineOfTheAngleOffAxis) {
    EXPECT_TRUE(project(60, 0, OP_STARS_HEMISPHERICAL, identity));
    EXPECT_NEAR(radius(), std::sin(30 * M_PI / 180), 1e-6);
}

TEST_F(WorldToScreen, AzimuthalRadiusGrowsWithTheAngleOffAxis) {
    for (double off : {10.0, 45.0, 80.0}) {
        EXPECT_TRUE(project(90 - off, 0, OP_STARS_AZIMUTHAL_EQUIDISTANT, identity));
        EXPECT_NEAR(radius(), off / 90, 1e-6) << off;
    }
}

TEST_F(WorldToScreen, FisheyesPutNinetyDegreesOffAxisOnTheUnitCircle) {
    for (op_stars_projection projection : FISHEYES) {
        EXPECT_TRUE(project(0, 0, projection, identity)) << projection;
        EXPECT_NEAR(px(), 1, 1e-6);
        EXPECT_NEAR(py(), 0, 1e-6);
    }
}

TEST_F(WorldToScreen, AzimuthalEdgeOfTheHemisphereNeverYieldsNaN) {
    // A matrix that flattens every direction onto z = 0, where rounding often
    // leaves the normalised radius a hair above 1.
    DblMatrix4 flat = identity;
    flat(2, 2) = 0;
    for (int i = 0; i < 360; i++) {
        for (int j = 0; j < 36; j++) {
            double dec = i + 0.0123, ra = j * 10 + 0.37;
            ASSERT_TRUE(project(ra, dec, OP_STARS_AZIMUTHAL_EQUIDISTANT, flat)) << ra << "," << dec;
            ASSERT_NEAR(radius(), 1, 1e-6) << ra << "," << dec;
        }
    }
}

TEST_F(WorldToScreen, StarsBehindTheCameraAreNotInView) {
    for (op_stars_projection projection : ALL_PROJECTIONS) {
        DblMatrix4 m = projection == OP_STARS_PERSPECTIVE ? lens(1) : identity;
        EXPECT_FALSE(project(270, 0, projection, m)) << projection;
        EXPECT_FALSE(project(200, 10, projection, m)) << projection;
    }
}

TEST_F(WorldToScreen, PerspectiveStarBesideTheEyeHasNoPosition) {
    EXPECT_FALSE(project(0, 0, OP_STARS_PERSPECTIVE, lens(1)));
    EXPECT_TRUE(std::isfinite(out[0]) && std::isfinite(out[1]));
    EXPECT_GE(std::fabs(out[0]), POSITION_LIMIT);
}

TEST_F(WorldToScreen, PerspectiveStarAlmostBesideTheEyeIsNotInView) {
    EXPECT_FALSE(project(1e-7, 0, OP_STARS_PERSPECTIVE, lens(1)));
    EXPECT_TRUE(std::isfinite(out[0]) && std::isfinite(out[1]));
    EXPECT_TRUE(project(5, 0, OP_STARS_PERSPECTIVE, lens(1)));
}

TEST_F(WorldToScreen, NearDistancesAndInfinityShareOnlyTheDirection) {
    // A camera one unit to the right of the origin (world-to-camera moves
    // points one unit left).
    DblMatrix4 m = lens(1);
    m(3, 0) = -1;
    project(90, 0, OP_STARS_PERSPECTIVE, m);
    double at_infinity = px();
    EXPECT_NEAR(at_infinity, 0, 1e-6);
    project(90, 0, OP_STARS_PERSPECTIVE, m, 10);
    EXPECT_NEAR(px(), -0.1, 1e-6);
    project(90, 0, OP_STARS_PERSPECTIVE, m, 0);
    EXPECT_EQ(px(), at_infinity);
    project(90, 0, OP_STARS_PERSPECTIVE, m, -5);
    EXPECT_EQ(px(), at_infinity);
}

TEST_F(WorldToScreen, ParallaxCrushSendsFarStarsToInfinity) {
    DblMatrix4 m = lens(1);
    m(3, 0) = -1;
    project(90, 0, OP_STARS_PERSPECTIVE, m);
    double at_infinity = px();
    project(90, 0, OP_STARS_PERSPECTIVE, m, 50, 2);
    EXPECT_EQ(px(), at_infinity);
    project(90, 0, OP_STARS_PERSPECTIVE, m, 200, 2);
    EXPECT_EQ(px(), at_infinity);
    project(90, 0, OP_STARS_PERSPECTIVE, m, 10, 2);
    EXPECT_NEAR(px(), -0.08, 1e-6);
}

TEST_F(WorldToScreen, NegativeParallaxPlacesEveryStarAtOneDistance) {
    DblMatrix4 m = lens(1);
    m(3, 0) = -1;
    project(90, 0, OP_STARS_PERSPECTIVE, m, -1, -10);
    EXPECT_NEAR(px(), -0.1, 1e-6);
}

TEST_F(WorldToScreen, UnknownProjectionIsRefused) {
    try {
        project(90, 0, static_cast<op_stars_projection>(3), identity);
        FAIL() << "no exception";
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(),
                     "unknown projection in <bool world_to_screen(double, double, double, double, "
                     "DblMatrix4, enum op_stars_projection, int, int, double, double, double, "
                     "double, Vector2 &)> (libimgops/stars:293)");
    }
    EXPECT_THROW(project(90, 0, static_cast<op_stars_projection>(-1), identity), StrXception);
}

TEST_F(WorldToScreen, DegenerateWindowGivesNoPosition) {
    EXPECT_FALSE(world_to_screen(90, 0, -1, 0, identity, OP_STARS_HEMISPHERICAL, 200, 100, 1, 1, -1,
                                 1, out));
    EXPECT_TRUE(std::isfinite(out[0]));
}

TEST_F(WorldToScreen, CameraRotationMovesTheStar) {
    double const heading[] = {10 * M_PI / 180, 0, 0};
    // The camera turned right by 10 degrees sees a star on the old axis 10
    // degrees to the left; world-to-camera is the inverse rotation.
    DblMatrix4 m = DblMatrix4::from_euler_angles(heading).inverse();
    EXPECT_TRUE(project(90, 0, OP_STARS_AZIMUTHAL_EQUIDISTANT, m));
    EXPECT_NEAR(px(), -deg(heading[0]) / 90, 1e-5);
}
