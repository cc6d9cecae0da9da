#include "plugin_harness.h"

#include "host/services/monitor.h"
#include "host/services/scene_globals.h"
#include "LW/srgb.h"
#include "lwsdk/lwrender.h"
#include "tests/support/float_bits.h"

namespace {

struct Target {
    op_stars_projection projection;
    int width, height;
    Pixel target;
};

// The star that the projection puts on the target pixel. The window spans
// -1..1 over the frame's height, or over its width for a portrait fisheye
// frame; the camera rests at the origin looking along +z with +y up.
star star_on_target(Target c) {
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

class FrameRender : public PluginHarness {
protected:
    FrameRender() {
        write_database(database, {star_towards(0, 0, 1)});
        inst = linear_instance(database);
    }

    // Over the first frame's exposure the camera pans by 0.06 radians and
    // pitches in a zig-zag by up to `zig` radians, up at a quarter and three
    // quarters of it; with `held` from 0 to 1 it rests at that fraction.
    void move_camera(double zig, double held = -1) {
        std::array<Envelope, 3>& turn = host.scene.item(camera).motion.rotation;
        if (held >= 0) {
            turn[0] = Envelope(0.06 * held);
            turn[1] = Envelope(zig * (1 - std::fabs(std::fmod(4 * held, 2.0) - 1)));
            return;
        }
        double exposure = 0.5 / host.scene.frames_per_second;
        auto key = [](double t, double v) { return EnvelopeKey{v, t, SpanType::LINEAR, {}}; };
        turn[0] = Envelope({key(0, 0), key(exposure, 0.06)}, Behaviour::LINEAR, Behaviour::LINEAR);
        turn[1] = Envelope({key(0, 0), key(exposure / 4, zig), key(exposure / 2, 0)},
                           Behaviour::REPEAT, Behaviour::REPEAT);
    }
    Pixel still_at(double zig, double u) {
        move_camera(zig, u);
        return light(*render(inst)).peak;
    }

    std::string database = folder.file("ahead.stars");
    orrelux* inst;
};

TEST_F(FrameRender, StarInAKnownDirectionLandsOnItsPixelInEveryProjectionAndOrientation) {
    Target const cases[] = {
        {OP_STARS_PERSPECTIVE, 640, 480, {500, 120}},
        {OP_STARS_PERSPECTIVE, 360, 480, {80, 400}},
        {OP_STARS_HEMISPHERICAL, 640, 480, {150, 300}},
        {OP_STARS_HEMISPHERICAL, 360, 480, {250, 100}},
        {OP_STARS_AZIMUTHAL_EQUIDISTANT, 640, 480, {420, 60}},
        {OP_STARS_AZIMUTHAL_EQUIDISTANT, 360, 480, {60, 200}},
    };
    for (Target const& c : cases) {
        SCOPED_TRACE(&c - cases);
        host.scene.frame_width = c.width;
        host.scene.frame_height = c.height;
        std::string path = folder.file(std::to_string(&c - cases) + ".stars");
        write_database(path, {star_on_target(c)});
        inst->starfile = path.c_str();
        inst->projection = c.projection;

        std::unique_ptr<HostFrame> frame = render(inst, c.width, c.height);

        Pixel peak = light(*frame).peak;
        EXPECT_EQ(peak.x, c.target.x);
        EXPECT_EQ(peak.y, c.target.y);
        // A white star lights every component alike.
        EXPECT_EQ(frame->output(peak.x, peak.y, 1), frame->output(peak.x, peak.y, 0));
        EXPECT_EQ(frame->output(peak.x, peak.y, 2), frame->output(peak.x, peak.y, 0));
    }
}

TEST_F(FrameRender, FourBlurSegmentsDrawOneStreakThroughFiveSamplesWithTheLightOfAStillStar) {
    inst->blur_segs = 4;
    double still = light(*render(inst)).sum;
    Pixel quarter = still_at(0.02, 0.25);
    Pixel half = still_at(0.02, 0.5);
    ASSERT_GT(std::abs(quarter.y - half.y), 10);

    move_camera(0.02);
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

// The window is the limited region narrowed to the camera's mask. Inside it
// the frame is what a whole render gives; outside, with the mask on, the
// pixels are handed back as they came, else they are not written. A portrait
// fisheye frame spans -1..1 over its width, so x and y map back alike.
TEST_F(FrameRender, WindowIsTheRegionNarrowedToTheMaskAndOnlyItIsRendered) {
    using Box = std::array<int, 4>; // x0, y0, x1, y1, inclusive
    // No pixel's red is 0, which an unwritten pixel reads.
    auto input = [](int x, int y) {
        return std::array<float, 4>{(x + 1) * 1e-3f, y * 1e-3f, 0, 0};
    };
    Pixel const s = {300, 200}; // the star
    Box const all = {-1, -1, -1, -1};
    Box const around = {s.x - 20, s.y - 20, s.x + 19, s.y + 19};
    Box const mask = {s.x - 1, s.y - 30, s.x + 30, s.y + 1};  // its left and bottom cut the star
    Box const right = {s.x - 36, s.y - 20, s.x + 3, s.y + 9}; // cuts the spot at its right
    struct Case {
        op_stars_projection projection;
        int width;
        Box region;
        unsigned flags;
        Box mask, window; // x0 > x1 for none
    } const cases[] = {
        {OP_STARS_PERSPECTIVE, 640, around, 0, mask, around},
        {OP_STARS_PERSPECTIVE, 640, around, LWCAMF_MASK, {0, 0, 639, 479}, around},
        {OP_STARS_PERSPECTIVE, 640, all, LWCAMF_MASK, mask, mask},
        {OP_STARS_PERSPECTIVE,
         640,
         around,
         LWCAMF_MASK,
         mask,
         {s.x - 1, s.y - 20, s.x + 19, s.y + 1}},
        {OP_STARS_PERSPECTIVE,
         640,
         {0, 0, 99, 479},
         LWCAMF_MASK,
         {200, 200, 300, 300},
         {1, 0, 0, 0}},
        {OP_STARS_HEMISPHERICAL, 360, right, 0, mask, right},
        {OP_STARS_AZIMUTHAL_EQUIDISTANT, 360, right, 0, mask, right},
    };
    CameraSettings& settings = host.scene.item(camera).camera;
    // sRGB frames write back only the window's lit pixels, linear ones all.
    for (int i = 0; i < 2 * int(std::size(cases)); i++) {
        Case const& c = cases[i / 2];
        SCOPED_TRACE(i);
        host.scene.frame_width = c.width;
        write_database(database, {star_on_target({c.projection, c.width, 480, s})});
        inst = linear_instance(database);
        inst->srgb_framebuffer = i % 2;
        inst->projection = c.projection;
        host.scene.limited_region = false;
        settings.flags = 0;
        std::vector<float> whole;
        double top = 0;
        {
            HostFrame frame(c.width, 480);
            fill(frame, input);
            ASSERT_EQ(process(inst, frame), nullptr);
            top = light(frame, 2).top;
            for (int i = 0; i < c.width * 480; i++) {
                whole.push_back(frame.output(i % c.width, i / c.width, 0));
            }
        }
        ASSERT_GT(top, 0);
        host.scene.limited_region = c.region[0] >= 0;
        std::copy(c.region.begin(), c.region.end(), host.scene.region);
        settings.flags = c.flags;
        std::copy(c.mask.begin(), c.mask.end(), settings.mask);
        HostFrame part(c.width, 480);
        fill(part, input);

        ASSERT_EQ(process(inst, part), nullptr);

        Box const& w = c.window;
        bool rendered = w[0] <= w[2];
        for (int i = 0; i < c.width * 480; i++) {
            int x = i % c.width, y = i / c.width;
            if (x >= w[0] && x <= w[2] && y >= w[1] && y <= w[3]) {
                ASSERT_NEAR(part.output(x, y, 0), whole[i], top * 1e-4) << x << "," << y;
            } else if (c.flags && rendered) {
                ASSERT_EQ(part.output(x, y, 0), input(x, y)[0]) << x << ", " << y;
            } else {
                ASSERT_FALSE(part.rgb_written(x, y) || part.alpha_written(x, y)) << x << "," << y;
            }
        }
    }
}

TEST_F(FrameRender, EachFieldHoldsItsHalfOfTheExposureInItsOrder) {
    Pixel start = still_at(0, 0);
    move_camera(0);
    for (bool even_first : {false, true}) {
        host.scene.render_opts = LWROPT_FIELDS | (even_first ? LWROPT_EVENFIELDS : 0u);

        std::unique_ptr<HostFrame> frame = render(inst);

        Light first = light(*frame, 0, even_first ? 0 : 1);
        Light second = light(*frame, 0, even_first ? 1 : 0);
        ASSERT_GT(first.sum * second.sum, 0) << even_first;
        EXPECT_LT(std::fabs(first.mean_x - start.x), std::fabs(second.mean_x - start.x));
        EXPECT_GT(std::fabs(first.mean_x - second.mean_x), 5);
    }
}

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
    EXPECT_EQ(monitor.steps(), 1u);
    EXPECT_EQ(monitor.total(), 2u); // a step per 2048 stars of each field
    // The next frame starts again on the header.
    EXPECT_GT(light(*render(inst)).sum, 0);
}

// The stand-in's 24 mm lens on its 15 mm high aperture, at f/1 focused at
// 1 m, blurs a star over c = f^2 / (N (s - f)) of the aperture's height.
TEST_F(FrameRender, DepthOfFieldGrowsTheSpotToTheBlurCircleAndKeepsItsLight) {
    host.scene.item(camera).camera.f_stop = Envelope(1.0);
    double const f = 0.024, diameter = f * f / (1 - f) / 0.015 * 480;
    Light focused = light(*render(inst));
    host.scene.render_opts = LWROPT_DEPTHOFFIELD;

    Light blurred = light(*render(inst));

    EXPECT_NEAR(blurred.spread_x, diameter / 2, diameter * 0.01);
    EXPECT_NEAR(blurred.spread_y, diameter / 2, diameter * 0.01);
    EXPECT_NEAR(blurred.sum, focused.sum, focused.sum * 0.01);
    // A spot wider than the blur circle stays as it is. Sizes are in
    // thousandths of the width for the diameter.
    inst->star_size = 1.2 * diameter * 1000 / 640;
    Light wide = light(*render(inst));
    host.scene.render_opts = 0;
    Light sharp = light(*render(inst));
    EXPECT_EQ(wide.sum, sharp.sum);
    EXPECT_EQ(wide.top, sharp.top);
}

// Whatever a pixel holds, the frame hands it back bit for bit where no star
// lands: here no star at all.
TEST_F(FrameRender, PixelsWithoutStarlightComeBackAsTheHostGaveThemInBothModes) {
    write_database(database, {});
    float const odd[] = {-0.0f, -1, 0.5f, 1, 70, 1e30f, INFINITY, NAN};
    auto input = [&](int x, int y) {
        float const v = odd[(x + 3 * y) % 8];
        return std::array<float, 4>{v, x / 63.0f, odd[y % 8], y / 47.0f};
    };
    for (int srgb : {0, 1}) {
        inst = linear_instance(database);
        inst->srgb_framebuffer = srgb;
        HostFrame frame(64, 48);
        fill(frame, input);

        ASSERT_EQ(process(inst, frame), nullptr);

        EXPECT_EQ(written(frame), 64 * 48);
        for (int i = 0; i < 64 * 48 * 4; i++) {
            int const x = i / 4 % 64, y = i / 4 / 64, c = i % 4;
            ASSERT_EQ(bits_of(frame.output(x, y, c)), bits_of(input(x, y)[c])) << srgb << " " << i;
        }
    }
}

// Every pixel is the host's, with the stars' light at full strength, as a
// frame of alpha zero gets it, added in linear light and dimmed by its
// alpha; an sRGB frame's values, alpha included, are decoded for that and
// the colour encoded again. The frame is not a whole number of the
// write-back's 256-pixel chunks wide.
TEST_F(FrameRender, EachPixelGetsTheLightDimmedByItsOwnAlphaInLinearLight) {
    int const width = 300, height = 100;
    // Pure colours, so that a pixel lit in one channel alone must be found.
    unsigned char const colours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::vector<star> grid;
    for (int y = 4; y < height; y += 9) {
        for (int x = 3 + y % 5; x < width; x += 11) {
            star s = star_on_target({OP_STARS_PERSPECTIVE, width, height, {x, y}});
            unsigned char const* colour = colours[grid.size() % 4];
            s.r = colour[0];
            s.g = colour[1];
            s.b = colour[2];
            grid.push_back(s);
        }
    }
    write_database(database, grid);
    auto pure_instance = [&] {
        orrelux* pure = linear_instance(database);
        pure->saturation = 1;
        pure->tint_strength = 0;
        return pure;
    };
    float const alphas[] = {0, 0.3f, 0.999f, 1, 1.5f, 0.7f, NAN};
    auto input = [&](int x, int y) {
        return std::array<float, 4>{0.02f + x * 0.006f, 0.9f - y * 0.008f, 0.01f * (x % 7),
                                    alphas[(x / 2 + y) % 7]};
    };
    // One host frame exists at a time.
    std::vector<float> full;
    {
        auto black = render(pure_instance(), width, height);
        for (int i = 0; i < width * height * 3; i++) {
            full.push_back(black->output(i / 3 % width, i / 3 / width, i % 3));
        }
    }

    // Each channel has pixels of its own: none is lost for the others being
    // dark.
    for (int c = 0; c < 3; c++) {
        int alone = 0;
        for (int i = 0; i < width * height; i++) {
            alone += full[3 * i + c] > 0 && full[3 * i + (c + 1) % 3] == 0 &&
                     full[3 * i + (c + 2) % 3] == 0;
        }
        EXPECT_GT(alone, 500) << c;
    }
    long lit = 0, lit_in_last_chunk = 0;
    for (int srgb : {0, 1}) {
        inst = pure_instance();
        inst->srgb_framebuffer = srgb;
        HostFrame frame(width, height);
        fill(frame, input);

        ASSERT_EQ(process(inst, frame), nullptr);

        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                std::array<float, 4> const in = input(x, y);
                float const alpha = srgb ? srgb_to_linear(in[3]) : in[3];
                float const share = alpha < 1 ? 1 - alpha : 0;
                EXPECT_EQ(bits_of(frame.output(x, y, 3)), bits_of(in[3]));
                float const* light_of = &full[3 * (x + width * y)];
                bool const dark = light_of[0] == 0 && light_of[1] == 0 && light_of[2] == 0;
                for (int c = 0; c < 3; c++) {
                    float const light = light_of[c];
                    float const out = frame.output(x, y, c);
                    if (dark) {
                        ASSERT_EQ(out, in[c]) << x << " " << y;
                        continue;
                    }
                    float const host = srgb ? srgb_to_linear(in[c]) : in[c];
                    float const sum = host + share * light;
                    float const expected = srgb ? linear_to_srgb(sum) : sum;
                    ASSERT_NEAR(out, expected, 1e-6 * std::fabs(expected)) << x << " " << y;
                    lit += share > 0 && light > 0;
                    lit_in_last_chunk += share > 0 && light > 0 && x >= 256;
                }
            }
        }
    }
    EXPECT_GT(lit, 2000);
    EXPECT_GT(lit_in_last_chunk, 100);
}

