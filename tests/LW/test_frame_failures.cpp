#include "plugin_harness.h"

#include "lwsdk/lwrender.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

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

class FrameFailure : public PluginHarness {
protected:
    // Processes a fresh frame; expects nothing written.
    LWError failed(orrelux* inst) {
        HostFrame frame(64, 48);
        LWError result = process(inst, frame);
        EXPECT_TRUE(nothing_written(frame));
        return result;
    }
    void expect_message(char const* line1, std::string const& line2) {
        ASSERT_EQ(host.messages().size(), 1u);
        EXPECT_EQ(host.messages()[0].line1, line1);
        EXPECT_TRUE(host.messages()[0].has_line2);
        EXPECT_EQ(host.messages()[0].line2, line2);
    }
};

TEST_F(FrameFailure, MissingSceneGlobalIsShownOnOneLine) {
    std::string database = folder.file("ok.stars");
    write_database(database, {});
    orrelux* inst = linear_instance(database);
    host.remove_global(LWSCENEINFO_GLOBAL);

    EXPECT_EQ(failed(inst), nullptr);

    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].line1, "Orrelux: Error obtaining Scene Info global");
    EXPECT_FALSE(host.messages()[0].has_line2);
}

TEST_F(FrameFailure, MissingDatabaseIsShownWithItsPathAndKeepsThe3DFlag) {
    std::string missing = folder.file("missing.stars");
    orrelux* inst = linear_instance(missing);
    inst->starfile_3d = true;

    EXPECT_EQ(failed(inst), nullptr);

    expect_message("Orrelux: Invalid star database file", missing);
    EXPECT_EQ(inst->star_cache, nullptr);
    EXPECT_TRUE(inst->starfile_3d);
}

TEST_F(FrameFailure, EmptyDatabasePathIsShownAsEmpty) {
    orrelux* inst = linear_instance("");
    EXPECT_EQ(failed(inst), nullptr);
    expect_message("Orrelux: Invalid star database file", "");
}

TEST_F(FrameFailure, ShortOrForeignDatabaseIsInvalidAndNot3D) {
    std::string shorter = folder.file("short.stars");
    write_text(shorter, "ORRELUX2");
    std::string foreign = folder.file("foreign.stars");
    write_database(foreign, {}, "NOTSTARS");
    for (std::string const& path : {shorter, foreign}) {
        orrelux* inst = linear_instance(path);
        inst->starfile_3d = true;
        EXPECT_EQ(failed(inst), nullptr);
        EXPECT_EQ(inst->star_cache, nullptr);
        EXPECT_FALSE(inst->starfile_3d);
    }
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[0].line1, "Orrelux: Invalid star database file");
    EXPECT_EQ(host.messages()[0].line2, shorter);
    EXPECT_EQ(host.messages()[1].line2, foreign);
}

TEST_F(FrameFailure, ThreeDStarsFromADatabaseWithoutDistancesAreRefused) {
    std::string flat = folder.file("flat.stars");
    write_database(flat, {star_towards(0, 0, 1)});
    orrelux* inst = linear_instance(flat);
    inst->three_d = 1;

    EXPECT_EQ(failed(inst), nullptr);

    expect_message("Orrelux: This star database file does not support 3D stars", flat);
    EXPECT_FALSE(inst->starfile_3d);
    EXPECT_EQ(inst->star_cache, nullptr);
}

TEST_F(FrameFailure, ThreeDSwitchedOnOverAnOpenReaderIsNotCheckedAgain) {
    std::string flat = folder.file("flat.stars");
    write_database(flat, {star_towards(0, 0, 1)});
    orrelux* inst = linear_instance(flat);
    {
        HostFrame frame(64, 48);
        ASSERT_EQ(process(inst, frame), nullptr);
    }
    inst->three_d = 1;
    HostFrame frame(64, 48);
    EXPECT_EQ(process(inst, frame), nullptr);
    EXPECT_TRUE(host.messages().empty());
    EXPECT_GT(total_light(frame), 0);
}

