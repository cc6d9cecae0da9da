#include "plugin_harness.h"

#include <cmath>
#include <string>

namespace {

struct Case {
    op_stars_projection projection;
    int width;
    int height;
    Pixel target;
};

// The star that the projection puts on the target pixel. The window spans
// -1..1 over the frame's height, or over its width for a portrait fisheye
// frame; the camera rests at the origin looking along +z with +y up.
star star_on_target(Case c) {
    bool by_height = c.width >= c.height || c.projection == OP_STARS_PERSPECTIVE;
    double scale = 1.0 / (by_height ? c.height : c.width);
    double x = (2 * c.target.x - c.width) * scale;
    double y = (c.height - 2 * c.target.y) * scale;
    double radius = std::sqrt(x * x + y * y);
    if (c.projection == OP_STARS_PERSPECTIVE) {
        return star_towards(x / 3.2, y / 3.2, 1); // the camera's zoom
    }
    if (c.projection == OP_STARS_HEMISPHERICAL) {
        return star_towards(x, y, std::sqrt(1 - radius * radius));
    }
    double angle = radius * 1.57079632679489661923; // a right angle at radius 1
    return star_towards(std::sin(angle) * x / radius, std::sin(angle) * y / radius,
                        std::cos(angle));
}

class FrameProjection : public PluginHarness, public ::testing::WithParamInterface<Case> {};

TEST_P(FrameProjection, StarInAKnownDirectionLandsOnItsPixel) {
    Case c = GetParam();
    host.scene.frame_width = c.width;
    host.scene.frame_height = c.height;
    std::string database = folder.file("one.stars");
    write_database(database, {star_on_target(c)});
    orrelux* inst = linear_instance(database);
    inst->projection = c.projection;

    Light spot = light(*render(inst, c.width, c.height));

    EXPECT_EQ(spot.peak.x, c.target.x);
    EXPECT_EQ(spot.peak.y, c.target.y);
    // Symmetric about the target: the light's centre lies on it.
    EXPECT_NEAR(spot.mean_x, c.target.x, 0.05);
    EXPECT_NEAR(spot.mean_y, c.target.y, 0.05);
}

INSTANTIATE_TEST_SUITE_P(
    ProjectionsAndOrientations, FrameProjection,
    ::testing::Values(Case{OP_STARS_PERSPECTIVE, 640, 480, {500, 120}},
                      Case{OP_STARS_PERSPECTIVE, 360, 480, {80, 400}},
                      Case{OP_STARS_HEMISPHERICAL, 640, 480, {150, 300}},
                      Case{OP_STARS_HEMISPHERICAL, 360, 480, {250, 100}},
                      Case{OP_STARS_AZIMUTHAL_EQUIDISTANT, 640, 480, {420, 60}},
                      Case{OP_STARS_AZIMUTHAL_EQUIDISTANT, 360, 480, {60, 200}}));

} // namespace
