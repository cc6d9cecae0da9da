#include "base/array.h"
#include "base/string.h"
#include "base/xception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(String, EmptyFormsCompareEqualAndReadAsEmptyText) {
    String a;
    String b("");
    String c("abc", 0);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(b == c);
    EXPECT_STREQ(static_cast<char const*>(a), "");
    EXPECT_EQ(a.find('x'), 0xFFFFFFFFu);
    EXPECT_EQ(a.findr('x'), 0xFFFFFFFFu);
    EXPECT_EQ(a.find("x"), 0xFFFFFFFFu);
    EXPECT_EQ(a.len(), 0u);
    EXPECT_EQ(a.atoi(), 0);
    EXPECT_EQ(a.atof(), 0.0);
}

TEST(String, LengthLimitedConstructionStopsAtNulAndAtLength) {
    EXPECT_STREQ(String("abcdef", 3), "abc");
    String shortsrc("ab", 5);
    EXPECT_EQ(shortsrc.len(), 2u);
    EXPECT_STREQ(String('q'), "q");
}

TEST(String, FindLocatesFirstLastAndSubstring) {
    String s("abcabc");
    EXPECT_EQ(s.find('b'), 1u);
    EXPECT_EQ(s.findr('b'), 4u);
    EXPECT_EQ(s.find("ca"), 2u);
    EXPECT_EQ(s.find('z'), 0xFFFFFFFFu);
    EXPECT_EQ(s.find("zz"), 0xFFFFFFFFu);
}

TEST(String, AppendsIncludingSelfAppend) {
    String s("ab");
    s += "cd";
    s += 'e';
    EXPECT_STREQ(s, "abcde");
    s += s;
    EXPECT_STREQ(s, "abcdeabcde");
    s = s + s;
    EXPECT_EQ(s.len(), 20u);
    String e;
    e += 'x';
    EXPECT_STREQ(e, "x");
    String t("tail");
    t = t;
    EXPECT_STREQ(t, "tail");
    t = static_cast<char const*>(t) + 1;
    EXPECT_STREQ(t, "ail");
}

TEST(String, ComparisonsTreatNullAsSmallest) {
    EXPECT_TRUE(String() <= String());
    EXPECT_TRUE(String() <= String("a"));
    EXPECT_FALSE(String("a") <= String());
    EXPECT_TRUE(String("a") <= String("b"));
    EXPECT_TRUE(String("x") != String("y"));
    EXPECT_TRUE(String("x") == "x");
}

TEST(String, HashFollowsTheRecurrence) {
    // h = ((c << 4) + h + (c >> 4)) * 11 over signed bytes.
    unsigned h = 0;
    for (char c : std::string("Az\xe9")) {
        int v = static_cast<signed char>(c);
        h = ((static_cast<unsigned>(v) << 4) + h + static_cast<unsigned>(v >> 4)) * 11u;
    }
    EXPECT_EQ(String("Az\xe9").hash(), h);
    EXPECT_EQ(String("a").hash(), ((97u << 4) + 6u) * 11u);
    EXPECT_EQ(String().hash(), 0u);
}

TEST(String, FormattingLongTextAllocatesExactly) {
    std::string longtext(150, 'x');
    String s = String::fmt("%s-%d", longtext.c_str(), 42);
    EXPECT_EQ(s.len(), 153u);
    EXPECT_EQ(std::string(s), longtext + "-42");
    s.sprintf("%d", 7);
    EXPECT_STREQ(s, "7");
}

TEST(String, ChopEndsAtFirstLineBreak) {
    EXPECT_STREQ(String::chop("hello\r\n"), "hello");
    EXPECT_STREQ(String::chop("a\rb"), "a");
    EXPECT_EQ(String::chop(""), String());
    EXPECT_EQ(String::chop(String()), String());
}

TEST(String, SplitDropsEmptyTokensAndAppends) {
    Array<String> out;
    String::split(" a  b\t", out);
    ASSERT_EQ(out.len(), 2u);
    EXPECT_STREQ(out[0], "a");
    EXPECT_STREQ(out[1], "b");
    String::split_by("x,,y,", ",", out);
    ASSERT_EQ(out.len(), 4u);
    EXPECT_STREQ(out[2], "x");
    EXPECT_STREQ(out[3], "y");
    String::split("", out);
    String::split(nullptr, out);
    EXPECT_EQ(out.len(), 4u);
}
