#include "host/services/host.h"
#include "host/scene/scene_file.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwrender.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

namespace {

using ::testing::ElementsAre;

std::string const WRITTEN = std::string(HOST_TEST_DATA) + "/host_written.lws";

LWItemID id(std::uint32_t value) {
    return reinterpret_cast<LWItemID>(uintptr_t(value));
}

void expect_near(Vec3 v, Vec3 expected, double tolerance, char const* what) {
    EXPECT_NEAR(v.x, expected.x, tolerance) << what;
    EXPECT_NEAR(v.y, expected.y, tolerance) << what;
    EXPECT_NEAR(v.z, expected.z, tolerance) << what;
}

// The message of the SceneFileError that reading `text` throws.
std::string error_of(std::string const& text) {
    try {
        read_scene_text(text, "shot.lws");
    } catch (SceneFileError const& e) {
        return e.what();
    }
    return "no error";
}

// The rock's X runs 0 to 4 over 2 s; the null sits 3 m ahead of the rock
// around a pivot 0.5 m up; the camera, 5 m behind the null, turns 0.5 rad
// in its first second and on at that rate, and zooms from 3.2 to 1.6 over
// 2 s. A bone under the rock, with a motion of its own, is skipped.
TEST(SceneFile, WrittenByTheHostLoadsItsItemsAndTheirMotion) {
    SceneFile file = read_scene_file(WRITTEN);
    HostScene const& scene = file.scene;
    EXPECT_EQ(file.version, 3);
    EXPECT_EQ(scene.first_frame, 1);
    EXPECT_EQ(scene.last_frame, 60);
    EXPECT_EQ(scene.frame_step, 2);
    EXPECT_EQ(scene.frames_per_second, 29.97);

    struct Item {
        std::uint32_t id;
        LWItemType type;
        char const* name;
        std::uint32_t parent;
    };
    Item const items[] = {
        {0x10000000, LWI_OBJECT, "rock", 0},
        {0x10000001, LWI_OBJECT, "mesh_resto.lwo (2)", 0x10000000},
        {0x10000002, LWI_OBJECT, "Tip", 0x10000000}, // parented to the rock's bone
        {0x20000000, LWI_LIGHT, "Key Light", 0},
        {0x30000000, LWI_CAMERA, "Camera", 0x10000001},
        {0x30000001, LWI_CAMERA, "Side Camera", 0},
    };
    ASSERT_EQ(scene.items().size(), 6u);
    for (std::size_t i = 0; i < 6; i++) {
        HostItem const& item = scene.items()[i];
        EXPECT_EQ(item.id, id(items[i].id)) << i;
        EXPECT_EQ(item.type, items[i].type) << i;
        EXPECT_EQ(item.name, items[i].name) << i;
        EXPECT_EQ(item.parent, items[i].parent ? id(items[i].parent) : nullptr) << i;
    }

    LWItemID const rock = id(0x10000000), null = id(0x10000001), light = id(0x20000000),
                   cam = id(0x30000000);
    expect_near(scene.world(rock, 1).origin, {2, 1, 0}, 1e-12, "rock");
    expect_near(scene.world(null, 1).apply(scene.find(null)->pivot), {2, 1, 3}, 1e-12, "null");
    expect_near(scene.world(cam, 1).origin, {2, 0.5, -2}, 1e-12, "camera");
    expect_near(scene.world(cam, 1).forward, {std::sin(0.5), 0, std::cos(0.5)}, 1e-7, "at 1 s");
    expect_near(scene.world(cam, 2).forward, {std::sin(1.0), 0, std::cos(1.0)}, 1e-7, "at 2 s");
    expect_near(scene.world(cam, 0).up, {0, 1, 0}, 1e-12, "scale 1 without its channels");
    // The light at (-2, 2, -2), turned 45 degrees and pitched 35, faces the
    // origin to within the 0.26 degrees that 35 falls short of.
    Vec3 f = scene.world(light, 0).forward;
    expect_near(f, {1 / std::sqrt(3), -1 / std::sqrt(3), 1 / std::sqrt(3)}, 5e-3, "light");
}

// 640 x 480 at a multiplier of 0.5; the region spans x 0.25-0.75 and y 0-0.5
// of it; fields odd first. The side camera's blur is 0 long.
TEST(SceneFile, WrittenByTheHostGivesTheRenderCamerasSettingsToTheGlobals) {
    Host host;
    host.scene = read_scene_file(WRITTEN).scene;
    LWItemID const cam = id(0x30000000), side = id(0x30000001);
    auto scene_info = static_cast<LWSceneInfo*>(Host::global(LWSCENEINFO_GLOBAL, 0));
    auto camera_info = static_cast<LWCameraInfo*>(Host::global(LWCAMERAINFO_GLOBAL, 0));

    EXPECT_EQ(scene_info->renderCamera(0), cam);
    EXPECT_EQ(scene_info->frameWidth, 320);
    EXPECT_EQ(scene_info->frameHeight, 240);
    EXPECT_EQ(scene_info->renderOpts,
              LWROPT_FIELDS | LWROPT_MOTIONBLUR | LWROPT_DEPTHOFFIELD | LWROPT_LIMITEDREGION);
    EXPECT_THAT(scene_info->limitedRegion, ElementsAre(80, 0, 239, 119));
    EXPECT_DOUBLE_EQ(camera_info->zoomFactor(cam, 1), 2.4);
    EXPECT_DOUBLE_EQ(camera_info->focalDistance(cam, 1), 5);
    EXPECT_DOUBLE_EQ(camera_info->fStop(cam, 1), 2.8);
    EXPECT_DOUBLE_EQ(camera_info->blurLength(cam, 1), 0.5);
    EXPECT_EQ(camera_info->flags(cam), 0u);
    int mask[4];
    camera_info->maskLimits(cam, &mask[0], &mask[1], &mask[2], &mask[3]);
    EXPECT_THAT(mask, ElementsAre(0, 0, 319, 239));
    EXPECT_EQ(camera_info->zoomFactor(side, 0), 2);
    EXPECT_EQ(camera_info->blurLength(side, 0), 0);
    EXPECT_EQ(camera_info->flags(side), 0u);
}

TEST(SceneFile, KeepsEachImageFilterWithItsStateAndItsTextByteForByte) {
    SceneFile file = read_scene_file(WRITTEN);
    ASSERT_EQ(file.filters.size(), 4u) << "image filters only";
    struct Filter {
        char const* server;
        bool enabled;
        std::string text;
    };
    Filter const expected[] = {
        {"LW_Bloom", false,
         "{ Options\r\n  3\r\n  { Settings\r\n    0\r\n    \"\"\r\n  }\r\n}\r\n"},
        {"H/A", true, "2 100 224\r\n"},
        {"Orrelux", true,
         "OrreluxVersion 3\r\nStarFile \"/stars/hip 3D.stars\"\r\nStarSize 1.5\r\nEND\r\n"},
        {"Vendor Glow (2)", true,
         std::string("BINARY\r\n\0\1}\xff{\r\n\x7f\xfe EndPlugins\r\n", 30)},
    };
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(file.filters[i].server, expected[i].server);
        EXPECT_EQ(file.filters[i].position, i + 1);
        EXPECT_EQ(file.filters[i].enabled, expected[i].enabled) << expected[i].server;
        EXPECT_EQ(file.filters[i].text, expected[i].text) << expected[i].server;
    }
}