TEST_F(FrameRender, KeptDatabaseIsNotReadAgainAndAChangedOneIsReopened) {
    Pixel ahead = light(*render(inst)).peak;
    write_database(database, {star_towards(0.1, 0, 1)});
    EXPECT_EQ(light(*render(inst)).peak.x, ahead.x);

    write_database(folder.file("right.stars"), {star_towards(0.1, 0, 1)});
    inst->starfile = folder.file("right.stars").c_str();
    EXPECT_GT(light(*render(inst)).peak.x, ahead.x + 10);
}

// The times, to the nanosecond, at which the host's item record is asked
// about an item, kept by a wrapper around the record's param function.
std::vector<double> asked_times;
void (*host_param)(LWItemID, int, LWTime, LWDVector) = nullptr;
void recording_param(LWItemID id, int code, LWTime t, LWDVector value) {
    asked_times.push_back(std::round(t * 1e9) / 1e9);
    host_param(id, code, t, value);
}

// Hosts of major version 9 on expose from the frame number, older ones over
// the interval they give; the camera is asked about at each sample, field 1
// first.
TEST_F(FrameRender, ExposureFollowsTheHostVersionAndTheFields) {
    struct Case {
        unsigned major, render_opts, camera_flags;
        std::vector<double> times;
    };
    Case const cases[] = {
        {9, 0, 0, {0.4, 0.42}},
        {15, 0, 0, {0.4, 0.42}},
        {9, LWROPT_FIELDS, 0, {0.4, 0.41, 0.42, 0.43}},
        {8, 0, 0, {0, 0.04}},
        {8, LWROPT_FIELDS, 0, {0, 0.02, 0.04}},
        {8, 0, LWCAMF_USECAMTYPE, {0.02, 0.04}},
    };
    std::vector<double>& times = asked_times;
    host_param = host_item_info()->param;
    host_item_info()->param = recording_param;
    host.scene.frames_per_second = 25;
    for (Case const& c : cases) {
        host.product_info = c.major << 20;
        activate();
        host.scene.render_opts = c.render_opts;
        host.scene.item(camera).camera.flags = c.camera_flags;
        HostFrame frame(64, 48);
        frame.frame = 10;
        frame.end = 0.04;
        times.clear();

        EXPECT_EQ(process(inst, frame), nullptr);

        times.erase(std::unique(times.begin(), times.end()), times.end());
        EXPECT_EQ(times, c.times) << "row " << &c - cases;
    }
    host_item_info()->param = host_param;
}

