#include "lwsdk/lwrender.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwrenderLayout, SceneInfoIsTheHostsUpToTheRenderCamera) {
    static_assert(offsetof(LWSceneInfo, name) == 0);
    static_assert(offsetof(LWSceneInfo, filename) == 8);
    static_assert(offsetof(LWSceneInfo, numPoints) == 16);
    static_assert(offsetof(LWSceneInfo, numPolygons) == 20);
    static_assert(offsetof(LWSceneInfo, renderType) == 24);
    static_assert(offsetof(LWSceneInfo, renderOpts) == 28);
    static_assert(offsetof(LWSceneInfo, frameStart) == 32);
    static_assert(offsetof(LWSceneInfo, frameEnd) == 36);
    static_assert(offsetof(LWSceneInfo, frameStep) == 40);
    static_assert(offsetof(LWSceneInfo, framesPerSecond) == 48);
    static_assert(offsetof(LWSceneInfo, frameWidth) == 56);
    static_assert(offsetof(LWSceneInfo, frameHeight) == 60);
    static_assert(offsetof(LWSceneInfo, pixelAspect) == 64);
    static_assert(offsetof(LWSceneInfo, minSamplesPerPixel) == 72);
    static_assert(offsetof(LWSceneInfo, maxSamplesPerPixel) == 76);
    static_assert(offsetof(LWSceneInfo, limitedRegion) == 80);
    static_assert(offsetof(LWSceneInfo, recursionDepth) == 96);
    static_assert(offsetof(LWSceneInfo, renderCamera) == 104);
    static_assert(sizeof(LWSceneInfo) == 112);
    static_assert(std::is_same_v<decltype(LWSceneInfo::renderOpts), int>);
    static_assert(std::is_same_v<decltype(LWSceneInfo::framesPerSecond), double>);
    static_assert(std::is_same_v<decltype(LWSceneInfo::limitedRegion), int[4]>);
    static_assert(std::is_same_v<decltype(LWSceneInfo::renderCamera), LWItemID (*)(double)>);
}

TEST(LwrenderLayout, ItemInfoIsTheHostsUpToParam) {
    static_assert(offsetof(LWItemInfo, first) == 0);
    static_assert(offsetof(LWItemInfo, next) == 8);
    static_assert(offsetof(LWItemInfo, firstChild) == 16);
    static_assert(offsetof(LWItemInfo, nextChild) == 24);
    static_assert(offsetof(LWItemInfo, parent) == 32);
    static_assert(offsetof(LWItemInfo, target) == 40);
    static_assert(offsetof(LWItemInfo, goal) == 48);
    static_assert(offsetof(LWItemInfo, type) == 56);
    static_assert(offsetof(LWItemInfo, name) == 64);
    static_assert(offsetof(LWItemInfo, param) == 72);
    static_assert(sizeof(LWItemInfo) == 80);
    static_assert(std::is_same_v<decltype(LWItemInfo::first), LWItemID (*)(int, LWItemID)>);
    static_assert(std::is_same_v<decltype(LWItemInfo::next), LWItemID (*)(LWItemID)>);
    static_assert(std::is_same_v<decltype(LWItemInfo::firstChild), LWItemID (*)(LWItemID)>);
    static_assert(
        std::is_same_v<decltype(LWItemInfo::nextChild), LWItemID (*)(LWItemID, LWItemID)>);
    static_assert(std::is_same_v<decltype(LWItemInfo::parent), LWItemID (*)(LWItemID)>);
    static_assert(std::is_same_v<decltype(LWItemInfo::target), LWItemID (*)(LWItemID)>);
    static_assert(std::is_same_v<decltype(LWItemInfo::goal), LWItemID (*)(LWItemID)>);
    static_assert(std::is_same_v<decltype(LWItemInfo::type), int (*)(LWItemID)>);
    static_assert(std::is_same_v<decltype(LWItemInfo::name), const char* (*)(LWItemID)>);
    static_assert(
        std::is_same_v<decltype(LWItemInfo::param), void (*)(LWItemID, int, double, double*)>);
}

