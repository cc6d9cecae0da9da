#include "lwsdk/lwmonitor.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

namespace {

TEST(LwmonitorLayout, MonitorIsTheHosts) {
    static_assert(offsetof(LWMonitor, data) == 0);
    static_assert(offsetof(LWMonitor, init) == 8);
    static_assert(offsetof(LWMonitor, step) == 16);
    static_assert(offsetof(LWMonitor, done) == 24);
    static_assert(sizeof(LWMonitor) == 32);
    static_assert(std::is_same_v<decltype(LWMonitor::init), void (*)(void*, unsigned int)>);
    static_assert(std::is_same_v<decltype(LWMonitor::step), int (*)(void*, unsigned int)>);
    static_assert(std::is_same_v<decltype(LWMonitor::done), void (*)(void*)>);
}

} // namespace
