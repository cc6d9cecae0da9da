#include "base/array.h"
#include "base/hash.h"
#include "base/instring.h"
#include "base/string.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(String, EmptyFormsReadAsTextAndCompareSmallest) {
    String empty;
    EXPECT_TRUE(empty == String("abc", 0));
    EXPECT_STREQ(static_cast<char const*>(empty), "");
    EXPECT_EQ(empty.find('x'), 0xFFFFFFFFu);
    EXPECT_TRUE(empty <= String("a"));
    EXPECT_FALSE(String("a") <= empty);
    EXPECT_TRUE(String("a") <= String("b"));
}

TEST(String, LengthLimitedFormsStopEarlyAndFindLocates) {
    EXPECT_STREQ(String("abcdef", 3), "abc");
    EXPECT_EQ(String("ab", 5).len(), 2u);
    String s("abcabc");
    EXPECT_EQ(s.find('b'), 1u);
    EXPECT_EQ(s.findr('b'), 4u);
    EXPECT_EQ(s.find("ca"), 2u);
}

TEST(String, AppendsIncludingSelfAppendAndSelfAssignment) {
    String s("ab");
    s += "cd";
    s += 'e';
    s += s;
    EXPECT_STREQ(s, "abcdeabcde");
    String t("tail");
    t = t;
    EXPECT_STREQ(t, "tail");
    t = static_cast<char const*>(t) + 1;
    EXPECT_STREQ(t, "ail");
}

TEST(String, FormattingAbove99BytesKeepsEveryByte) {
    std::string longtext(150, 'x');
    String s = String::fmt("%s-%d", longtext.c_str(), 42);
    EXPECT_EQ(std::string(s), longtext + "-42");
    s.sprintf("%d", 7);
    EXPECT_STREQ(s, "7");
}

TEST(String, ChopEndsAtFirstLineBreakAndSplitDropsEmptyTokens) {
    EXPECT_STREQ(String::chop("hello\r\n"), "hello");
    EXPECT_STREQ(String::chop("a\rb"), "a");
    EXPECT_EQ(String::chop(String()), String());
    Array<String> out;
    String::split(" a  b\t", out);
    String::split_by("x,,y,", ",", out);
    String::split(nullptr, out);
    ASSERT_EQ(out.len(), 4u); // each split appends
    char const* expected[] = {"a", "b", "x", "y"};
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(out[i], expected[i]);
}

namespace {

std::string dump_text() {
    testing::internal::CaptureStdout();
    InString::dump();
    return testing::internal::GetCapturedStdout();
}

TEST(InStringTest, EqualTextsInternToOnePointer) {
    String built = String("or") + "bit";
    InString* a = InString::intern(built);
    EXPECT_EQ(InString::intern("orbit"), a);
    EXPECT_EQ(a->text, "orbit");
    EXPECT_EQ(hash_instring(a), built.hash());
    EXPECT_NE(InString::intern("orbits"), a);
}

TEST(InStringTest, TemporaryStringIsInternedOnlyWhenKnownOrMadePermanent) {
    std::string before = dump_text();
    {
        TempInString temp(String("never-interned-text"));
        EXPECT_TRUE(temp.is_temporary());
        EXPECT_EQ(temp.get()->text, "never-interned-text");
    }
    EXPECT_EQ(dump_text(), before);
    InString* known = InString::intern("known");
    EXPECT_EQ(TempInString(String("known")).get(), known);
    TempInString kept(String("kept"));
    InString* permanent = kept.make_permanent();
    EXPECT_FALSE(kept.is_temporary());
    EXPECT_EQ(InString::intern("kept"), permanent);
}

} // namespace