TEST_F(FrameFailure, ProcessRecoversOnceTheDatabaseAppears) {
    std::string later = folder.file("later.stars");
    orrelux* inst = linear_instance(later);
    EXPECT_EQ(failed(inst), nullptr);
    write_database(later, {star_towards(0, 0, 1)});
    HostFrame frame(64, 48);
    EXPECT_EQ(process(inst, frame), nullptr);
    EXPECT_GT(total_light(frame), 0);
    EXPECT_EQ(host.messages().size(), 1u);
}

class CameralessFrame : public PluginHarness {
protected:
    CameralessFrame() : PluginHarness(false) {}
};

TEST_F(CameralessFrame, SceneWithoutACameraFailsTheProcess) {
    std::string database = folder.file("ok.stars");
    write_database(database, {star_towards(0, 0, 1)});
    orrelux* inst = linear_instance(database);
    HostFrame frame(64, 48);

    ::testing::internal::CaptureStderr();
    EXPECT_STREQ(process(inst, frame), "Process Failed");
    std::string report = ::testing::internal::GetCapturedStderr();

    EXPECT_NE(report.find("Error: no camera? in <LWItemID get_camera_id(double)> (LW/orrelux:300)"),
              std::string::npos)
        << report;
    EXPECT_TRUE(nothing_written(frame));
    EXPECT_TRUE(host.messages().empty());
}

// The instants at which the camera was sampled, taken from the times its
// motion was asked about.
class ExposureInterval : public PluginHarness {
protected:
    ExposureInterval() {
        host.scene.frames_per_second = 25;
        host.scene.item(camera).motion = [this](LWTime t) {
            times.push_back(t);
            return ItemPose();
        };
        std::string database = folder.file("ok.stars");
        write_database(database, {star_towards(0, 0, 1)});
        activate();
        inst = linear_instance(database);
    }
    std::vector<double> sampled(HostFrame& frame) {
        times.clear();
        EXPECT_EQ(process(inst, frame), nullptr);
        std::vector<double> distinct;
        for (double t : times) {
            double rounded = std::round(t * 1e9) / 1e9;
            if (std::find(distinct.begin(), distinct.end(), rounded) == distinct.end()) {
                distinct.push_back(rounded);
            }
        }
        std::sort(distinct.begin(), distinct.end());
        return distinct;
    }

    orrelux* inst;
    std::vector<double> times;
};

TEST_F(ExposureInterval, NewerHostTakesTheFrameNumberAndTheCameraBlurLength) {
    HostFrame frame(64, 48);
    frame.frame = 10;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0.4, 0.42}));
    host.scene.render_opts = LWROPT_FIELDS;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0.4, 0.41, 0.42, 0.43}));
}

TEST_F(ExposureInterval, OlderHostTakesTheIntervalItIsGiven) {
    host.product_info = 8u << 20;
    activate();
    HostFrame frame(64, 48);
    frame.start = 0;
    frame.end = 0.04;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0, 0.04}));
    host.scene.render_opts = LWROPT_FIELDS;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0, 0.02, 0.04}));
}

TEST_F(ExposureInterval, OlderHostWithCameraMotionBlurEndsTheExposureAtTheIntervalsEnd) {
    host.product_info = 8u << 20;
    activate();
    host.scene.item(camera).camera.flags = LWCAMF_MOTION_BLUR;
    HostFrame frame(64, 48);
    frame.start = 0;
    frame.end = 0.04;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0.02, 0.04}));
}

TEST_F(ExposureInterval, BlurSegmentsSampleTheExposureEvenly) {
    inst->blur_segs = 4;
    HostFrame frame(64, 48);
    frame.frame = 10;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0.4, 0.405, 0.41, 0.415, 0.42}));
    inst->blur_segs = 0;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0.4}));
    host.scene.item(camera).camera.blur_length = constant_curve(0);
    inst->blur_segs = 4;
    EXPECT_EQ(sampled(frame), (std::vector<double>{0.4}));
}

} // namespace
