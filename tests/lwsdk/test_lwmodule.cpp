#include "lwsdk/lwmodule.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwmoduleLayout, ModuleDescriptorIsTheHosts) {
    static_assert(offsetof(ModuleDescriptor, sysSync) == 0);
    static_assert(offsetof(ModuleDescriptor, sysVersion) == 4);
    static_assert(offsetof(ModuleDescriptor, sysMachine) == 8);
    static_assert(offsetof(ModuleDescriptor, startup) == 16);
    static_assert(offsetof(ModuleDescriptor, shutdown) == 24);
    static_assert(offsetof(ModuleDescriptor, serverDefs) == 32);
    static_assert(sizeof(ModuleDescriptor) == 40);
    static_assert(std::is_same_v<decltype(ModuleDescriptor::sysSync), unsigned int>);
    static_assert(std::is_same_v<decltype(ModuleDescriptor::sysMachine), unsigned int>);
    static_assert(std::is_same_v<decltype(ModuleDescriptor::startup), void* (*)(void)>);
    static_assert(std::is_same_v<decltype(ModuleDescriptor::shutdown), void (*)(void*)>);
    static_assert(std::is_same_v<decltype(ModuleDescriptor::serverDefs), ServerRecord*>);
}

TEST(LwmoduleConstants, AreTheHostsAndTheMachineIsTheBuildPlatform) {
    EXPECT_EQ(MOD_SYSSYNC, 0x04121994u);
    EXPECT_EQ(MOD_SYSVER, 3u);
#if defined(__linux__)
    EXPECT_EQ(MOD_MACHINE, 0x500u);
#elif defined(__APPLE__)
    EXPECT_EQ(MOD_MACHINE, 0x400u);
#elif defined(_WIN32)
    EXPECT_EQ(MOD_MACHINE, 0x300u);
#endif
}

} // namespace
