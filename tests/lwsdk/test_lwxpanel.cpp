#include "lwsdk/lwxpanel.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

TEST(LwxpanelLayout, PanelIDIsAPointer) {
    static_assert(std::is_pointer_v<LWXPanelID> && sizeof(LWXPanelID) == 8);
}

} // namespace
