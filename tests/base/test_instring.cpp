#include "base/hash.h"
#include "base/instring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

std::string dump_text() {
    testing::internal::CaptureStdout();
    InString::dump();
    return testing::internal::GetCapturedStdout();
}

TEST(InStringTest, EqualTextsInternToOnePointer) {
    String built = String("or") + "bit";
    InString* a = InString::intern(built);
    InString* b = InString::intern("orbit");
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->text, "orbit");
    EXPECT_EQ(a->hash, built.hash());
    EXPECT_EQ(hash_instring(a), built.hash());
    EXPECT_NE(InString::intern("orbits"), a);
}

TEST(InStringTest, GensymsCountUpAndStayOutOfTheTable) {
    InString* first = InString::gensym();
    InString* second = InString::gensym();
    int n = atoi(static_cast<char const*>(first->text) + 1);
    EXPECT_EQ(first->text, String::fmt("G%d", n));
    EXPECT_EQ(second->text, String::fmt("G%d", n + 1));
    EXPECT_NE(InString::intern(first->text), first);
}

TEST(InStringTest, TemporaryStringLeavesTableUnchanged) {
    std::string before = dump_text();
    {
        TempInString temp(String("never-interned-text"));
        EXPECT_TRUE(temp.is_temporary());
        EXPECT_EQ(temp.get()->text, "never-interned-text");
    }
    EXPECT_EQ(dump_text(), before);
}

TEST(InStringTest, TemporaryOfKnownTextIsTheInternedOne) {
    InString* known = InString::intern("known");
    TempInString temp(String("known"));
    EXPECT_FALSE(temp.is_temporary());
    EXPECT_EQ(temp.get(), known);
    EXPECT_EQ(temp.make_permanent(), known);
}

TEST(InStringTest, MadePermanentStringIsFoundByIntern) {
    InString* kept;
    {
        TempInString temp(String("kept-after-scope"));
        kept = temp.make_permanent();
        EXPECT_FALSE(temp.is_temporary());
    }
    EXPECT_EQ(InString::intern("kept-after-scope"), kept);
}

TEST(InStringTest, DumpListsEachTextInItsChain) {
    InString* s = InString::intern("dumped");
    std::string line = "chain " + std::to_string(s->hash & 255) + ": ";
    std::string out = dump_text();
    size_t at = out.find("\n" + line);
    ASSERT_NE(at, std::string::npos);
    std::string chain = out.substr(at + 1, out.find('\n', at + 1) - at - 1);
    EXPECT_NE(chain.find(" dumped"), std::string::npos);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 256);
}

TEST(InStringTest, CleanupEmptiesEveryChain) {
    InString::intern("doomed");
    InString::cleanup();
    std::string expected;
    for (int i = 0; i < 256; ++i)
        expected += "chain " + std::to_string(i) + ": \n";
    EXPECT_EQ(dump_text(), expected);
}

} // namespace
