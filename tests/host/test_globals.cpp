#include "host/host.h"
#include "base/xception.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwrender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace {

double dot(LWDVector a, LWDVector b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

class HostGlobals : public ::testing::Test {
protected:
    template <class T> T* global(char const* name) {
        return static_cast<T*>(Host::global(name, GFUSE_TRANSIENT));
    }
    unsigned value(char const* name) {
        return static_cast<unsigned>(reinterpret_cast<uintptr_t>(Host::global(name, 0)));
    }
    void param(LWItemID id, int code, LWTime t, LWDVector out) {
        global<LWItemInfo>(LWITEMINFO_GLOBAL)->param(id, code, t, out);
    }

    Host host;
};

TEST_F(HostGlobals, SceneInfoIsASnapshotTakenAtLookup) {
    host.scene.frame_width = 320;
    host.scene.frame_height = 200;
    host.scene.frames_per_second = 25;
    host.scene.render_opts = LWROPT_FIELDS | LWROPT_DEPTHOFFIELD;
    LWSceneInfo* info = global<LWSceneInfo>(LWSCENEINFO_GLOBAL);
    EXPECT_EQ(info->frameWidth, 320);
    EXPECT_EQ(info->frameHeight, 200);
    EXPECT_EQ(info->framesPerSecond, 25);
    EXPECT_EQ(info->renderOpts, LWROPT_FIELDS | LWROPT_DEPTHOFFIELD);
    host.scene.frame_width = 640;
    EXPECT_EQ(info->frameWidth, 320);
    EXPECT_EQ(global<LWSceneInfo>(LWSCENEINFO_GLOBAL)->frameWidth, 640);
}

TEST_F(HostGlobals, LimitedRegionIsTheWholeFrameUnlessLimited) {
    host.scene.frame_width = 320;
    host.scene.frame_height = 200;
    int* region = global<LWSceneInfo>(LWSCENEINFO_GLOBAL)->limitedRegion;
    EXPECT_EQ(region[0], 0);
    EXPECT_EQ(region[1], 0);
    EXPECT_EQ(region[2], 319);
    EXPECT_EQ(region[3], 199);
    host.scene.limited_region = true;
    host.scene.region[0] = 10;
    host.scene.region[1] = 20;
    host.scene.region[2] = 19;
    host.scene.region[3] = 29;
    region = global<LWSceneInfo>(LWSCENEINFO_GLOBAL)->limitedRegion;
    EXPECT_EQ(region[0], 10);
    EXPECT_EQ(region[1], 20);
    EXPECT_EQ(region[2], 19);
    EXPECT_EQ(region[3], 29);
}

TEST_F(HostGlobals, RenderCameraIsTheFirstCameraUnlessScheduled) {
    host.scene.add(LWI_OBJECT, "Ball");
    LWItemID first = host.scene.add(LWI_CAMERA, "Camera");
    LWItemID second = host.scene.add(LWI_CAMERA, "Other");
    LWSceneInfo* info = global<LWSceneInfo>(LWSCENEINFO_GLOBAL);
    EXPECT_EQ(info->renderCamera(5.0), first);
    host.scene.camera_at = [=](LWTime t) { return t < 1 ? first : second; };
    EXPECT_EQ(info->renderCamera(0.5), first);
    EXPECT_EQ(info->renderCamera(1.5), second);
}

TEST_F(HostGlobals, FieldOfViewFollowsZoomAndFrameShape) {
    host.scene.frame_width = 640;
    host.scene.frame_height = 480;
    host.scene.pixel_aspect = 1.1;
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    host.scene.item(cam).camera.zoom = [](LWTime t) { return 2.0 + t; };
    LWCameraInfo* info = global<LWCameraInfo>(LWCAMERAINFO_GLOBAL);
    for (LWTime t : {0.0, 1.5}) {
        double zoom = info->zoomFactor(cam, t);
        EXPECT_DOUBLE_EQ(zoom, 2.0 + t);
        double h, v;
        info->fovAngles(cam, t, &h, &v);
        EXPECT_NEAR(std::tan(v / 2), 1 / zoom, 1e-12);
        EXPECT_NEAR(std::tan(h / 2), 1.1 * 640 / 480 / zoom, 1e-12);
    }
}

TEST_F(HostGlobals, FocalLengthIsInMillimetresFromZoomAndAperture) {
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    host.scene.item(cam).camera.aperture_height = 0.024;
    host.scene.item(cam).camera.zoom = constant_curve(2.5);
    EXPECT_DOUBLE_EQ(global<LWCameraInfo>(LWCAMERAINFO_GLOBAL)->focalLength(cam, 0), 30.0);
}

TEST_F(HostGlobals, CameraPropertiesAnswerPerCameraAndTime) {
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    CameraSettings& settings = host.scene.item(cam).camera;
    settings.focal_distance = [](LWTime t) { return 3 + t; };
    settings.f_stop = constant_curve(2.8);
    settings.blur_length = constant_curve(0.25);
    settings.flags = LWCAMF_MASK | LWCAMF_MOTION_BLUR;
    settings.mask[0] = 4;
    settings.mask[1] = 5;
    settings.mask[2] = 60;
    settings.mask[3] = 70;
    LWCameraInfo* info = global<LWCameraInfo>(LWCAMERAINFO_GLOBAL);
    EXPECT_DOUBLE_EQ(info->focalDistance(cam, 2), 5);
    EXPECT_DOUBLE_EQ(info->fStop(cam, 0), 2.8);
    EXPECT_DOUBLE_EQ(info->blurLength(cam, 0), 0.25);
    EXPECT_EQ(info->flags(cam), LWCAMF_MASK | LWCAMF_MOTION_BLUR);
    int x0, y0, x1, y1;
    info->mask(cam, &x0, &y0, &x1, &y1);
    EXPECT_EQ(x0, 4);
    EXPECT_EQ(y0, 5);
    EXPECT_EQ(x1, 60);
    EXPECT_EQ(y1, 70);
}

TEST_F(HostGlobals, CameraFunctionsGiveZerosForOtherItems) {
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    LWCameraInfo* info = global<LWCameraInfo>(LWCAMERAINFO_GLOBAL);
    EXPECT_EQ(info->zoomFactor(ball, 0), 0);
    EXPECT_EQ(info->flags(ball), 0u);
    double h = 1, v = 1;
    info->fovAngles(ball, 0, &h, &v);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(v, 0);
}

TEST_F(HostGlobals, ItemWalkVisitsEachTypeInSceneOrder) {
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    LWItemID sun = host.scene.add(LWI_LIGHT, "Sun");
    LWItemID cube = host.scene.add(LWI_OBJECT, "Cube with spaces");
    LWItemInfo* info = global<LWItemInfo>(LWITEMINFO_GLOBAL);
    EXPECT_EQ(info->first(LWI_OBJECT, nullptr), ball);
    EXPECT_EQ(info->next(ball), cube);
    EXPECT_EQ(info->next(cube), nullptr);
    EXPECT_EQ(info->first(LWI_LIGHT, nullptr), sun);
    EXPECT_EQ(info->next(sun), nullptr);
    EXPECT_EQ(info->first(LWI_CAMERA, nullptr), nullptr);
    EXPECT_STREQ(info->name(cube), "Cube with spaces");
}

TEST_F(HostGlobals, ItemIdsFitIn32BitsAndCarryTheirType) {
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    LWItemID cube = host.scene.add(LWI_OBJECT, "Cube");
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    EXPECT_EQ(reinterpret_cast<uintptr_t>(ball), 0x10000000u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(cube), 0x10000001u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(cam), 0x30000000u);
}

TEST_F(HostGlobals, ChildTransformsFollowTheirParent) {
    LWItemID parent = host.scene.add(LWI_OBJECT, "Parent");
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    host.scene.set_parent(cam, parent);
    // The parent turns a quarter to the right (+Z toward +X) over one second.
    host.scene.item(parent).motion = [](LWTime t) {
        ItemPose pose;
        pose.position = {1, 2, 3};
        pose.rotation = {t * M_PI / 2, 0, 0};
        return pose;
    };
    host.scene.item(cam).motion = [](LWTime) {
        ItemPose pose;
        pose.position = {0, 0, 5};
        return pose;
    };
    LWDVector pos, forward, right, up;
    param(cam, LWIP_W_POSITION, 0, pos);
    EXPECT_NEAR(pos[0], 1, 1e-12);
    EXPECT_NEAR(pos[2], 8, 1e-12);
    param(cam, LWIP_W_POSITION, 1, pos);
    param(cam, LWIP_FORWARD, 1, forward);
    param(cam, LWIP_RIGHT, 1, right);
    param(cam, LWIP_UP, 1, up);
    EXPECT_NEAR(pos[0], 6, 1e-12);
    EXPECT_NEAR(pos[1], 2, 1e-12);
    EXPECT_NEAR(pos[2], 3, 1e-12);
    EXPECT_NEAR(forward[0], 1, 1e-12);
    EXPECT_NEAR(right[2], -1, 1e-12);
    EXPECT_NEAR(up[1], 1, 1e-12);
}

TEST_F(HostGlobals, AxesAreOrthonormalUnderRotationAndIncludeScale) {
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    host.scene.item(cam).motion = [](LWTime) {
        ItemPose pose;
        pose.rotation = {0.3, -0.7, 1.1};
        pose.scale = {2, 2, 2};
        return pose;
    };
    LWDVector r, u, f;
    param(cam, LWIP_RIGHT, 0, r);
    param(cam, LWIP_UP, 0, u);
    param(cam, LWIP_FORWARD, 0, f);
    EXPECT_NEAR(dot(r, r), 4, 1e-12);
    EXPECT_NEAR(dot(u, u), 4, 1e-12);
    EXPECT_NEAR(dot(r, u), 0, 1e-12);
    EXPECT_NEAR(dot(u, f), 0, 1e-12);
    // Left-handed: right × up = forward.
    LWDVector cross = {r[1] * u[2] - r[2] * u[1], r[2] * u[0] - r[0] * u[2],
                       r[0] * u[1] - r[1] * u[0]};
    EXPECT_NEAR(dot(cross, f), 8, 1e-9);
}

TEST_F(HostGlobals, PitchTurnsTheNoseDown) {
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    host.scene.item(cam).motion = [](LWTime) {
        ItemPose pose;
        pose.rotation = {0, M_PI / 2, 0};
        return pose;
    };
    LWDVector f;
    param(cam, LWIP_FORWARD, 0, f);
    EXPECT_NEAR(f[1], -1, 1e-12);
}

TEST_F(HostGlobals, WorldPositionIsWhereThePivotGoes) {
    LWItemID item = host.scene.add(LWI_OBJECT, "Door");
    host.scene.item(item).pivot = {1, 0, 0};
    host.scene.item(item).motion = [](LWTime) {
        ItemPose pose;
        pose.position = {4, 0, 0};
        pose.rotation = {1.0, 0.2, 0.4};
        return pose;
    };
    LWDVector pos, pivot;
    param(item, LWIP_W_POSITION, 0, pos);
    param(item, LWIP_PIVOT, 0, pivot);
    EXPECT_NEAR(pos[0], 4, 1e-12);
    EXPECT_NEAR(pos[1], 0, 1e-12);
    EXPECT_NEAR(pos[2], 0, 1e-12);
    EXPECT_EQ(pivot[0], 1);
}

TEST_F(HostGlobals, ParentingIntoACycleIsRefused) {
    LWItemID a = host.scene.add(LWI_OBJECT, "A");
    LWItemID b = host.scene.add(LWI_OBJECT, "B");
    host.scene.set_parent(b, a);
    try {
        host.scene.set_parent(a, b);
        FAIL() << "made a cycle";
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "parenting A to B would make a cycle in <void "
                                  "HostScene::set_parent(LWItemID, LWItemID)> (host/scene:110)");
    }
    EXPECT_EQ(host.scene.item(a).parent, nullptr);
}

