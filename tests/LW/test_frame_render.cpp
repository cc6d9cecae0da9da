#include "plugin_harness.h"

#include "host/monitor.h"
#include "LW/srgb.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// Light-weighted mean and variance of the output's red along one axis.
struct Moments {
    double sum = 0;
    double mean_x = 0;
    double mean_y = 0;
    double var_x = 0;
};

Moments moments(HostFrame const& frame, int row_parity = -1) {
    Moments m;
    double sx = 0, sy = 0, sxx = 0;
    for (int y = 0; y < frame.height(); y++) {
        if (row_parity >= 0 && y % 2 != row_parity) {
            continue;
        }
        for (int x = 0; x < frame.width(); x++) {
            double v = frame.output(x, y, 0);
            m.sum += v;
            sx += v * x;
            sy += v * y;
            sxx += v * x * x;
        }
    }
    if (m.sum > 0) {
        m.mean_x = sx / m.sum;
        m.mean_y = sy / m.sum;
        m.var_x = sxx / m.sum - m.mean_x * m.mean_x;
    }
    return m;
}

bool nothing_written(HostFrame const& frame) {
    for (int y = 0; y < frame.height(); y++) {
        for (int x = 0; x < frame.width(); x++) {
            if (frame.rgb_written(x, y) || frame.alpha_written(x, y)) {
                return false;
            }
        }
    }
    return true;
}

class FrameRender : public PluginHarness {
protected:
    FrameRender() {
        database = folder.file("ahead.stars");
        write_database(database, {star_towards(0, 0, 1)});
    }

    // Turns the camera by heading h(u) and pitch p(u) radians, u being the
    // fraction 0..1 of the first frame's exposure.
    void move_camera(std::function<double(double)> heading, std::function<double(double)> pitch) {
        double exposure = 0.5 / host.scene.frames_per_second;
        host.scene.item(camera).motion = [=](LWTime t) {
            ItemPose pose;
            pose.rotation.x = heading(t / exposure);
            pose.rotation.y = pitch(t / exposure);
            return pose;
        };
    }
    // Where the star lands with the camera held at fraction u.
    Pixel still_at(orrelux* inst, std::function<double(double)> heading,
                   std::function<double(double)> pitch, double u) {
        host.scene.item(camera).motion = [=](LWTime) {
            ItemPose pose;
            pose.rotation.x = heading(u);
            pose.rotation.y = pitch(u);
            return pose;
        };
        HostFrame frame(640, 480);
        EXPECT_EQ(process(inst, frame), nullptr);
        return brightest(frame);
    }
    double still_light(orrelux* inst) {
        host.scene.item(camera).motion = nullptr;
        HostFrame frame(640, 480);
        EXPECT_EQ(process(inst, frame), nullptr);
        return total_light(frame);
    }

    std::string database;
};

TEST_F(FrameRender, FourBlurSegmentsDrawOneStreakThroughFiveSamplesWithTheLightOfAStillStar) {
    orrelux* inst = linear_instance(database);
    inst->blur_segs = 4;
    auto heading = [](double u) { return 0.06 * u; };
    // A zig-zag that is up at a quarter and three quarters of the exposure.
    auto pitch = [](double u) { return 0.02 * (1 - std::fabs(std::fmod(4 * u, 2.0) - 1)); };
    double still = still_light(inst);
    Pixel quarter = still_at(inst, heading, pitch, 0.25);
    Pixel half = still_at(inst, heading, pitch, 0.5);
    ASSERT_GT(std::abs(quarter.y - half.y), 10);

    move_camera(heading, pitch);
    HostFrame frame(640, 480);
    ASSERT_EQ(process(inst, frame), nullptr);

    EXPECT_NEAR(total_light(frame), still, still * 0.01);
    float on_path = frame.output(quarter.x, quarter.y, 0);
    float off_path = frame.output(half.x, quarter.y, 0);
    EXPECT_GT(on_path, 0);
    EXPECT_LT(off_path, on_path * 0.01);
}

TEST_F(FrameRender, AlphaDimsTheStarsBehindRenderedGeometry) {
    orrelux* inst = linear_instance(database);
    double clear = still_light(inst);
    for (float alpha : {1.0f, 0.25f}) {
        HostFrame frame(640, 480);
        for (int y = 0; y < 480; y++) {
            for (int x = 0; x < 640; x++) {
                frame.set_input(x, y, 0, 0, 0, alpha);
            }
        }
        ASSERT_EQ(process(inst, frame), nullptr);
        EXPECT_NEAR(total_light(frame), clear * (1 - alpha), clear * 1e-4) << alpha;
        EXPECT_EQ(frame.output(5, 5, 3), alpha);
    }
}

