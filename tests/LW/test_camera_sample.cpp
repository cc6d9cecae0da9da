#include "LW/camera_sample.h"
#include "LW/host_globals.h"
#include "LW/orrelux_ini.h"
#include "LW/srgb.h"
#include "host/host.h"
#include "host/scene_globals.h"
#include "base/xception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

Vec3 times(Vec3 const& p, DblMatrix4 const& m) {
    return {p.x * m(0, 0) + p.y * m(1, 0) + p.z * m(2, 0) + m(3, 0),
            p.x * m(0, 1) + p.y * m(1, 1) + p.z * m(2, 1) + m(3, 1),
            p.x * m(0, 2) + p.y * m(1, 2) + p.z * m(2, 2) + m(3, 2)};
}

double dot(Vec3 const& a, Vec3 const& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 minus(Vec3 const& a, Vec3 const& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

// Camera coordinates of a world point, from the host's own frame of the
// camera (its axes are orthonormal when the camera is unscaled).
Vec3 in_camera(ItemFrame const& cam, Vec3 const& world) {
    Vec3 d = minus(world, cam.origin);
    return {dot(d, cam.right), dot(d, cam.up), dot(d, cam.forward)};
}

void expect_near(Vec3 const& a, Vec3 const& b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
    EXPECT_NEAR(a.z, b.z, 1e-9);
}

ItemPose pose(Vec3 position, Vec3 rotation, Vec3 scale = {1, 1, 1}) {
    ItemPose p;
    p.position = position;
    p.rotation = rotation;
    p.scale = scale;
    return p;
}

class CameraSample : public ::testing::Test {
protected:
    CameraSample() {
        orrelux_ini.item_info = host_item_info();
        camera_info = host_camera_info();
        cam = host.scene.add(LWI_CAMERA, "Camera");
        host.scene.item(cam).motion = [](LWTime t) {
            return pose({1, 2, 3 + t}, {0.7, -0.3, 0.2});
        };
    }

    Host host;
    LWItemID cam;
};

TEST_F(CameraSample, MapsWorldPointsIntoTheCamerasOwnAxes) {
    camera sample;
    sample_camera(sample, cam, nullptr, 0.5);
    ItemFrame frame = host.scene.world(cam, 0.5);
    for (Vec3 p : {Vec3{0, 0, 0}, Vec3{5, -1, 2}, Vec3{-3, 4, 10}}) {
        expect_near(times(p, sample.xform), in_camera(frame, p));
    }
    EXPECT_EQ(sample.zoom, 3.2);
    EXPECT_EQ(sample.near, 1.0);
    EXPECT_EQ(sample.far, -1.0);
}

TEST_F(CameraSample, ScaledCameraSeesTheSameAsAnUnscaledOne) {
    camera plain;
    sample_camera(plain, cam, nullptr, 0);
    host.scene.item(cam).motion = [](LWTime) {
        return pose({1, 2, 3}, {0.7, -0.3, 0.2}, {2, 3, 0.5});
    };
    camera scaled;
    sample_camera(scaled, cam, nullptr, 0);
    for (int i = 0; i < 16; i++) {
        EXPECT_NEAR(scaled.xform[i], plain.xform[i], 1e-9) << i;
    }
}

TEST_F(CameraSample, ParentCarriesTheStarSphereInItsOwnCoordinates) {
    LWItemID parent = host.scene.add(LWI_OBJECT, "Sphere");
    HostItem& sphere = host.scene.item(parent);
    sphere.pivot = {0.5, -1, 2};
    sphere.motion = [](LWTime) { return pose({10, 0, -4}, {1.2, 0.4, -0.1}); };
    camera sample;
    sample_camera(sample, cam, parent, 0);
    ItemFrame cam_frame = host.scene.world(cam, 0);
    ItemFrame sphere_frame = host.scene.world(parent, 0);
    for (Vec3 s : {Vec3{0, 0, 0}, Vec3{1, 2, 3}, Vec3{-4, 0.5, 7}}) {
        expect_near(times(s, sample.xform), in_camera(cam_frame, sphere_frame.apply(s)));
    }
}

TEST_F(CameraSample, WithoutTheSceneRecordTheFirstCameraRenders) {
    scene_info = nullptr;
    host.scene.add(LWI_CAMERA, "Second");
    EXPECT_EQ(get_camera_id(0), cam);
}

TEST(CameraLookup, SceneWithoutACameraHasNoCameraToRender) {
    Host host;
    orrelux_ini.item_info = host_item_info();
    scene_info = nullptr;
    try {
        get_camera_id(0);
        FAIL() << "no exception";
    } catch (StrXception const& e) {
        EXPECT_EQ(std::string(e.message()),
                  "no camera? in <LWItemID get_camera_id(double)> (LW/orrelux:300)");
    }
}

TEST(SrgbCurves, UseTheOlderBreakpoints) {
    EXPECT_EQ(srgb_to_linear(0.03928f), 0.03928f * 0.07739938f);
    // Below the newer breakpoint 0.04045, yet on the power curve.
    EXPECT_NE(srgb_to_linear(0.04f), 0.04f * 0.07739938f);
    EXPECT_EQ(linear_to_srgb(0.00304f), 0.00304f * 12.92f);
}

TEST(SrgbCurves, WhiteComesBackJustBelowOne) {
    EXPECT_EQ(linear_to_srgb(1.0f), 0.99999994f);
    EXPECT_EQ(srgb_to_linear(1.0f), 1.0f);
}

TEST(SrgbCurves, AreNearlyInverseAndRising) {
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
