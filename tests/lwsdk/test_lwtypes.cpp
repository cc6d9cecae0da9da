#include "lwsdk/lwtypes.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

// The numbers in these files are those of the host's 64-bit builds.
static_assert(sizeof(void*) == 8 && sizeof(int) == 4 && sizeof(short) == 2);

TEST(LwtypesLayout, ScalarTypesHaveTheHostsWidths) {
    static_assert(std::is_pointer_v<LWItemID> && sizeof(LWItemID) == 8);
    static_assert(std::is_same_v<LWInstance, void*>);
    static_assert(std::is_same_v<LWTime, double>);
    static_assert(std::is_same_v<LWFrame, int>);
    static_assert(std::is_same_v<LWDVector, double[3]>);
    static_assert(std::is_same_v<LWError, const char*>);
}

} // namespace