// Versions 4 on: IDs from the declarations, in either case; settings from the
// scene where the camera asks for them.
TEST(SceneFile, LaterVersionsTakeItemIdsAndTheScenesSettings) {
    for (int version : {4, 5, 8}) {
        SCOPED_TRACE(version);
        SceneFile file =
            read_scene_text("LWSC\n" + std::to_string(version) +
                                "\n\n"
                                "AddNullObject 1000000a Rig (base)\n"
                                "AddCamera 3000000B\nCameraName Wide\nParentItem 1000000A\n"
                                "UseGlobalResolution 1\nFrameSize 640 480\n"
                                "ResolutionMultiplier 1\n"
                                "AddCamera 30000002\nCameraName Close\nZoomFactor 4\n"
                                "FrameSize 100 100\nUseGlobalResolution 0\n"
                                "GlobalFrameSize 1920 1080\nGlobalMultiplier 0.5\n"
                                "GlobalPixelAspect 1.5\nCurrentCamera 0\n",
                            "later.lws");
        HostScene const& scene = file.scene;
        ASSERT_EQ(scene.items().size(), 3u);
        EXPECT_EQ(scene.items()[0].name, "Rig (base)");
        EXPECT_EQ(scene.items()[1].parent, id(0x1000000a));
        EXPECT_EQ(scene.current_camera, id(0x3000000b));
        EXPECT_EQ(scene.frame_width, 960);
        EXPECT_EQ(scene.frame_height, 540);
        EXPECT_EQ(scene.pixel_aspect, 1.5);
        EXPECT_EQ(scene.find(id(0x30000002))->camera.zoom(0), 4);
    }
}

