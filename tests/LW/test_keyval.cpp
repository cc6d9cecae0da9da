#include "LW/keyval.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class KeyValues : public ::testing::Test {
protected:
    std::string text(char const* key) { return std::string(load_string(map, key, "<absent>")); }

    StringMap<String> map{16};
};

TEST_F(KeyValues, SeveralPairsShareALineSeparatedByAnyWhitespace) {
    EXPECT_TRUE(parse_keyval(map, "OrreluxVersion 1\tDialogX 10 \r\n DialogY\t20\r\n"));
    EXPECT_EQ(load_int(map, "OrreluxVersion", 666), 1);
    EXPECT_EQ(load_int(map, "DialogX", -9999), 10);
    EXPECT_EQ(load_int(map, "DialogY", -9999), 20);
}

TEST_F(KeyValues, AbsentKeysGiveTheirDefaultsAndKeysAreCaseSensitive) {
    EXPECT_TRUE(parse_keyval(map, "dialogx 10\n"));
    EXPECT_EQ(load_int(map, "DialogX", -9999), -9999);
    EXPECT_EQ(load_double(map, "Gain", 2.5), 2.5);
    EXPECT_EQ(text("DefaultStarFile"), "<absent>");
}

TEST_F(KeyValues, TheFirstOfTwoValuesForOneKeyCounts) {
    EXPECT_TRUE(parse_keyval(map, "DialogX 10\n"));
    EXPECT_TRUE(parse_keyval(map, "DialogX 30\n"));
    EXPECT_EQ(load_int(map, "DialogX", -9999), 10);
}

TEST_F(KeyValues, QuotedValueKeepsItsBlanksAndMayBeEmpty) {
    EXPECT_TRUE(parse_keyval(map, "DefaultStarFile \"/my stars/a b.stars\"Next \"\"\r\n"));
    EXPECT_EQ(text("DefaultStarFile"), "/my stars/a b.stars");
    EXPECT_EQ(text("Next"), "");
}

TEST_F(KeyValues, BlankLineHoldsNoPairs) {
    EXPECT_TRUE(parse_keyval(map, " \t\r\n"));
    EXPECT_TRUE(parse_keyval(map, ""));
    EXPECT_TRUE(map.empty());
}

TEST_F(KeyValues, KeyWithoutValueIsMalformedAndKeepsTheEarlierPairs) {
    EXPECT_FALSE(parse_keyval(map, "DialogX 10 DialogY"));
    EXPECT_FALSE(parse_keyval(map, "DialogZ \r\n"));
    EXPECT_EQ(load_int(map, "DialogX", -9999), 10);
    EXPECT_EQ(load_int(map, "DialogY", -9999), -9999);
}

TEST_F(KeyValues, UnterminatedQuoteIsMalformed) {
    EXPECT_FALSE(parse_keyval(map, "A 1 DefaultStarFile \"/no/end\r\n"));
    EXPECT_EQ(load_int(map, "A", 0), 1);
    EXPECT_EQ(text("DefaultStarFile"), "<absent>");
}

TEST_F(KeyValues, NumbersAreReadAsTheirTextSays) {
    EXPECT_TRUE(parse_keyval(map, "Gain 0.125 Offset -3"));
    EXPECT_EQ(load_double(map, "Gain", 0), 0.125);
    EXPECT_EQ(load_int(map, "Offset", 0), -3);
}

} // namespace
