#include "plugin_harness.h"

#include "host/monitor.h"
#include "LW/srgb.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The camera pans by 0.06 radians over the first frame's exposure while it
// pitches by pitch(u), u being the fraction 0..1 of the exposure.
using Pitch = std::function<double(double)>;

class FrameRender : public PluginHarness {
protected:
    FrameRender() {
        write_database(database, {star_towards(0, 0, 1)});
        inst = linear_instance(database);
    }

    // Moves the camera along the path, or holds it at u = `held`.
    void move_camera(Pitch pitch, double held = -1) {
        double exposure = 0.5 / host.scene.frames_per_second;
        host.scene.item(camera).motion = [=](LWTime t) {
            double u = held >= 0 ? held : t / exposure;
            ItemPose pose;
            pose.rotation.x = 0.06 * u;
            pose.rotation.y = pitch(u);
            return pose;
        };
    }
    Pixel still_at(Pitch pitch, double u) {
        move_camera(pitch, u);
        return light(*render(inst)).peak;
    }

    std::string database = folder.file("ahead.stars");
    orrelux* inst;
};

TEST_F(FrameRender, FourBlurSegmentsDrawOneStreakThroughFiveSamplesWithTheLightOfAStillStar) {
    inst->blur_segs = 4;
    double still = light(*render(inst)).sum;
    // A zig-zag that is up at a quarter and three quarters of the exposure.
    auto pitch = [](double u) { return 0.02 * (1 - std::fabs(std::fmod(4 * u, 2.0) - 1)); };
    Pixel quarter = still_at(pitch, 0.25);
    Pixel half = still_at(pitch, 0.5);
    ASSERT_GT(std::abs(quarter.y - half.y), 10);

    move_camera(pitch);
    std::unique_ptr<HostFrame> frame = render(inst);

    EXPECT_NEAR(light(*frame).sum, still, still * 0.01);
    float on_path = frame->output(quarter.x, quarter.y, 0);
    EXPECT_GT(on_path, 0);
    EXPECT_LT(frame->output(half.x, quarter.y, 0), on_path * 0.01);
}

TEST_F(FrameRender, AlphaDimsTheStarsBehindRenderedGeometry) {
    double clear = light(*render(inst)).sum;
    for (float alpha : {1.0f, 0.25f}) {
        HostFrame frame(640, 480);
        fill(frame, [=](int, int) { return std::array<float, 4>{0, 0, 0, alpha}; });
        ASSERT_EQ(process(inst, frame), nullptr);
        EXPECT_NEAR(light(frame).sum, clear * (1 - alpha), clear * 1e-4) << alpha;
    }
}

TEST_F(FrameRender, LimitedRegionWritesOnlyItsPixelsUnlessTheCameraMasksTheFrame) {
    double whole = light(*render(inst), 2).sum;
    Pixel spot = light(*render(inst)).peak;
    host.scene.limited_region = true;
    int const region[4] = {spot.x - 5, spot.y - 5, spot.x + 4, spot.y + 4};
    std::copy(region, region + 4, host.scene.region);
    CameraSettings& settings = host.scene.item(camera).camera;
    int const mask[4] = {0, 0, 639, 479};
    std::copy(mask, mask + 4, settings.mask);
    for (unsigned flags : {0u, LWCAMF_MASK}) {
        SCOPED_TRACE(flags);
        settings.flags = flags;
        HostFrame frame(640, 480);
        fill(frame, [](int x, int y) { return std::array<float, 4>{x * 1e-3f, y * 1e-3f, 0, 0}; });

        ASSERT_EQ(process(inst, frame), nullptr);

        EXPECT_EQ(written(frame), flags ? 640 * 480 : 100);
        for (int i = 0; i < 100; i++) {
            ASSERT_TRUE(frame.rgb_written(region[0] + i % 10, region[1] + i / 10)) << i;
        }
        // A pixel outside, handed back as it came or not written at all.
        EXPECT_EQ(frame.output(5, 400, 1), flags ? 400 * 1e-3f : 0);
        // Blue is the stars' alone; the spot keeps its light in the window.
        EXPECT_NEAR(light(frame, 2).sum, whole, whole * 1e-3);
    }
    int const empty[4] = {300, 200, 299, 250};
    std::copy(empty, empty + 4, host.scene.region);
    EXPECT_EQ(written(*render(inst)), 0);
    EXPECT_TRUE(host.messages().empty());
}

