#include <osapi/osapi-unix.h>

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string text(String const& s) {
    return static_cast<char const*>(s);
}

} // namespace

class Scopes : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(Scopes, RemoverDeletesTheFileAndToleratesItsAbsence) {
    std::string path = dir.file("f");
    write_text(path, "x");
    { OSAPI::Remover remove(path.c_str()); }
    EXPECT_FALSE(OSAPI::file_exists(path.c_str(), 0));
    EXPECT_NO_THROW(OSAPI::Remover(String(path.c_str())));
}

TEST_F(Scopes, RemoverOnlyWarnsWhileAnotherExceptionUnwinds) {
    std::string sub = dir.file("sub");
    OSAPI::mkdir(sub.c_str());
    testing::internal::CaptureStderr();
    try {
        OSAPI::Remover remove(sub.c_str());
        throw StrXception("test", "f", 1, "first");
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "first in <f> (test:1)");
    }
    std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_EQ(warning.rfind("warning: unlink(" + sub + "): ", 0), 0u);
    EXPECT_NE(warning.find("in <OSAPI::Remover::~Remover()>\n"), std::string::npos);
}

TEST_F(Scopes, ScopedChdirReturnsToWhereItStarted) {
    String start = OSAPI::getcwd();
    {
        OSAPI::ScopedChdir in(dir.path.c_str());
        EXPECT_TRUE(in.changed);
        EXPECT_NE(text(OSAPI::getcwd()), text(start));
    }
    EXPECT_EQ(text(OSAPI::getcwd()), text(start));
}

TEST_F(Scopes, ScopedChdirToNothingStaysPut) {
    String start = OSAPI::getcwd();
    OSAPI::ScopedChdir in("");
    EXPECT_FALSE(in.changed);
    EXPECT_EQ(text(OSAPI::getcwd()), text(start));
}

TEST_F(Scopes, ScopedFileWritesThroughTheDescriptor) {
    std::string path = dir.file("f");
    {
        OSAPI::ScopedFILE out(OSAPI::open(path.c_str(), 2), "f", "w");
        fputs("via stdio", out.file);
    }
    EXPECT_EQ(read_text(path), "via stdio");
}

TEST_F(Scopes, ScopedFileOfABadDescriptorRaises) {
    try {
        OSAPI::ScopedFILE bad(-1, "nothing", "r");
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()),
                  "fdopen(\"nothing\", \"r\") in <OSAPI::ScopedFILE::ScopedFILE(fd_t, const "
                  "char*, const char*)> (osapi/osapi-unix:1349)");
    }
}

TEST_F(Scopes, GlobWithoutMatchesReturnsNullAtOnce) {
    OSAPI::Glob g(dir.file("*.none").c_str());
    EXPECT_EQ(g.next(), nullptr);
    EXPECT_EQ(g.next(), nullptr);
}

TEST_F(Scopes, GlobHandsOutEveryMatchThenNull) {
    write_text(dir.file("a.stars"), "");
    write_text(dir.file("b.stars"), "");
    write_text(dir.file("c.ini"), "");
    OSAPI::Glob g(dir.file("*.stars").c_str());
    std::set<std::string> found;
    while (char const* match = g.next()) {
        found.insert(match);
    }
    EXPECT_EQ(found, (std::set<std::string>{dir.file("a.stars"), dir.file("b.stars")}));
    EXPECT_EQ(g.next(), nullptr);
}

TEST_F(Scopes, ProfilerIndentsNestedScopes) {
    testing::internal::CaptureStdout();
    {
        OSAPI::Profiler outer("outer");
        OSAPI::Profiler inner("inner");
        EXPECT_EQ(OSAPI::Profiler::indent, 2);
    }
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(OSAPI::Profiler::indent, 0);
    ASSERT_EQ(out.rfind("PROFILE: outer\n\tPROFILE: inner\n\tinner = ", 0), 0u);
    std::size_t outer_line = out.find("\nouter = ");
    ASSERT_NE(outer_line, std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 4), " ms\n");
}
