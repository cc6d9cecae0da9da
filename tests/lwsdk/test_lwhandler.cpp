#include "lwsdk/lwhandler.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwhandlerLayout, InstanceItemAndInterfaceRecordsAreTheHosts) {
    static_assert(offsetof(LWInstanceFuncs, priv) == 0);
    static_assert(offsetof(LWInstanceFuncs, create) == 8);
    static_assert(offsetof(LWInstanceFuncs, destroy) == 16);
    static_assert(offsetof(LWInstanceFuncs, copy) == 24);
    static_assert(offsetof(LWInstanceFuncs, load) == 32);
    static_assert(offsetof(LWInstanceFuncs, save) == 40);
    static_assert(offsetof(LWInstanceFuncs, descln) == 48);
    static_assert(sizeof(LWInstanceFuncs) == 56);
    static_assert(
        std::is_same_v<decltype(LWInstanceFuncs::create), void* (*)(void*, void*, const char**)>);
    static_assert(std::is_same_v<decltype(LWInstanceFuncs::destroy), void (*)(void*)>);
    static_assert(std::is_same_v<decltype(LWInstanceFuncs::copy), const char* (*)(void*, void*)>);
    static_assert(
        std::is_same_v<decltype(LWInstanceFuncs::load), const char* (*)(void*, LWLoadState*)>);
    static_assert(
        std::is_same_v<decltype(LWInstanceFuncs::save), const char* (*)(void*, LWSaveState*)>);
    static_assert(std::is_same_v<decltype(LWInstanceFuncs::descln), const char* (*)(void*)>);

    static_assert(offsetof(LWItemFuncs, useItems) == 0);
    static_assert(offsetof(LWItemFuncs, changeID) == 8);
    static_assert(offsetof(LWItemFuncs, changeName) == 16);
    static_assert(sizeof(LWItemFuncs) == 24);
    static_assert(std::is_same_v<decltype(LWItemFuncs::useItems), const LWItemID* (*)(void*)>);
    static_assert(
        std::is_same_v<decltype(LWItemFuncs::changeID), void (*)(void*, const LWItemID*)>);
    static_assert(std::is_same_v<decltype(LWItemFuncs::changeName),
                                 void (*)(void*, const LWNameChangeData*)>);

    static_assert(offsetof(LWInterface, inst) == 0);
    static_assert(offsetof(LWInterface, panel) == 8);
    static_assert(offsetof(LWInterface, options) == 16);
    static_assert(offsetof(LWInterface, command) == 24);
    static_assert(sizeof(LWInterface) == 32);
    static_assert(std::is_same_v<decltype(LWInterface::options), const char* (*)(void*)>);
    static_assert(
        std::is_same_v<decltype(LWInterface::command), const char* (*)(void*, const char*)>);
}

TEST(LwhandlerConstants, AreTheHosts) {
    EXPECT_EQ(LWINTERFACE_VERSION, 5);
}

} // namespace
