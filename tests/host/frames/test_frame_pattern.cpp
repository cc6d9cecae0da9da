#include "host/frames/frame_pattern.h"

#include "frames_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>

namespace {

struct Expansion {
    char const* pattern;
    long long frame;
    char const* path;
};

Expansion const EXPANSIONS[] = {
    {"out/frame_####.exr", 7, "out/frame_0007.exr"},
    {"out/frame_####.exr", 0, "out/frame_0000.exr"},
    {"out/frame_####.exr", 123456, "out/frame_123456.exr"},
    {"out/frame_####.exr", -7, "out/frame_-0007.exr"},
    {"out/frame_#.exr", -12, "out/frame_-12.exr"},
    {"#", 5, "5"},
    {"##.png", LLONG_MIN, "-9223372036854775808.png"},
    {"plate.tif", 9, "plate.tif"},
};

TEST(FramePattern, ExpandsTheRunOfHashesToTheZeroPaddedFrame) {
    for (Expansion const& e : EXPANSIONS) {
        EXPECT_EQ(FramePattern(e.pattern).path(e.frame), e.path) << e.pattern << " " << e.frame;
    }
}

TEST(FramePattern, RefusesMoreThanOneRunOfHashes) {
    EXPECT_THAT(message_of([] { FramePattern("shot##/frame_####.exr"); }),
                testing::HasSubstr("frame pattern \"shot##/frame_####.exr\" has more than one "
                                   "run of '#'"));
}

TEST(FramePattern, AnUnnumberedPatternServesOneFrameOnly) {
    FramePattern still("out/still.exr");
    EXPECT_FALSE(still.numbered());
    EXPECT_NO_THROW(still.require_numbered(1));
    EXPECT_THAT(message_of([&] { still.require_numbered(2); }),
                testing::HasSubstr("output pattern \"out/still.exr\" has no run of '#' to number "
                                   "its 2 frames"));
    EXPECT_NO_THROW(FramePattern("f_#.exr").require_numbered(1000));
}

} // namespace