class FieldRender : public FrameRender, public ::testing::WithParamInterface<bool> {};

TEST_P(FieldRender, EachFieldHoldsItsHalfOfTheExposureInItsOrder) {
    bool even_first = GetParam();
    auto level = [](double) { return 0.0; };
    Pixel start = still_at(level, 0);
    host.scene.render_opts = LWROPT_FIELDS | (even_first ? LWROPT_EVENFIELDS : 0u);
    move_camera(level);

    std::unique_ptr<HostFrame> frame = render(inst);

    Light first = light(*frame, 0, even_first ? 0 : 1);
    Light second = light(*frame, 0, even_first ? 1 : 0);
    ASSERT_GT(first.sum * second.sum, 0);
    EXPECT_LT(std::fabs(first.mean_x - start.x), std::fabs(second.mean_x - start.x));
    EXPECT_GT(std::fabs(first.mean_x - second.mean_x), 5);
}

INSTANTIATE_TEST_SUITE_P(EvenFieldsFirstOrNot, FieldRender, ::testing::Bool());

TEST_F(FrameRender, AbortInTheFirstFieldWritesNothingAndTheNextFrameStartsAfresh) {
    // One visible star and enough behind the camera for the monitor to be
    // asked about an abort after 2048 stars.
    std::vector<star> stars(2100, star_towards(0, 0, -1));
    stars[0] = star_towards(0, 0, 1);
    write_database(database, stars);
    host.scene.render_opts = LWROPT_FIELDS;
    HostMonitor monitor;
    monitor.request_abort();
    {
        HostFrame frame(640, 480);
        frame.monitor = monitor.monitor();
        EXPECT_EQ(process(inst, frame), nullptr);
        EXPECT_EQ(written(frame), 0);
    }
    EXPECT_EQ(monitor.total(), 2u);
    EXPECT_EQ(monitor.steps(), 1u);
    EXPECT_FALSE(monitor.finished());
    // The next frame starts again on the header.
    EXPECT_GT(light(*render(inst)).sum, 0);
}

TEST_F(FrameRender, DepthOfFieldWidensTheSpotAndKeepsItsLight) {
    Light focused = light(*render(inst));
    host.scene.render_opts = LWROPT_DEPTHOFFIELD;

    Light blurred = light(*render(inst));

    EXPECT_GT(blurred.var_x, 4 * focused.var_x);
    EXPECT_NEAR(blurred.sum, focused.sum, focused.sum * 0.01);
}

TEST_F(FrameRender, HeaderOnlyDatabaseCopiesTheWindowInAndOutThroughTheCurvesOfAnSrgbFrame) {
    write_database(database, {});
    auto value = [](int x, int y) { return (x + 64 * y) / 3072.0f; };
    for (int srgb : {0, 1}) {
        inst = linear_instance(database);
        inst->srgb_framebuffer = srgb;
        HostFrame frame(64, 48);
        fill(frame, [&](int x, int y) {
            return std::array<float, 4>{value(x, y), value(x, y), value(x, y), 1 - value(x, y)};
        });

        ASSERT_EQ(process(inst, frame), nullptr);

        EXPECT_EQ(written(frame), 64 * 48);
        for (int i = 0; i < 64 * 48; i++) {
            float v = value(i % 64, i / 64);
            float expected = srgb ? linear_to_srgb(srgb_to_linear(v)) : v;
            ASSERT_EQ(frame.output(i % 64, i / 64, 2), expected) << srgb;
            ASSERT_NEAR(expected, v, 1e-5);
            ASSERT_NEAR(frame.output(i % 64, i / 64, 3), 1 - v, 1e-5) << srgb;
        }
    }
}

TEST_F(FrameRender, KeptDatabaseIsNotReadAgainAndAChangedOneIsReopened) {
    Pixel ahead = light(*render(inst)).peak;
    write_database(database, {star_towards(0.1, 0, 1)});
    EXPECT_EQ(light(*render(inst)).peak.x, ahead.x);

    std::string other = folder.file("right.stars");
    write_database(other, {star_towards(0.1, 0, 1)});
    inst->starfile = other.c_str();
    EXPECT_GT(light(*render(inst)).peak.x, ahead.x + 10);
}

} // namespace