// Settings written before any camera are the scene's; a camera's own win
// over them.
TEST(SceneFile, ACamerasOwnDepthOfFieldWinsOverTheScenes) {
    SceneFile file = read_scene_text("LWSC\n3\nDepthOfField 1\nFocalDistance 9\n"
                                     "AddCamera\nDepthOfField 0\nFocalDistance 2\n",
                                     "own.lws");
    EXPECT_FALSE(file.scene.render_opts & LWROPT_DEPTHOFFIELD);
    EXPECT_EQ(file.scene.items()[0].camera.focal_distance(0), 2);
}

struct BadScene {
    std::string body; // after "LWSC\n3\n"
    char const* message;
};

TEST(SceneFile, MalformedScenesNameTheFileAndTheLine) {
    // The envelope of the camera's channel 0 opens on line 7.
    std::string const channel = "AddCamera\nCameraMotion\nNumChannels 6\nChannel 0\n{ Envelope\n";
    BadScene const cases[] = {
        {"FirstFrame one\nAddCamera\n", "shot.lws:3: FirstFrame \"one\" is not a whole number"},
        {"FrameSize 640\nAddCamera\n", "shot.lws:3: FrameSize 640: takes 2 whole numbers, not 1"},
        {"AddCamera\nParentItem 10000007\n", "shot.lws:4: ParentItem: no item has ID 10000007"},
        {"AddCamera\nParentItem 30000000\n",
         "shot.lws:4: ParentItem: parenting Camera to Camera would make a cycle"},
        {"AddCamera\nCurrentCamera 1\n",
         "shot.lws:4: CurrentCamera: the scene has 1 cameras, counted from 0"},
        {"LastFrame 0\nAddCamera\n", "shot.lws:3: LastFrame is before FirstFrame"},
        {"AddNullObject Lonely\n", "shot.lws:3: the file ends without a camera"},
        {"AddCamera\nPlugin ImageFilterHandler 1 Orrelux\nOrreluxVersion 3\n",
         "shot.lws:5: the file ends inside the plug-in block opened on line 4"},
        {"AddCamera\n{ Clip\n  { Still\n  }\n",
         "shot.lws:6: the file ends inside the block opened on line 4"},
        {channel + "  2\n  Key 1 0 0 0 0 0 0 0 0\n",
         "shot.lws:9: the file ends inside the envelope opened on line 7"},
        {channel + "  1\n  Key 1 0 0 0 0 0 0 0\n}\n",
         "shot.lws:9: Key 1 0 0 0 0 0 0 0: takes 9 numbers, not 8"},
        {channel + "  1\n  Key 1 0 0 0 0 0 0 0 x\n}\n", "shot.lws:9: Key \"x\" is not a number"},
        {channel + "  1\n  Key 1 0 6 0 0 0 0 0 0\n}\n", "shot.lws:9: Key: 6 is not a span type"},
        {channel + "  2\n  Key 1 1 0 0 0 0 0 0 0\n  Key 1 1 0 0 0 0 0 0 0\n}\n",
         "shot.lws:10: Key: the key times must increase"},
        {channel + "  2\n  Key 1 0 0 0 0 0 0 0 0\n}\n",
         "shot.lws:8: the envelope counts 2 keys but holds 1"},
        {channel + "  1\n  Key 1 0 0 0 0 0 0 0 0\n  Behaviors 1 9\n}\n",
         "shot.lws:10: Behaviors: 9 is not a behaviour"},
        {channel + "  Key 1 0 0 0 0 0 0 0 0\n}\n",
         "shot.lws:8: expected the envelope's key count, not \"Key 1 0 0 0 0 0 0 0 0\""},
        // Refused values are named with what is allowed.
        {"AddCamera\nMotionBlur x\n", "shot.lws:4: MotionBlur \"x\" is not a whole number"},
        {"AddCamera\nMotionBlur -1\n", "shot.lws:4: MotionBlur -1: takes 0 (off) or more (on)"},
        {"AddCamera\nFieldRendering 3\n", "shot.lws:4: FieldRendering 3: takes 0 to 2"},
        {"AddCamera\nZoomFactor 0\n", "shot.lws:4: ZoomFactor 0: must be more than 0"},
        {"AddCamera\nResolutionMultiplier 17\n",
         "shot.lws:4: ResolutionMultiplier 17: takes more than 0 to 16"},
        {"AddCamera\nFrameSize 0 480\n",
         "shot.lws:4: FrameSize 0 480: a frame is 1 to 65536 pixels wide and high"},
        {"AddCamera\nHController -2\n", "shot.lws:4: HController -2: takes 0 (keys) or more"},
        {"AddCamera\nTargetItem 1000000g\n",
         "shot.lws:4: TargetItem \"1000000g\" is not an item ID"},
        {"AddCamera\nHController 1\nTargetItem 10000003\n",
         "shot.lws:5: TargetItem: no item has ID 10000003"},
    };
    for (BadScene const& c : cases) {
        EXPECT_EQ(error_of("LWSC\n3\n" + c.body), c.message) << c.body;
    }
    EXPECT_EQ(error_of("LWSC\nthree\n"), "shot.lws:2: expected the scene's version, not \"three\"");
    for (char const* version : {"2", "9"}) {
        EXPECT_EQ(error_of(std::string("LWSC\n") + version + "\nAddCamera\n"),
                  std::string("shot.lws:2: scene version ") + version +
                      " is not supported; versions 3 to 8 are");
    }
    EXPECT_EQ(error_of("LWSB\n3\n"),
              "shot.lws:1: not a LightWave scene: the first line is not LWSC");
}

TEST(SceneFile, TruncatedOrMissingFilesAreNamedInTheError) {
    TempFolder folder;
    std::string const cut = folder.file("cut.lws");
    std::string const text = read_text(WRITTEN);
    // Within the rock's first channel, after its first key.
    write_text(cut, text.substr(0, text.find("  Key 4 2")));
    for (bool exists : {true, false}) {
        try {
            read_scene_file(cut);
            ADD_FAILURE() << "read";
        } catch (SceneFileError const& e) {
            EXPECT_EQ(std::string(e.what()),
                      cut + (exists ? ":20: the file ends inside the envelope opened on line 18"
                                    : ": cannot be opened: No such file or directory"));
            EXPECT_EQ(e.line(), exists ? 20 : 0);
        }
        std::filesystem::remove(cut);
    }
}

} // namespace
