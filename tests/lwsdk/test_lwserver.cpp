#include "lwsdk/lwserver.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwserverLayout, ServerRecordsAndActivationsAreTheHosts) {
    static_assert(std::is_same_v<GlobalFunc, void*(const char*, int)>);
    static_assert(std::is_same_v<ActivateFunc, int(int, GlobalFunc*, void*, void*)>);

    static_assert(offsetof(ServerRecord, className) == 0);
    static_assert(offsetof(ServerRecord, name) == 8);
    static_assert(offsetof(ServerRecord, activate) == 16);
    static_assert(offsetof(ServerRecord, tagInfo) == 24);
    static_assert(sizeof(ServerRecord) == 32);
    static_assert(std::is_same_v<decltype(ServerRecord::activate), ActivateFunc*>);
    static_assert(std::is_same_v<decltype(ServerRecord::tagInfo), ServerTagInfo*>);

    static_assert(offsetof(ServerTagInfo, string) == 0);
    static_assert(offsetof(ServerTagInfo, tag) == 8);
    static_assert(sizeof(ServerTagInfo) == 16);
    static_assert(std::is_same_v<decltype(ServerTagInfo::tag), unsigned int>);
}

TEST(LwserverConstants, AreTheHosts) {
    EXPECT_EQ(GFUSE_TRANSIENT, 0);
    EXPECT_EQ(GFUSE_ACQUIRE, 1);
    EXPECT_EQ(GFUSE_RELEASE, 2);
    EXPECT_EQ(AFUNC_OK, 0);
    EXPECT_EQ(AFUNC_BADVERSION, 1);
    EXPECT_EQ(AFUNC_BADGLOBAL, 2);
    EXPECT_EQ(AFUNC_BADLOCAL, 3);
    EXPECT_EQ(AFUNC_BADAPP, 4);
    EXPECT_EQ(AFUNC_BADAPP_SILENT, 5);
}

} // namespace
