#include "host/scene/scene_file.h"
#include "lwsdk/lwrender.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string const CURRENT = std::string(HOST_TEST_DATA) + "/current_release.lws";

LWItemID id(std::uint32_t value) {
    return reinterpret_cast<LWItemID>(uintptr_t(value));
}

// "line: what" for each note, to compare whole lists.
std::vector<std::string> listed(std::vector<SceneNote> const& notes) {
    std::vector<std::string> out;
    for (SceneNote const& n : notes) {
        out.push_back(std::to_string(n.line) + " " + n.item + ": " + n.what);
    }
    return out;
}

// A scene saved by a current release: its header additions, attribute
// blocks, plug-ins with nested attributes and free text, six-channel camera
// motion and a camera-type plug-in are skipped or read, and nothing in it is
// reported as not evaluated.
TEST(CurrentScenes, AVersion8SceneGivesTheFrameProcessItsSettings) {
    SceneFile file = read_scene_file(CURRENT);
    HostScene const& scene = file.scene;
    EXPECT_EQ(file.version, 8);
    EXPECT_EQ(scene.first_frame, 0);
    EXPECT_EQ(scene.last_frame, 120);
    EXPECT_EQ(scene.frames_per_second, 24);
    EXPECT_EQ(scene.frame_width, 640); // 1280 x 720 at 0.5
    EXPECT_EQ(scene.frame_height, 360);
    EXPECT_EQ(scene.render_opts, LWROPT_MOTIONBLUR | LWROPT_DEPTHOFFIELD);
    EXPECT_FALSE(scene.limited_region);

    ASSERT_EQ(scene.items().size(), 2u); // the bone is left out
    EXPECT_EQ(scene.items()[0].name, "Rock Pile (2)");
    HostItem const& camera = scene.items()[1];
    EXPECT_EQ(camera.name, "Main Camera");
    EXPECT_EQ(scene.current_camera, id(0x30000000));
    EXPECT_EQ(file.camera_type, "Perspective");
    EXPECT_EQ(camera.camera.blur_length(0), 0.75);
    EXPECT_EQ(camera.camera.focal_distance(0), 6);
    EXPECT_EQ(camera.camera.f_stop(0), 2.8);
    ItemFrame const world = scene.world(camera.id, 0);
    EXPECT_EQ(world.origin.y, 1.5);
    EXPECT_EQ(world.origin.z, -6);
    // Heading 0.25 and pitch -0.1 from channels 3 and 4; scale stays 1.
    EXPECT_NEAR(world.forward.x, std::sin(0.25) * std::cos(-0.1), 1e-12);
    EXPECT_NEAR(world.forward.y, -std::sin(-0.1), 1e-12);
    EXPECT_NEAR(world.up.y, std::cos(-0.1), 1e-12);

    ASSERT_EQ(file.filters.size(), 1u);
    EXPECT_EQ(file.filters[0].server, "Orrelux");
    EXPECT_TRUE(file.filters[0].enabled);
    EXPECT_THAT(file.filters[0].text, HasSubstr("BlurSegs 8\n"));
    EXPECT_TRUE(file.notes.not_evaluated.empty()) << listed(file.notes.not_evaluated)[0];
    EXPECT_TRUE(file.notes.readings.empty());
}

// Everything planted in the scene that the renderer does not evaluate is
// listed once, with its line and item, and nothing else is.
TEST(CurrentScenes, WhatIsNotEvaluatedIsListedWithItsLine) {
    SceneFile file = read_scene_file(std::string(HOST_TEST_DATA) + "/not_evaluated.lws");
    EXPECT_THAT(
        listed(file.notes.not_evaluated),
        ElementsAre("5 Spinner: HController 4 (align to path): the item's own keys are used",
                    "6 Spinner: motion modifier \"Oscillator\": the item's own keys are used",
                    "11 Key: PController 1 (targeting) without a TargetItem: the item's own "
                    "keys are used",
                    "20 Cam: ChannelHandler \"Wobble\" on channel 5 (bank): the envelope's keys "
                    "are used instead",
                    "28 Cam: ChannelHandler \"NoisyChannel\" on ZoomFactor: the envelope's keys "
                    "are used instead",
                    "32 Cam: BController 1 (targeting): the item's own keys are used",
                    "35 Cam: ShutterOpen 0.25: the exposure starts at the frame's time",
                    "36 Cam: camera type \"Orthographic\": rendered as a perspective camera"));
    EXPECT_THAT(listed(file.notes.readings),
                ElementsAre("33 Cam: MotionBlur 6 is read as motion blur on"));
    HostScene const& scene = file.scene;
    EXPECT_TRUE(scene.render_opts & LWROPT_MOTIONBLUR);
    EXPECT_EQ(scene.find(scene.current_camera)->camera.blur_length(0), 0.5);
    EXPECT_EQ(scene.find(scene.current_camera)->camera.zoom(1), 3.2);
    EXPECT_EQ(file.camera_type, "Orthographic");
}

// A blur backwards in time is no error, but not rendered; versions 6 and 7
// read as 8 does.
TEST(CurrentScenes, BackwardsBlurIsNotedAndVersions6And7Load) {
    SceneFile const backwards =
        read_scene_text("LWSC\n3\nAddCamera\nMotionBlur 1\nBlurLength -0.5\n", "shot.lws");
    EXPECT_FALSE(backwards.scene.render_opts & LWROPT_MOTIONBLUR);
    EXPECT_THAT(listed(backwards.notes.not_evaluated),
                ElementsAre("5 Camera: BlurLength -0.5: a blur backwards in time is rendered "
                            "without blur"));
    for (int version : {6, 7}) {
        EXPECT_EQ(read_scene_text("LWSC\n" + std::to_string(version) + "\nAddCamera 30000000\n",
                                  "shot.lws")
                      .version,
                  version);
    }
}

} // namespace
