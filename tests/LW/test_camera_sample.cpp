#include "LW/camera_sample.h"
#include "LW/host_globals.h"
#include "LW/orrelux_ini.h"
#include "LW/srgb.h"
#include "host/host.h"
#include "host/scene_globals.h"

#include <gtest/gtest.h>

namespace {

ItemPose pose(Vec3 position, Vec3 rotation, Vec3 scale = {1, 1, 1}) {
    ItemPose p;
    p.position = position;
    p.rotation = rotation;
    p.scale = scale;
    return p;
}

// That the transform takes p to the coordinates of `world` along the axes of
// the host's own frame of the camera.
void expect_maps(DblMatrix4 const& m, Vec3 p, ItemFrame const& cam, Vec3 world) {
    Vec3 d = {world.x - cam.origin.x, world.y - cam.origin.y, world.z - cam.origin.z};
    Vec3 const axes[3] = {cam.right, cam.up, cam.forward};
    for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(p.x * m(0, i) + p.y * m(1, i) + p.z * m(2, i) + m(3, i),
                    d.x * axes[i].x + d.y * axes[i].y + d.z * axes[i].z, 1e-9);
    }
}

class CameraSample : public ::testing::Test {
protected:
    CameraSample() {
        orrelux_ini.item_info = host_item_info();
        camera_info = host_camera_info();
    }

    Host host;
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
};

TEST_F(CameraSample, MapsPointsOfTheWorldOrOfTheParentIntoTheCamerasAxesWhateverItsScale) {
    host.scene.item(cam).motion = [](LWTime t) { return pose({1, 2, 3 + t}, {0.7, -0.3, 0.2}); };
    LWItemID parent = host.scene.add(LWI_OBJECT, "Sphere");
    host.scene.item(parent).pivot = {0.5, -1, 2};
    host.scene.item(parent).motion = [](LWTime) { return pose({10, 0, -4}, {1.2, 0.4, -0.1}); };
    camera plain, parented, scaled;
    sample_camera(plain, cam, nullptr, 0.5);
    sample_camera(parented, cam, parent, 0.5);
    ItemFrame frame = host.scene.world(cam, 0.5);
    for (Vec3 p : {Vec3{0, 0, 0}, Vec3{5, -1, 2}, Vec3{-3, 4, 10}}) {
        expect_maps(plain.xform, p, frame, p);
        expect_maps(parented.xform, p, frame, host.scene.world(parent, 0.5).apply(p));
    }
    host.scene.item(cam).motion = [](LWTime t) {
        return pose({1, 2, 3 + t}, {0.7, -0.3, 0.2}, {2, 3, 0.5});
    };
    sample_camera(scaled, cam, nullptr, 0.5);
    for (int i = 0; i < 16; i++) {
        EXPECT_NEAR(scaled.xform[i], plain.xform[i], 1e-9) << i;
    }
}

TEST(SrgbCurves, UseTheOlderBreakpointsAndAreNearlyInverseAndRising) {
    EXPECT_EQ(srgb_to_linear(0.03928f), 0.03928f * 0.07739938f);
    // Below the newer breakpoint 0.04045, yet on the power curve.
    EXPECT_NE(srgb_to_linear(0.04f), 0.04f * 0.07739938f);
    EXPECT_EQ(linear_to_srgb(0.00304f), 0.00304f * 12.92f);
    EXPECT_EQ(linear_to_srgb(1.0f), 0.99999994f);
    float previous = -1;
    for (int i = 0; i <= 1000; i++) {
        float v = i / 1000.0f;
        float linear = srgb_to_linear(v);
        EXPECT_GT(linear, previous);
        EXPECT_NEAR(linear_to_srgb(linear), v, 2e-6);
        previous = linear;
    }
}

} // namespace
