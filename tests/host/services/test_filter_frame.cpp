#include "host/services/filter_frame.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

TEST(FilterAccess, GivesTheInputByLayerAndRecordsWhichPixelsWereWritten) {
    HostFrame frame(4, 3);
    frame.set_input(1, 2, 0.1f, 0.2f, 0.3f, 0.4f);
    LWFilterAccess const* access = frame.access();
    EXPECT_EQ(access->width, 4);
    EXPECT_EQ(access->height, 3);
    EXPECT_EQ(access->layers("Final_Render"), 3);
    EXPECT_EQ(access->layers("Alpha"), 1);
    EXPECT_EQ(access->layers("Depth"), 0);
    EXPECT_EQ(access->getLine("Final_Render", 0, 2)[1], 0.1f);
    EXPECT_EQ(access->getLine("Final_Render", 2, 2)[1], 0.3f);
    EXPECT_EQ(access->getLine("Alpha", 0, 2)[1], 0.4f);
    EXPECT_EQ(access->getLine("Alpha", 0, 1)[1], 0.0f);
    EXPECT_EQ(access->getLine("Depth", 0, 0), nullptr);
    EXPECT_EQ(access->getLine("Final_Render", 3, 0), nullptr);
    EXPECT_EQ(access->getLine("Alpha", 1, 0), nullptr);
    EXPECT_EQ(access->getLine("Alpha", 0, 3), nullptr);
    EXPECT_EQ(access->getLine("Alpha", 0, -1), nullptr);

    float const rgb[3] = {1, 2, 3};
    access->setRGB(2, 1, rgb);
    access->setAlpha(3, 0, 0.5f);
    access->setRGB(4, 0, rgb);
    access->setAlpha(0, -1, 1.0f);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 4; x++) {
            EXPECT_EQ(frame.rgb_written(x, y), x == 2 && y == 1) << x << "," << y;
            EXPECT_EQ(frame.alpha_written(x, y), x == 3 && y == 0) << x << "," << y;
        }
    }
    EXPECT_EQ(frame.output(2, 1, 2), 3.0f);
    EXPECT_EQ(frame.output(3, 0, 3), 0.5f);
}

} // namespace

// The host's buffers of a frame larger than the machine's memory are never
// allocated: touching them would bring the out-of-memory killer.
TEST(FilterAccess, AFrameLargerThanMemoryIsAnErrorAndLeavesNoFrameActive) {
    try {
        HostFrame huge(100000, 100000);
        ADD_FAILURE() << "a 100000 x 100000 frame was made";
    } catch (StrXception const& e) {
        EXPECT_THAT(std::string(e.message()),
                    ::testing::StartsWith("a 100000 x 100000 frame needs 316.6 GiB of frame "
                                          "buffers, more than the "));
    }
    HostFrame small(2, 2);
    EXPECT_EQ(small.access()->width, 2);
}