// A host may ask for a frame whose working image no memory holds: the frame
// fails with a report that says so, nothing escapes into the host's C call,
// and the next frame of a size that fits renders.
TEST_F(FrameRender, AFrameTooLargeForMemoryFailsWithAReportThatSaysSo) {
    std::string path = folder.file("one.stars");
    write_database(path, {star_towards(0, 0, 1)});
    orrelux* inst = linear_instance(path);
    HostFrame frame(64, 48);
    LWFilterAccess huge = *frame.access();
    // 1.44 TB of working image, beyond what any allocator hands out.
    huge.width = huge.height = 300000;

    ::testing::internal::CaptureStderr();
    EXPECT_STREQ(handler.process(inst, &huge), "Process Failed");
    std::string report = ::testing::internal::GetCapturedStderr();

    // A sanitizer's allocator may add a warning of its own.
    EXPECT_THAT(report, ::testing::HasSubstr("Error: cannot make the 300000 x 300000 pixel "
                                             "working image of the frame (1440000000000 bytes): "));
    EXPECT_EQ(written(frame), 0);
    EXPECT_EQ(process(inst, frame), nullptr);
    EXPECT_GT(light(frame).sum, 0);
}

char const* const INVALID = "Orrelux: Invalid star database file";

// A scene without a camera: every failure but the last two is found before
// the camera is looked for.
class FrameFailure : public PluginHarness {
protected:
    FrameFailure() : PluginHarness(false) {}
};

