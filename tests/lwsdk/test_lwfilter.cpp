#include "lwsdk/lwfilter.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwfilterLayout, HandlerAndFilterAccessAreTheHosts) {
    static_assert(offsetof(LWImageFilterHandler, inst) == 0);
    static_assert(offsetof(LWImageFilterHandler, item) == 8);
    static_assert(offsetof(LWImageFilterHandler, process) == 16);
    static_assert(offsetof(LWImageFilterHandler, flags) == 24);
    static_assert(sizeof(LWImageFilterHandler) == 32);
    static_assert(std::is_same_v<decltype(LWImageFilterHandler::process),
                                 const char* (*)(void*, const LWFilterAccess*)>);

    static_assert(offsetof(LWFilterAccess, width) == 0);
    static_assert(offsetof(LWFilterAccess, height) == 4);
    static_assert(offsetof(LWFilterAccess, frame) == 8);
    static_assert(offsetof(LWFilterAccess, start) == 16);
    static_assert(offsetof(LWFilterAccess, end) == 24);
    static_assert(offsetof(LWFilterAccess, layers) == 32);
    static_assert(offsetof(LWFilterAccess, getLine) == 40);
    static_assert(offsetof(LWFilterAccess, setRGB) == 48);
    static_assert(offsetof(LWFilterAccess, setAlpha) == 56);
    static_assert(offsetof(LWFilterAccess, monitor) == 64);
    static_assert(sizeof(LWFilterAccess) == 72);
    static_assert(std::is_same_v<decltype(LWFilterAccess::frame), int>);
    static_assert(std::is_same_v<decltype(LWFilterAccess::start), double>);
    static_assert(std::is_same_v<decltype(LWFilterAccess::layers), int (*)(const char*)>);
    static_assert(
        std::is_same_v<decltype(LWFilterAccess::getLine), float* (*)(const char*, int, int)>);
    static_assert(
        std::is_same_v<decltype(LWFilterAccess::setRGB), void (*)(int, int, const float*)>);
    static_assert(std::is_same_v<decltype(LWFilterAccess::setAlpha), void (*)(int, int, float)>);
    static_assert(std::is_same_v<decltype(LWFilterAccess::monitor), LWMonitor*>);
    static_assert(std::is_same_v<LWFilterContext, unsigned int>);
}

TEST(LwfilterConstants, AreTheHosts) {
    EXPECT_STREQ(LWIMAGEFILTER_HCLASS, "ImageFilterHandler");
    EXPECT_STREQ(LWIMAGEFILTER_ICLASS, "ImageFilterInterface");
    EXPECT_EQ(LWIMAGEFILTER_VERSION, 7);
    EXPECT_EQ(LWFCF_PREPROCESS, 1u);
    EXPECT_STREQ(LWBUFFER_FINAL_RENDER_RGBA, "Final_Render");
    EXPECT_STREQ(LWBUFFER_ALPHA, "Alpha");
}

} // namespace