TEST_F(FrameRender, LimitedRegionWritesOnlyItsPixelsAndDrawsTheSameSpot) {
    orrelux* inst = linear_instance(database);
    auto whole = std::make_unique<HostFrame>(640, 480);
    ASSERT_EQ(process(inst, *whole), nullptr);
    Pixel spot = brightest(*whole);
    std::vector<float> expected;
    for (int y = spot.y - 5; y < spot.y + 5; y++) {
        for (int x = spot.x - 5; x < spot.x + 5; x++) {
            expected.push_back(whole->output(x, y, 0));
        }
    }
    host.scene.limited_region = true;
    int const region[4] = {spot.x - 5, spot.y - 5, spot.x + 4, spot.y + 4};
    std::copy(region, region + 4, host.scene.region);
    whole.reset();
    HostFrame limited(640, 480);

    ASSERT_EQ(process(inst, limited), nullptr);

    int written = 0;
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            bool inside = x >= region[0] && x <= region[2] && y >= region[1] && y <= region[3];
            EXPECT_EQ(limited.rgb_written(x, y), inside) << x << "," << y;
            written += limited.rgb_written(x, y);
        }
    }
    EXPECT_EQ(written, 100);
    size_t i = 0;
    for (int y = spot.y - 5; y < spot.y + 5; y++) {
        for (int x = spot.x - 5; x < spot.x + 5; x++) {
            // The same spot, up to the rounding of the window's position.
            EXPECT_NEAR(limited.output(x, y, 0), expected[i], expected[i] * 1e-4);
            i++;
        }
    }
}