TEST(LwrenderLayout, CameraInfoIsTheHostsUpToMaskLimits) {
    using Limits = void (*)(LWItemID, int*, int*, int*, int*);
    using Value = double (*)(LWItemID, double);
    static_assert(offsetof(LWCameraInfo, zoomFactor) == 0);
    static_assert(offsetof(LWCameraInfo, focalLength) == 8);
    static_assert(offsetof(LWCameraInfo, focalDistance) == 16);
    static_assert(offsetof(LWCameraInfo, fStop) == 24);
    static_assert(offsetof(LWCameraInfo, blurLength) == 32);
    static_assert(offsetof(LWCameraInfo, fovAngles) == 40);
    static_assert(offsetof(LWCameraInfo, flags) == 48);
    static_assert(offsetof(LWCameraInfo, resolution) == 56);
    static_assert(offsetof(LWCameraInfo, pixelAspect) == 64);
    static_assert(offsetof(LWCameraInfo, separation) == 72);
    static_assert(offsetof(LWCameraInfo, regionLimits) == 80);
    static_assert(offsetof(LWCameraInfo, maskLimits) == 88);
    static_assert(sizeof(LWCameraInfo) == 96);
    static_assert(std::is_same_v<decltype(LWCameraInfo::zoomFactor), Value>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::focalLength), Value>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::focalDistance), Value>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::fStop), Value>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::blurLength), Value>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::fovAngles),
                                 void (*)(LWItemID, double, double*, double*)>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::flags), unsigned int (*)(LWItemID)>);
    static_assert(
        std::is_same_v<decltype(LWCameraInfo::resolution), void (*)(LWItemID, int*, int*)>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::pixelAspect), Value>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::separation), Value>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::regionLimits), Limits>);
    static_assert(std::is_same_v<decltype(LWCameraInfo::maskLimits), Limits>);
}

TEST(LwrenderConstants, AreTheHosts) {
    EXPECT_STREQ(LWSCENEINFO_GLOBAL, "LW Scene Info 12");
    EXPECT_STREQ(LWCAMERAINFO_GLOBAL, "LW Camera Info 10");
    EXPECT_STREQ(LWITEMINFO_GLOBAL, "LW Item Info 9");
    EXPECT_EQ(LWI_OBJECT, 0);
    EXPECT_EQ(LWI_LIGHT, 1);
    EXPECT_EQ(LWI_CAMERA, 2);
    EXPECT_EQ(LWI_BONE, 3);
    EXPECT_EQ(LWIP_RIGHT, 2);
    EXPECT_EQ(LWIP_UP, 3);
    EXPECT_EQ(LWIP_FORWARD, 4);
    EXPECT_EQ(LWIP_PIVOT, 7);
    EXPECT_EQ(LWIP_W_POSITION, 8);
    EXPECT_EQ(LWROPT_FIELDS, 0x8);
    EXPECT_EQ(LWROPT_EVENFIELDS, 0x10);
    EXPECT_EQ(LWROPT_MOTIONBLUR, 0x20);
    EXPECT_EQ(LWROPT_DEPTHOFFIELD, 0x40);
    EXPECT_EQ(LWROPT_LIMITEDREGION, 0x80);
    EXPECT_EQ(LWCAMF_STEREO, 0x1u);
    EXPECT_EQ(LWCAMF_LIMITED_REGION, 0x2u);
    EXPECT_EQ(LWCAMF_MASK, 0x4u);
    EXPECT_EQ(LWCAMF_DOF, 0x8u);
    EXPECT_EQ(LWCAMF_PARTICLE_BLUR, 0x10u);
    EXPECT_EQ(LWCAMF_LR_NOBORDERS, 0x20u);
    EXPECT_EQ(LWCAMF_FIELD, 0x40u);
    EXPECT_EQ(LWCAMF_USECAMTYPE, 0x80u);
    EXPECT_EQ(LWCAMF_SUPPORTS_DOF, 0x100u);
    EXPECT_EQ(LWCAMF_EYE, 0x200u);
    EXPECT_EQ(LWCAMF_SUPPORTS_STEREO, 0x400u);
    EXPECT_EQ(LWCAMF_SUPPORTS_PROJECT, 0x800u);
}

} // namespace