TEST_F(HostGlobals, SystemIdAndProductInfoAreTheValuesSet) {
    host.system_id = 0x30000001u;
    host.product_info = 8u << 20;
    EXPECT_EQ(value(LWSYSTEMID_GLOBAL) & LWSYS_TYPEBITS, 0x30000000u);
    EXPECT_EQ(LWINF_GETMAJOR(value(LWPRODUCTINFO_GLOBAL)), 8u);
    host.product_info = 15u << 20 | 0x5432u;
    EXPECT_EQ(LWINF_GETMAJOR(value(LWPRODUCTINFO_GLOBAL)), 15u);
}

TEST_F(HostGlobals, RemovedAndUnknownGlobalsAreNull) {
    EXPECT_NE(Host::global(LWFILEIOFUNCS_GLOBAL, 0), nullptr);
    host.remove_global(LWFILEIOFUNCS_GLOBAL);
    EXPECT_EQ(Host::global(LWFILEIOFUNCS_GLOBAL, 0), nullptr);
    EXPECT_NE(Host::global(LWITEMINFO_GLOBAL, 0), nullptr);
    EXPECT_EQ(Host::global("No Such Global", 0), nullptr);
}

TEST_F(HostGlobals, ErrorMessagesAreKeptInOrder) {
    LWMessageFuncs* messages = global<LWMessageFuncs>(LWMESSAGEFUNCS_GLOBAL);
    messages->error("first", "detail");
    messages->error("second", nullptr);
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[0].line1, "first");
    EXPECT_EQ(host.messages()[0].line2, "detail");
    EXPECT_TRUE(host.messages()[0].has_line2);
    EXPECT_EQ(host.messages()[1].line1, "second");
    EXPECT_FALSE(host.messages()[1].has_line2);
}

} // namespace