TEST_F(FrameFailure, EachFailureShowsItsMessageReturnsItsResultAndWritesNothing) {
    struct Case {
        char const* file;          // "" for an empty path
        std::string contents;      // "" for no file
        bool three_d, starfile_3d; // the setting; the flag after, true before
        char const* line1;         // the message shown; null for none
        char const* result;
    };
    std::string const one_star = database_bytes({star_towards(0, 0, 1)});
    Case const cases[] = {
        {"missing.stars", "", false, true, INVALID, nullptr},
        {"", "", false, true, INVALID, nullptr},
        {"short.stars", "ORRELUX2", false, false, INVALID, nullptr},
        {"foreign.stars", database_bytes({}, "NOTSTARS"), false, false, INVALID, nullptr},
        {"flat.stars", one_star, true, false,
         "Orrelux: This star database file does not support 3D stars", nullptr},
        {"ok.stars", one_star, false, false, nullptr, "Process Failed"},
        // The host keeps the global away from here on.
        {"ok.stars", one_star, false, true, "Orrelux: Error obtaining Scene Info global", nullptr},
    };
    for (Case const& c : cases) {
        std::string path = *c.file ? folder.file(c.file) : "";
        SCOPED_TRACE(path);
        if (!c.contents.empty()) {
            write_text(path, c.contents);
        }
        orrelux* inst = linear_instance(path);
        inst->starfile_3d = true;
        inst->three_d = c.three_d;
        bool scene_global = &c != std::end(cases) - 1;
        if (!scene_global) {
            host.remove_global(LWSCENEINFO_GLOBAL);
        }
        size_t shown = host.messages().size();
        HostFrame frame(64, 48);

        ::testing::internal::CaptureStderr();
        EXPECT_STREQ(process(inst, frame), c.result);
        std::string report = ::testing::internal::GetCapturedStderr();

        EXPECT_EQ(written(frame), 0);
        EXPECT_EQ(inst->starfile_3d, c.starfile_3d);
        ASSERT_EQ(host.messages().size(), shown + (c.line1 ? 1 : 0));
        if (c.line1) {
            EXPECT_EQ(host.messages().back().kind, HostMessage::ERROR);
            EXPECT_EQ(host.messages().back().line1, c.line1);
            EXPECT_EQ(host.messages().back().line2, scene_global ? path : "");
            EXPECT_EQ(inst->star_cache, nullptr);
        } else {
            EXPECT_THAT(report, ::testing::HasSubstr("Error: no camera? in <LWItemID "
                                                     "get_camera_id(double)> (LW/orrelux:300)"));
        }
    }
}

} // namespace
