#include "host/scene/scene_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

double const PI = 3.14159265358979323846;

std::string constant(int channel, double value) {
    char key[64];
    snprintf(key, sizeof key, "%.17g", value);
    return "Channel " + std::to_string(channel) + "\n{ Envelope\n  1\n  Key " + key +
           " 0 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n";
}

// The rig sits at (1, 2, 3) turned 90 degrees to the right, its mark 1 m up
// and 10 m ahead of it sliding 4 m along the rig's X in a second: in the
// world the mark is at (11, 3, 3 - 4t).
std::string const RIG = "AddNullObject 10000000 Rig\nObjectMotion\nNumChannels 9\n" +
                        constant(0, 1) + constant(1, 2) + constant(2, 3) + constant(3, PI / 2) +
                        "AddNullObject 10000001 Mark\nParentItem 10000000\nObjectMotion\n"
                        "NumChannels 9\nChannel 0\n{ Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0\n"
                        "  Key 4 1 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\n" +
                        constant(1, 1) + constant(2, 10);

Vec3 mark_at(double t) {
    return {11, 3, 3 - 4 * t};
}

double heading_to(Vec3 d) {
    return std::atan2(d.x, d.z);
}
double pitch_to(Vec3 d) {
    return std::atan2(-d.y, std::hypot(d.x, d.z));
}

// The forward axis of heading h and pitch p.
Vec3 forward(double h, double p) {
    return {std::sin(h) * std::cos(p), -std::sin(p), std::cos(h) * std::cos(p)};
}

void expect_axis(Vec3 got, Vec3 expected, char const* what, double t) {
    EXPECT_NEAR(got.x, expected.x, 1e-12) << what << " at " << t;
    EXPECT_NEAR(got.y, expected.y, 1e-12) << what << " at " << t;
    EXPECT_NEAR(got.z, expected.z, 1e-12) << what << " at " << t;
}

// A camera at the origin with a bank of its own looks at the moving mark;
// its leftover heading and pitch keys are overruled, its bank still holds.
TEST(Targets, ATargetedCameraLooksAtItsMovingParentedTargetAndKeepsItsBank) {
    SceneFile file =
        read_scene_text("LWSC\n5\n" + RIG + "AddCamera 30000000\nCameraMotion\nNumChannels 6\n" +
                            constant(3, 0.7) + constant(4, -0.3) + constant(5, 0.2) +
                            "HController 1\nPController 1\nTargetItem 10000001\n",
                        "aim.lws");
    HostScene const& scene = file.scene;
    EXPECT_TRUE(file.notes.not_evaluated.empty());
    for (double t : {0.0, 0.25, 0.5, 1.0, 1.5}) {
        Vec3 const d = mark_at(std::min(t, 1.0));
        double const h = heading_to(d), p = pitch_to(d);
        ItemFrame const cam = scene.world(scene.current_camera, t);
        expect_axis(cam.forward, forward(h, p), "forward", t);
        // Bank 0.2 turns the right axis up by sin 0.2 times cos p.
        EXPECT_NEAR(cam.right.y, std::cos(p) * std::sin(0.2), 1e-12) << t;
    }
}

// Only the heading is aimed: the pitch keys hold. The light hangs under a
// null 2 m up, so the direction is taken in its parent's space.
TEST(Targets, ATargetedLightAimsOnlyTheChannelsItsControllersName) {
    SceneFile file = read_scene_text("LWSC\n5\n" + RIG +
                                         "AddNullObject 10000002 Boom\nObjectMotion\n"
                                         "NumChannels 9\n" +
                                         constant(1, 2) + constant(3, PI) +
                                         "AddLight 20000000\nParentItem 10000002\nLightMotion\n"
                                         "NumChannels 9\n" +
                                         constant(4, 0.4) +
                                         "HController 1\nTargetItem 10000001\n"
                                         "AddCamera 30000000\n",
                                     "light.lws");
    HostScene const& scene = file.scene;
    for (double t : {0.0, 0.5}) {
        // The boom turned 180 degrees and 2 m up: the mark in its space.
        Vec3 const m = mark_at(t);
        Vec3 const local{-m.x, m.y - 2, -m.z};
        double const h = heading_to(local);
        ItemFrame const light = scene.world(scene.items()[3].id, t);
        Vec3 const f = forward(h, 0.4);
        expect_axis(light.forward, {-f.x, f.y, -f.z}, "forward", t);
    }
}

TEST(Targets, AnAimThatWouldDependOnItselfIsRefused) {
    std::string const cam = "LWSC\n5\nAddCamera 30000000\nHController 1\n";
    // The target rides on the camera: where it is depends on where the
    // camera looks.
    EXPECT_THROW(read_scene_text(cam + "TargetItem 10000000\nAddNullObject 10000000 Tip\n"
                                       "ParentItem 30000000\n",
                                 "loop.lws"),
                 SceneFileError);
    // Through a second aim: the camera looks at a mark on a boom that looks
    // at a tip riding on the camera.
    try {
        read_scene_text(cam + "TargetItem 10000001\n"
                              "AddNullObject 10000000 Boom\nHController 1\nTargetItem 10000002\n"
                              "AddNullObject 10000001 Mark\nParentItem 10000000\n"
                              "AddNullObject 10000002 Tip\nParentItem 30000000\n",
                        "ring.lws");
        ADD_FAILURE() << "read";
    } catch (SceneFileError const& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ring.lws:8: TargetItem: pointing Boom at Tip would make its "
                  "rotation depend on itself");
    }
    // Aiming at itself depends only on its own position: allowed.
    EXPECT_NO_THROW(read_scene_text(cam + "TargetItem 30000000\n", "self.lws"));
}

} // namespace

TEST(Targets, ADeepRigOfAimsUnderAimsIsWorkedOutAtOnce) {
    // Forty nulls, each parented to the one before and aiming at the first:
    // every frame below asks for the frames above it again.
    std::string text = "LWSC\n5\nAddNullObject 10000000 Anchor\nObjectMotion\nNumChannels 9\n" +
                       constant(0, 1) + constant(2, 5);
    for (int i = 1; i < 40; i++) {
        char item[160];
        snprintf(item, sizeof item,
                 "AddNullObject 1%07X Link\nParentItem 1%07X\nObjectMotion\nNumChannels 9\n", i,
                 i - 1);
        text += item + constant(1, 0.5) + "HController 1\nPController 1\nTargetItem 10000000\n";
    }
    text += "AddCamera 30000000\nParentItem 10000027\n";
    SceneFile const file = read_scene_text(text, "deep.lws");
    HostScene const& scene = file.scene;
    Vec3 const anchor = scene.world(scene.items().front().id, 0.5).origin;
    for (std::size_t i = 1; i < scene.items().size(); i++) {
        ItemFrame const link = scene.world(scene.items()[i].id, 0.5);
        Vec3 const d{anchor.x - link.origin.x, anchor.y - link.origin.y, anchor.z - link.origin.z};
        double const length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        double const along =
            (d.x * link.forward.x + d.y * link.forward.y + d.z * link.forward.z) / length;
        EXPECT_NEAR(along, 1.0, 1e-9) << "link " << i;
    }
}
