#include "lwsdk/lwhost.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwhostLayout, MessagesGiveInformationBeforeErrors) {
    static_assert(offsetof(LWMessageFuncs, info) == 0);
    static_assert(offsetof(LWMessageFuncs, error) == 8);
    static_assert(sizeof(LWMessageFuncs) == 16);
    static_assert(
        std::is_same_v<decltype(LWMessageFuncs::info), void (*)(const char*, const char*)>);
    static_assert(
        std::is_same_v<decltype(LWMessageFuncs::error), void (*)(const char*, const char*)>);
}

TEST(LwhostConstants, AreTheHosts) {
    EXPECT_STREQ(LWMESSAGEFUNCS_GLOBAL, "Info Messages 4");
    EXPECT_STREQ(LWSYSTEMID_GLOBAL, "System ID");
    EXPECT_STREQ(LWPRODUCTINFO_GLOBAL, "Product Info");
    EXPECT_EQ(LWSYS_TYPEBITS, 0xF0000000u);
    EXPECT_EQ(LWSYS_SERIALBITS, 0x0FFFFFFFu);
    EXPECT_EQ(LWSYS_LAYOUT, 0u);
    EXPECT_EQ(LWSYS_MODELER, 0x10000000u);
    EXPECT_EQ(LWSYS_SCREAMERNET, 0x20000000u);
    EXPECT_EQ(LWSYS_OTHER, 0x80000000u);
    EXPECT_EQ(LWINF_PRODUCT, 0xFu);
    EXPECT_EQ(LWINF_BUILD, 0xFFF0u);
    EXPECT_EQ(LWINF_MINORREV, 0xF0000u);
    EXPECT_EQ(LWINF_MAJORREV, 0xF00000u);
    EXPECT_EQ(LWINF_MODELYEAR, 0x3F000000u);
    EXPECT_EQ(LWINF_RESERVED, 0xC0000000u);
    EXPECT_EQ(LWINF_GETMAJOR(0x3F9F5432u), 9u);
}

} // namespace
