#include "host/services/panel_hints.h"

#include "tests/support/raised.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using Words = std::vector<std::uintptr_t>;

// Decodes the first `limit` words. The words after the limit hold a list
// end, so that a decoder reading past the limit would wrongly succeed.
std::vector<PanelHint> decode(Words words, std::size_t limit) {
    words.push_back(XPTAG_END);
    words.push_back(XPTAG_END);
    return decode_hints(reinterpret_cast<LWXPanelHint const*>(words.data()), limit);
}

std::vector<PanelHint> decode(Words const& words) {
    return decode(words, words.size());
}

std::uintptr_t text(char const* t) {
    return reinterpret_cast<std::uintptr_t>(t);
}

TEST(PanelHints, FixedWordsAndIDListsFollowTheTagRule) {
    char const* title = "Title";
    std::vector<PanelHint> hints =
        decode({XPTAG_LABEL, 0, text(title), 0, XPTAG_LEFT, 5, 6, 0, XPTAG_DIVADD, 7, 0,
                XPTAG_CTRLCFG, 8, 0, std::uintptr_t(std::intptr_t(THUM_FULL)), XPTAG_END});
    ASSERT_EQ(hints.size(), 4u);
    EXPECT_EQ(hints[0].tag, XPTAG_LABEL);
    EXPECT_THAT(hints[0].words, ElementsAre(0u, text(title), 0u));
    EXPECT_THAT(hints[1].words, ElementsAre());
    EXPECT_THAT(hints[1].ids, ElementsAre(5u, 6u));
    EXPECT_THAT(hints[2].words, ElementsAre(7u));
    EXPECT_THAT(hints[2].ids, ElementsAre());
    EXPECT_EQ(hints[3].words[2], 0xFFFFFFFF80000000u);
}

// An unknown tag's words are skipped by its count, even words that look like
// a list end or a tag.
TEST(PanelHints, UnknownTagsAreSkippedByTheirCounts) {
    unsigned const unknown = 0x3D7F0002u, unknown_list = 0x3D7E0181u;
    std::vector<PanelHint> hints = decode({unknown, XPTAG_END, XPTAG_FOCUS, unknown_list, 0,
                                           XPTAG_LABEL, 0, XPTAG_FOCUS, 9, XPTAG_END});
    ASSERT_EQ(hints.size(), 3u);
    EXPECT_THAT(hints[0].words, ElementsAre(0u, XPTAG_FOCUS));
    EXPECT_EQ(hints[1].tag, unknown_list);
    EXPECT_THAT(hints[1].ids, ElementsAre(XPTAG_LABEL));
    EXPECT_EQ(hints[2].tag, XPTAG_FOCUS);
    EXPECT_THAT(hints[2].words, ElementsAre(9u));
    EXPECT_EQ(hint_tag_name(unknown), nullptr);
    EXPECT_STREQ(hint_tag_name(XPTAG_RANGE), "XPTAG_RANGE");
}

TEST(PanelHints, MalformedListsAreRefusedWithoutReadingPastTheirEnd) {
    struct Case {
        Words words;
        char const* message;
    };
    Case const cases[] = {
        {{XPTAG_LABEL, 0, 0, 0}, "no XPTAG_END within 4 words"},
        {{}, "no XPTAG_END within 0 words"},
        {{XPTAG_RANGE, 0x8001, 0, 10}, "tag 0x3D014304 runs past the end of the list"},
        {{XPTAG_LEFT, 5, 6}, "tag 0x3D021280 runs past the end of the list"},
        {{XPTAG_FOCUS, 1, 0x12345678, XPTAG_END}, "word 2 (0x12345678) is not a tag"},
        {{std::uintptr_t(0x13D000B03), 0, 0, 0, XPTAG_END}, "word 0 (0x13D000B03) is not a tag"},
        {{0x3D014303, 1, 2, 3, XPTAG_END},
         "tag 0x3D014303 is XPTAG_RANGE with the wrong word count (0x3D014304)"},
        {{0x3D021281, 5, 0, XPTAG_END}, "is XPTAG_LEFT with the wrong word count"},
        {{XPTAG_LEFT, std::uintptr_t(0x100000001), 0, XPTAG_END},
         "tag 0x3D021280 lists ID 0x100000001, wider than 32 bits"},
    };
    for (Case const& c : cases) {
        EXPECT_THAT(raised([&] { decode(c.words); }), HasSubstr(c.message)) << c.message;
    }
}

} // namespace
