#include "plugin_harness.h"

#include "lwsdk/lwrender.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

char const* const INVALID = "Orrelux: Invalid star database file";

// A scene without a camera: every failure but the last two is found before
// the camera is looked for.
class FrameFailure : public PluginHarness {
protected:
    FrameFailure() : PluginHarness(false) {}
};

TEST_F(FrameFailure, EachFailureShowsItsMessageReturnsItsResultAndWritesNothing) {
    struct Case {
        char const* file;     // "" for an empty path
        std::string contents; // "" for no file
        bool three_d;
        char const* line1; // the message shown; null for none
        bool starfile_3d;  // after; it was true before
        char const* result;
    };
    std::string const one_star = database_bytes({star_towards(0, 0, 1)});
    Case const cases[] = {
        {"missing.stars", "", false, INVALID, true, nullptr},
        {"", "", false, INVALID, true, nullptr},
        {"short.stars", "ORRELUX2", false, INVALID, false, nullptr},
        {"foreign.stars", database_bytes({}, "NOTSTARS"), false, INVALID, false, nullptr},
        {"flat.stars", one_star, true, "Orrelux: This star database file does not support 3D stars",
         false, nullptr},
        {"ok.stars", one_star, false, nullptr, false, "Process Failed"},
        // The host keeps the global away from here on.
        {"ok.stars", one_star, false, "Orrelux: Error obtaining Scene Info global", true, nullptr},
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
            EXPECT_EQ(host.messages().back().line1, c.line1);
            EXPECT_EQ(host.messages().back().has_line2, scene_global);
            EXPECT_EQ(host.messages().back().line2, scene_global ? path : "");
            EXPECT_EQ(inst->star_cache, nullptr);
        } else {
            EXPECT_NE(report.find("Error: no camera? in <LWItemID get_camera_id(double)> "
                                  "(LW/orrelux:300)"),
                      std::string::npos)
                << report;
        }
    }
}

class FrameProcess : public PluginHarness {};

TEST_F(FrameProcess, DatabaseIsCheckedOnlyWhenItIsOpened) {
    std::string later = folder.file("later.stars");
    orrelux* inst = linear_instance(later);
    EXPECT_EQ(written(*render(inst, 64, 48)), 0);
    // A failed frame leaves no reader, so the next one tries again.
    write_database(later, {star_towards(0, 0, 1)});
    EXPECT_GT(light(*render(inst, 64, 48)).sum, 0);
    // An "ORRELUX1" reader kept open is not checked for 3D stars again.
    inst->three_d = 1;
    EXPECT_GT(light(*render(inst, 64, 48)).sum, 0);
    EXPECT_EQ(host.messages().size(), 1u);
}

// Hosts of major version 9 on expose from the frame number, older ones over
// the interval they give; the camera's motion is asked about at each sample.
TEST_F(FrameProcess, ExposureFollowsTheHostVersionFieldsAndBlurSegments) {
    struct Case {
        unsigned major;
        unsigned render_opts;
        unsigned camera_flags;
        int blur_segs;
        std::vector<double> times;
    };
    Case const cases[] = {
        {9, 0, 0, 1, {0.4, 0.42}},
        {15, 0, 0, 1, {0.4, 0.42}},
        {9, LWROPT_FIELDS, 0, 1, {0.4, 0.41, 0.42, 0.43}},
        {9, 0, 0, 4, {0.4, 0.405, 0.41, 0.415, 0.42}},
        {9, 0, 0, 0, {0.4}},
        {8, 0, 0, 1, {0, 0.04}},
        {8, LWROPT_FIELDS, 0, 1, {0, 0.02, 0.04}},
        {8, 0, LWCAMF_MOTION_BLUR, 1, {0.02, 0.04}},
    };
    std::vector<double> times;
    host.scene.frames_per_second = 25;
    host.scene.item(camera).motion = [&](LWTime t) {
        times.push_back(std::round(t * 1e9) / 1e9);
        return ItemPose();
    };
    std::string database = folder.file("ok.stars");
    write_database(database, {star_towards(0, 0, 1)});
    orrelux* inst = linear_instance(database);
    for (Case const& c : cases) {
        host.product_info = c.major << 20;
        activate();
        host.scene.render_opts = c.render_opts;
        host.scene.item(camera).camera.flags = c.camera_flags;
        inst->blur_segs = c.blur_segs;
        HostFrame frame(64, 48);
        frame.frame = 10;
        frame.end = 0.04;
        times.clear();

        EXPECT_EQ(process(inst, frame), nullptr);

        std::sort(times.begin(), times.end());
        times.erase(std::unique(times.begin(), times.end()), times.end());
        EXPECT_EQ(times, c.times) << "row " << &c - cases;
    }
}

} // namespace