TEST_F(FrameRender, CameraMaskFlagHandsEveryOtherPixelBackUnchanged) {
    orrelux* inst = linear_instance(database);
    host.scene.limited_region = true;
    int const region[4] = {100, 50, 109, 59};
    std::copy(region, region + 4, host.scene.region);
    CameraSettings& settings = host.scene.item(camera).camera;
    settings.flags = LWCAMF_MASK;
    int const mask[4] = {0, 0, 639, 479};
    std::copy(mask, mask + 4, settings.mask);
    HostFrame frame(640, 480);
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            frame.set_input(x, y, x * 0.001f, y * 0.001f, 0.5f, 0.125f);
        }
    }

    ASSERT_EQ(process(inst, frame), nullptr);

    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640; x++) {
            ASSERT_TRUE(frame.rgb_written(x, y) && frame.alpha_written(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(frame.output(5, 400, 0), 5 * 0.001f);
    EXPECT_EQ(frame.output(5, 400, 1), 400 * 0.001f);
    EXPECT_EQ(frame.output(5, 400, 3), 0.125f);
}

TEST_F(FrameRender, EmptyWindowWritesNothingAndShowsNothing) {
    orrelux* inst = linear_instance(database);
    host.scene.limited_region = true;
    int const region[4] = {300, 200, 299, 250};
    std::copy(region, region + 4, host.scene.region);
    HostFrame frame(640, 480);
    EXPECT_EQ(process(inst, frame), nullptr);
    EXPECT_TRUE(nothing_written(frame));
    EXPECT_TRUE(host.messages().empty());
}

class FieldRender : public FrameRender, public ::testing::WithParamInterface<bool> {};

TEST_P(FieldRender, EachFieldHoldsItsHalfOfTheExposure) {
    bool even_first = GetParam();
    orrelux* inst = linear_instance(database);
    auto heading = [](double u) { return 0.06 * u; };
    auto level = [](double) { return 0.0; };
    Pixel start = still_at(inst, heading, level, 0);
    host.scene.render_opts = LWROPT_FIELDS | (even_first ? LWROPT_EVENFIELDS : 0u);
    move_camera(heading, level);
    HostFrame frame(640, 480);

    ASSERT_EQ(process(inst, frame), nullptr);

    Moments even = moments(frame, 0);
    Moments odd = moments(frame, 1);
    ASSERT_GT(even.sum, 0);
    ASSERT_GT(odd.sum, 0);
    Moments first = even_first ? even : odd;
    Moments second = even_first ? odd : even;
    EXPECT_LT(std::fabs(first.mean_x - start.x), std::fabs(second.mean_x - start.x));
    EXPECT_GT(std::fabs(first.mean_x - second.mean_x), 5);
}

INSTANTIATE_TEST_SUITE_P(EvenFieldsFirstOrNot, FieldRender, ::testing::Bool());

class AbortedRender : public FrameRender {
protected:
    // One visible star and enough behind the camera for the monitor to be
    // asked about an abort.
    orrelux* crowded_instance() {
        std::vector<star> stars(2100, star_towards(0, 0, -1));
        stars[0] = star_towards(0, 0, 1);
        std::string crowded = folder.file("crowded.stars");
        write_database(crowded, stars);
        return linear_instance(crowded);
    }
    HostMonitor monitor;
};

TEST_F(AbortedRender, AbortInTheFirstFieldWritesNothing) {
    orrelux* inst = crowded_instance();
    host.scene.render_opts = LWROPT_FIELDS;
    monitor.request_abort();
    HostFrame frame(640, 480);
    frame.monitor = monitor.monitor();

    EXPECT_EQ(process(inst, frame), nullptr);

    EXPECT_TRUE(nothing_written(frame));
    EXPECT_EQ(monitor.steps(), 1u);
    EXPECT_FALSE(monitor.finished());
    // Twice the whole frame's count of 2048-star steps.
    EXPECT_EQ(monitor.total(), 2u);
}

TEST_F(AbortedRender, NextFrameAfterAnAbortStartsAgainOnTheHeader) {
    orrelux* inst = crowded_instance();
    monitor.request_abort();
    {
        HostFrame frame(640, 480);
        frame.monitor = monitor.monitor();
        ASSERT_EQ(process(inst, frame), nullptr);
        EXPECT_TRUE(nothing_written(frame));
    }
    HostFrame frame(640, 480);
    EXPECT_EQ(process(inst, frame), nullptr);
    EXPECT_GT(total_light(frame), 0);
}

TEST_F(AbortedRender, WholeFrameReportsProgressAndFinishes) {
    orrelux* inst = crowded_instance();
    HostFrame frame(640, 480);
    frame.monitor = monitor.monitor();
    EXPECT_EQ(process(inst, frame), nullptr);
    EXPECT_EQ(monitor.total(), 1u);
    EXPECT_EQ(monitor.steps(), 1u);
    EXPECT_TRUE(monitor.finished());
}

TEST_F(FrameRender, DepthOfFieldWidensTheSpotAndKeepsItsLight) {
    orrelux* inst = linear_instance(database);
    Moments focused;
    {
        HostFrame sharp(640, 480);
        ASSERT_EQ(process(inst, sharp), nullptr);
        focused = moments(sharp);
    }
    host.scene.render_opts = LWROPT_DEPTHOFFIELD;
    HostFrame frame(640, 480);

    ASSERT_EQ(process(inst, frame), nullptr);

    Moments blurred = moments(frame);
    EXPECT_GT(blurred.var_x, 4 * focused.var_x);
    EXPECT_NEAR(blurred.sum, focused.sum, focused.sum * 0.01);
}

TEST_F(FrameRender, SrgbFrameMakesTheRoundTripThroughBothCurves) {
    std::string empty = folder.file("empty.stars");
    write_database(empty, {});
    orrelux* inst = linear_instance(empty);
    inst->srgb_framebuffer = 1;
    HostFrame frame(64, 48);
    float const values[] = {0.0f, 0.02f, 0.03928f, 0.2f, 0.5f, 1.0f};
    for (int x = 0; x < 6; x++) {
        frame.set_input(x, 0, values[x], values[x], values[x], values[x]);
    }

    ASSERT_EQ(process(inst, frame), nullptr);

    for (int x = 0; x < 6; x++) {
        float expected = linear_to_srgb(srgb_to_linear(values[x]));
        for (int c = 0; c < 4; c++) {
            EXPECT_EQ(frame.output(x, 0, c), expected) << values[x];
        }
        EXPECT_NEAR(frame.output(x, 0, 0), values[x], 1e-5);
    }
}

TEST_F(FrameRender, HeaderOnlyDatabaseStillCopiesTheWindowInAndOut) {
    std::string empty = folder.file("empty.stars");
    write_database(empty, {});
    orrelux* inst = linear_instance(empty);
    HostFrame frame(64, 48);
    for (int y = 0; y < 48; y++) {
        for (int x = 0; x < 64; x++) {
            frame.set_input(x, y, x * 0.01f, y * 0.01f, 0.3f, 0.5f);
        }
    }
    ASSERT_EQ(process(inst, frame), nullptr);
    for (int y = 0; y < 48; y++) {
        for (int x = 0; x < 64; x++) {
            ASSERT_TRUE(frame.rgb_written(x, y));
            EXPECT_EQ(frame.output(x, y, 0), x * 0.01f);
            EXPECT_EQ(frame.output(x, y, 1), y * 0.01f);
            EXPECT_EQ(frame.output(x, y, 3), 0.5f);
        }
    }
}

TEST_F(FrameRender, KeptDatabaseIsNotReadAgainAndAChangedOneIsReopened) {
    orrelux* inst = linear_instance(database);
    Pixel ahead;
    {
        HostFrame frame(640, 480);
        ASSERT_EQ(process(inst, frame), nullptr);
        ahead = brightest(frame);
    }
    write_database(database, {star_towards(0.1, 0, 1)});
    {
        HostFrame frame(640, 480);
        ASSERT_EQ(process(inst, frame), nullptr);
        EXPECT_EQ(brightest(frame).x, ahead.x);
    }
    std::string other = folder.file("right.stars");
    write_database(other, {star_towards(0.1, 0, 1)});
    inst->starfile = other.c_str();
    HostFrame frame(640, 480);
    ASSERT_EQ(process(inst, frame), nullptr);
    EXPECT_GT(brightest(frame).x, ahead.x + 10);
    EXPECT_EQ(std::string(inst->star_cache->filename), other);
}

} // namespace
