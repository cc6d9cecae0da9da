#include "host/cli/frame_chunk.h"
#include "host/cli/frame_list.h"
#include "base/xception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

std::vector<std::vector<int>> all_shares(std::vector<int> const& frames, int count) {
    std::vector<std::vector<int>> shares;
    for (int i = 0; i < count; i++) {
        shares.push_back(frames_of_chunk(frames, FrameChunk{i, count}));
    }
    return shares;
}

} // namespace

TEST(FrameChunk, SharesAreConsecutiveRunsOfEqualSize) {
    struct Case {
        char const* name;
        std::vector<int> frames;
        int count;
        std::vector<std::vector<int>> shares;
    } const cases[] = {
        {"even",
         frame_range(1, 24, 1),
         4,
         {{1, 2, 3, 4, 5, 6},
          {7, 8, 9, 10, 11, 12},
          {13, 14, 15, 16, 17, 18},
          {19, 20, 21, 22, 23, 24}}},
        {"uneven", frame_range(1, 10, 1), 4, {{1, 2}, {3, 4, 5}, {6, 7}, {8, 9, 10}}},
        {"more shares than frames", {5, 6, 7}, 5, {{}, {5}, {}, {6}, {7}}},
        {"one share", {3, 9}, 1, {{3, 9}}},
        {"a step", frame_range(0, 20, 5), 2, {{0, 5}, {10, 15, 20}}},
        {"negative frames", frame_range(-4, 1, 1), 3, {{-4, -3}, {-2, -1}, {0, 1}}},
        {"a list in its own order", parse_frame_list("30,1-3,10"), 2, {{30, 1}, {2, 3, 10}}},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(all_shares(c.frames, c.count), c.shares) << c.name;
    }
}

TEST(FrameChunk, EveryFrameFallsInExactlyOneShare) {
    // A farm-sized range against share counts around it, the last ones
    // larger than the range.
    std::vector<int> const frames = frame_range(-3, 1001, 2);
    for (int count : {1, 2, 3, 7, 40, 501, 502, 503, 1000}) {
        std::vector<int> joined;
        size_t least = frames.size(), most = 0;
        for (std::vector<int> const& share : all_shares(frames, count)) {
            joined.insert(joined.end(), share.begin(), share.end());
            least = std::min(least, share.size());
            most = std::max(most, share.size());
        }
        EXPECT_EQ(joined, frames) << count;
        EXPECT_LE(most - least, 1u) << count;
    }
}

TEST(FrameChunk, TheLargestCountsDoNotOverflow) {
    std::vector<int> const frames = frame_range(1, 100000, 1);
    int const count = 2147483647;
    EXPECT_EQ(frames_of_chunk(frames, FrameChunk{count - 1, count}), std::vector<int>{100000});
    EXPECT_TRUE(frames_of_chunk(frames, FrameChunk{count - 2, count}).empty());
}

TEST(FrameChunk, ReadsIndexOverCount) {
    FrameChunk const chunk = parse_frame_chunk("3/40");
    EXPECT_EQ(chunk.index, 3);
    EXPECT_EQ(chunk.count, 40);
    EXPECT_EQ(parse_frame_chunk("0/1").count, 1);
}

TEST(FrameChunk, BadValuesAreExplained) {
    struct Case {
        char const* text;
        char const* says;
    } const cases[] = {
        {"", "expected I/N"},
        {"3", "expected I/N"},
        {"3/", "expected I/N"},
        {"/4", "expected I/N"},
        {"-1/4", "expected I/N"},
        {"1/-4", "expected I/N"},
        {"+1/4", "expected I/N"},
        {" 1/4", "expected I/N"},
        {"1/4/2", "expected I/N"},
        {"a/b", "expected I/N"},
        {"0/0", "at least 1"},
        {"4/4", "share 4 does not exist: the shares of 4 are numbered 0 to 3"},
        {"1/99999999999", "too large"},
    };
    for (Case const& c : cases) {
        try {
            parse_frame_chunk(c.text);
            ADD_FAILURE() << c.text << " was accepted";
        } catch (StrXception const& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.says)) << c.text;
            EXPECT_THAT(e.what(), HasSubstr(std::string("--chunk \"") + c.text + "\"")) << c.text;
            EXPECT_THAT(e.what(), HasSubstr("(host/cli/frame_chunk:")) << c.text;
        }
    }
}
