#include "plugin_harness.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

double const HALF_PI = 1.57079632679489661923;

struct Frame {
    int width;
    int height;
};

// Where the window puts pixel (px, py) on the projected plane: the frame's
// height spans -1..1, or for a portrait fisheye frame its width does.
void projected(Frame f, op_stars_projection projection, double px, double py, double& x,
               double& y) {
    double r = double(f.width) / f.height;
    double sx = 1;
    double sy = 1;
    if (f.width >= f.height || projection == OP_STARS_PERSPECTIVE) {
        sx = r;
    } else {
        sy = 1 / r;
    }
    x = sx * (2 * px / f.width - 1);
    y = sy * (1 - 2 * py / f.height);
}

// The camera-space direction that the projection maps to (x, y); the camera
// rests at the origin looking along +z with +y up.
star star_at(op_stars_projection projection, double x, double y, double zoom) {
    if (projection == OP_STARS_PERSPECTIVE) {
        return star_towards(x / zoom, y / zoom, 1);
    }
    double radius = std::sqrt(x * x + y * y);
    if (projection == OP_STARS_HEMISPHERICAL) {
        return star_towards(x, y, std::sqrt(1 - radius * radius));
    }
    double angle = radius * HALF_PI;
    return star_towards(std::sin(angle) * x / radius, std::sin(angle) * y / radius,
                        std::cos(angle));
}

struct Case {
    op_stars_projection projection;
    Frame frame;
    Pixel target;
};

class FrameProjection : public PluginHarness, public ::testing::WithParamInterface<Case> {};

TEST_P(FrameProjection, StarInAKnownDirectionLandsOnItsPixel) {
    Case c = GetParam();
    host.scene.frame_width = c.frame.width;
    host.scene.frame_height = c.frame.height;
    double x;
    double y;
    projected(c.frame, c.projection, c.target.x, c.target.y, x, y);
    std::string database = folder.file("one.stars");
    write_database(database, {star_at(c.projection, x, y, 3.2)});
    orrelux* inst = linear_instance(database);
    inst->projection = c.projection;
    HostFrame frame(c.frame.width, c.frame.height);

    EXPECT_EQ(process(inst, frame), nullptr);

    Pixel hit = brightest(frame);
    EXPECT_EQ(hit.x, c.target.x);
    EXPECT_EQ(hit.y, c.target.y);
    // Symmetric about the target: the light's centre lies on it.
    double sum = 0, sx = 0, sy = 0;
    for (int py = 0; py < frame.height(); py++) {
        for (int px = 0; px < frame.width(); px++) {
            double v = frame.output(px, py, 0);
            sum += v;
            sx += v * px;
            sy += v * py;
        }
    }
    ASSERT_GT(sum, 0);
    EXPECT_NEAR(sx / sum, c.target.x, 0.05);
    EXPECT_NEAR(sy / sum, c.target.y, 0.05);
}

INSTANTIATE_TEST_SUITE_P(
    ProjectionsAndOrientations, FrameProjection,
    ::testing::Values(Case{OP_STARS_PERSPECTIVE, {640, 480}, {500, 120}},
                      Case{OP_STARS_PERSPECTIVE, {360, 480}, {80, 400}},
                      Case{OP_STARS_HEMISPHERICAL, {640, 480}, {150, 300}},
                      Case{OP_STARS_HEMISPHERICAL, {360, 480}, {250, 100}},
                      Case{OP_STARS_AZIMUTHAL_EQUIDISTANT, {640, 480}, {420, 60}},
                      Case{OP_STARS_AZIMUTHAL_EQUIDISTANT, {360, 480}, {60, 200}}));

} // namespace
