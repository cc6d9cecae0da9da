#include "LW/camera_sample.h"
#include "LW/module_state.h"
#include "LW/srgb.h"
#include "host/services/host.h"
#include "host/services/scene_globals.h"

#include <gtest/gtest.h>

namespace {

// A point p of the parent's own coordinates lands where the parent puts it in
// the world, seen along the axes of the camera; the camera's scale is left out.
TEST(CameraSample, TakesPointsOfTheParentIntoTheCamerasAxesWhateverItsScale) {
    Host host;
    orrelux_ini.item_info = host_item_info();
    orrelux_ini.camera_info = host_camera_info();
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    LWItemID parent = host.scene.add(LWI_OBJECT, "Sphere");
    host.scene.item(parent).pivot = {0.5, -1, 2};
    host.scene.item(parent).motion = ItemMotion::still({{10, 0, -4}, {1.2, 0.4, -0.1}});
    host.scene.item(cam).motion = ItemMotion::still({{1, 2, 3.5}, {0.7, -0.3, 0.2}});
    ItemFrame const view = host.scene.world(cam, 0.5);
    host.scene.item(cam).motion = ItemMotion::still({{1, 2, 3.5}, {0.7, -0.3, 0.2}, {2, 3, 0.5}});
    camera sample;

    sample_camera(sample, cam, parent, 0.5);

    Vec3 const axes[3] = {view.right, view.up, view.forward};
    for (Vec3 p : {Vec3{0, 0, 0}, Vec3{5, -1, 2}, Vec3{-3, 4, 10}}) {
        Vec3 w = host.scene.world(parent, 0.5).apply(p);
        Vec3 d = {w.x - view.origin.x, w.y - view.origin.y, w.z - view.origin.z};
        for (int i = 0; i < 3; i++) {
            EXPECT_NEAR(p.x * sample.xform(0, i) + p.y * sample.xform(1, i) +
                            p.z * sample.xform(2, i) + sample.xform(3, i),
                        d.x * axes[i].x + d.y * axes[i].y + d.z * axes[i].z, 1e-9);
        }
    }
}

// Their round trip is checked on whole frames.
TEST(SrgbCurves, UseTheOlderBreakpoints) {
    EXPECT_EQ(srgb_to_linear(0.03928f), 0.03928f * 0.07739938f);
    // Below the newer breakpoint 0.04045, yet on the power curve.
    EXPECT_NE(srgb_to_linear(0.04f), 0.04f * 0.07739938f);
    EXPECT_EQ(linear_to_srgb(0.00304f), 0.00304f * 12.92f);
    EXPECT_EQ(linear_to_srgb(1.0f), 0.99999994f);
}

} // namespace
