#include "host/cli/frame_list.h"
#include "base/xception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(FrameList, RangesListsStepsAndNegativeFrames) {
    struct Case {
        char const* text;
        std::vector<int> frames;
    } const cases[] = {
        {"30", {30}},
        {"1-4", {1, 2, 3, 4}},
        {"1-24:10", {1, 11, 21}},
        {"1-3,30,2-5", {1, 2, 3, 30, 4, 5}}, // given order, each frame once
        {"-3--1,0", {-3, -2, -1, 0}},
        {"-2", {-2}},
        {"7-7", {7}},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(parse_frame_list(c.text), c.frames) << c.text;
    }
}

TEST(FrameList, BadItemsAreNamed) {
    struct Case {
        char const* text;
        char const* says;
    } const cases[] = {
        {"", "names no frame"},
        {"1,,2", "empty item"},
        {"5-", "\"5-\""},
        {"a", "\"a\""},
        {"3-1", "ends before it starts"},
        {"1-9:0", "at least 1"},
        {"1-9x2", "\"1-9x2\""},
        {" 4", "\" 4\""},
        {"99999999999", "out of range"},
    };
    for (Case const& c : cases) {
        try {
            parse_frame_list(c.text);
            ADD_FAILURE() << c.text << " was accepted";
        } catch (StrXception const& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.says)) << c.text;
        }
    }
}

TEST(FrameList, SceneRangeHonoursTheStep) {
    EXPECT_THAT(frame_range(-240, -236, 2), ElementsAre(-240, -238, -236));
    EXPECT_THAT(frame_range(1, 3, 0), ElementsAre(1, 2, 3));
    EXPECT_TRUE(frame_range(5, 4, 1).empty());
}
