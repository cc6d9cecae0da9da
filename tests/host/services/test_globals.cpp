#include "host/services/host.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwrender.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using ::testing::DoubleNear;
using ::testing::ElementsAre;
using ::testing::Pointwise;

using Vector = std::vector<double>;

auto near(Vector expected) {
    return Pointwise(DoubleNear(1e-12), expected);
}

class HostGlobals : public ::testing::Test {
protected:
    template <class T> T* global(char const* name) {
        return static_cast<T*>(Host::global(name, GFUSE_TRANSIENT));
    }
    Vector param(LWItemID id, int code, LWTime t) {
        LWDVector v;
        global<LWItemInfo>(LWITEMINFO_GLOBAL)->param(id, code, t, v);
        return {v[0], v[1], v[2]};
    }
    static ItemMotion still(Vec3 position, Vec3 rotation, Vec3 scale = {1, 1, 1}) {
        return ItemMotion::still(ItemPose{position, rotation, scale});
    }
    // From v0 at t0 to v1 at t1, on along the same line after.
    static Envelope ramp(double t0, double v0, double t1, double v1) {
        EnvelopeKey a{v0, t0, SpanType::LINEAR, {}}, b{v1, t1, SpanType::LINEAR, {}};
        return Envelope({a, b}, Behaviour::LINEAR, Behaviour::LINEAR);
    }

    Host host;
};

TEST_F(HostGlobals, RenderCameraIsTheFirstCameraUnlessOneIsChosen) {
    host.scene.add(LWI_OBJECT, "Ball");
    LWItemID first = host.scene.add(LWI_CAMERA, "Camera");
    LWItemID second = host.scene.add(LWI_CAMERA, "Other");
    LWSceneInfo* info = global<LWSceneInfo>(LWSCENEINFO_GLOBAL);
    EXPECT_EQ(info->renderCamera(5.0), first);
    host.scene.current_camera = second;
    EXPECT_EQ(info->renderCamera(1.5), second);
}

// Zoom 2 to 3 over the first second, on along the same line after.
TEST_F(HostGlobals, CameraInfoAnswersPerCameraAndTime) {
    host.scene.pixel_aspect = 1.1;
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    CameraSettings& settings = host.scene.item(cam).camera;
    settings.zoom = ramp(0, 2, 1, 3);
    settings.flags = LWCAMF_MASK | LWCAMF_USECAMTYPE;
    settings.mask[2] = 60;
    LWCameraInfo* info = global<LWCameraInfo>(LWCAMERAINFO_GLOBAL);
    double h, v;
    info->fovAngles(cam, 1.5, &h, &v);
    EXPECT_NEAR(std::tan(v / 2), 1 / 3.5, 1e-12);
    EXPECT_NEAR(std::tan(h / 2), 1.1 * 640 / 480 / 3.5, 1e-12) << "pixel aspect 1.1, 640 x 480";
    EXPECT_EQ(info->flags(cam), 0x84u) << "mask is bit 4, another camera type 0x80";
    EXPECT_EQ(info->flags(ball), 0u);
    int limits[4];
    info->maskLimits(ball, &limits[0], &limits[1], &limits[2], &limits[3]);
    EXPECT_THAT(limits, ElementsAre(0, 0, 0, 0));
}

TEST_F(HostGlobals, ItemInfoWalksItemsByTypeAndChildrenInSceneOrder) {
    LWItemID parent = host.scene.add(LWI_OBJECT, "Parent");
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    LWItemID light = host.scene.add(LWI_LIGHT, "Light");
    LWItemID ball = host.scene.add(LWI_OBJECT, "Ball");
    host.scene.set_parent(cam, parent);
    host.scene.set_parent(ball, parent);
    LWItemInfo* info = global<LWItemInfo>(LWITEMINFO_GLOBAL);
    EXPECT_EQ(info->first(LWI_OBJECT, nullptr), parent);
    EXPECT_EQ(info->next(parent), ball);
    EXPECT_EQ(info->next(ball), nullptr);
    EXPECT_EQ(info->firstChild(parent), cam);
    EXPECT_EQ(info->nextChild(parent, cam), ball);
    EXPECT_EQ(info->nextChild(parent, ball), nullptr);
    EXPECT_EQ(info->firstChild(light), nullptr);
    EXPECT_EQ(info->parent(ball), parent);
    EXPECT_EQ(info->parent(parent), nullptr);
    EXPECT_EQ(info->type(light), LWI_LIGHT);
    EXPECT_STREQ(info->name(cam), "Camera");
    host.scene.set_target(light, ball, true, false);
    EXPECT_EQ(info->target(light), ball);
    EXPECT_EQ(info->target(cam), nullptr);
    host.scene.remove(ball);
    EXPECT_EQ(info->target(light), nullptr);
}

TEST_F(HostGlobals, ChildTransformsFollowTheirParentOverTime) {
    LWItemID parent = host.scene.add(LWI_OBJECT, "Parent");
    LWItemID cam = host.scene.add(LWI_CAMERA, "Camera");
    host.scene.set_parent(cam, parent);
    // The parent turns a quarter to the right (+Z toward +X) over one second.
    host.scene.item(parent).motion = still({1, 2, 3}, {});
    host.scene.item(parent).motion.rotation[0] = ramp(0, 0, 1, M_PI / 2);
    host.scene.item(cam).motion = still({0, 0, 5}, {});
    EXPECT_THAT(param(cam, LWIP_W_POSITION, 0), near({1, 2, 8}));
    EXPECT_THAT(param(cam, LWIP_W_POSITION, 1), near({6, 2, 3}));
    EXPECT_THAT(param(cam, LWIP_FORWARD, 1), near({1, 0, 0}));
    EXPECT_THAT(param(cam, LWIP_RIGHT, 1), near({0, 0, -1}));
    EXPECT_THAT(param(cam, LWIP_UP, 1), near({0, 1, 0}));
}

TEST_F(HostGlobals, MessagesAreKeptInOrderWithTheirKindAndShownOnStandardError) {
    LWMessageFuncs* messages = global<LWMessageFuncs>(LWMESSAGEFUNCS_GLOBAL);
    ::testing::internal::CaptureStderr();
    messages->error("first", "detail");
    messages->info("second", nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "host error: first\n            detail\nhost info: second\n");
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[0].kind, HostMessage::ERROR);
    EXPECT_EQ(host.messages()[1].kind, HostMessage::INFO);
    EXPECT_FALSE(host.messages()[1].has_line2);
}

} // namespace
