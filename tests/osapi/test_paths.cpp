#include <osapi/osapi-unix.h>

#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Cases = std::vector<std::pair<char const*, char const*>>;

void expect_cases(char const* name, String (*function)(char const*), Cases const& cases) {
    for (auto const& [path, expected] : cases) {
        EXPECT_STREQ(function(path), expected) << name << "(\"" << path << "\")";
    }
}

} // namespace

class PathText : public testing::Test {};

TEST_F(PathText, DirnameBasenameAndExtensionCases) {
    expect_cases("dirname", OSAPI::dirname,
                 {{"", ""}, {"a", "."}, {"/a", "/"}, {"/", "/"}, {"a/b/", "a/b"}, {"/a/b", "/a"}});
    expect_cases("basename", OSAPI::basename,
                 {{"a/b/", ""}, {"a/b", "b"}, {"name", "name"}, {"/x.stars", "x.stars"}});
    // Dots in directory names count; a write in flight shows its real extension.
    expect_cases(
        "extension", OSAPI::extension,
        {{"hipparcos3D.stars", "stars"}, {"README", ""}, {"stars.", ""}, {"a.b/c", "b/c"}});
    expect_cases("extension", OSAPI::extension,
                 {{"a/b.tar.inprogress", "tar"},
                  {"a/b.TAR.INPROGRESS", "TAR"},
                  {"x.inprogress", "inprogress"},
                  {"dir/file.inprogress", ""}});
}

class Paths : public testing::Test {
protected:
    TempFolder dir;
    std::string path = dir.file("f");
    std::string sub = dir.file("sub");
};

TEST_F(Paths, FileSystemCallsDoWhatTheyNameAndRefuseWhatIsNotThere) {
    EXPECT_FALSE(OSAPI::file_exists(path.c_str(), 0));
    EXPECT_EQ(OSAPI::get_mtime_ifexist(path.c_str()), 0);
    EXPECT_THROW(OSAPI::get_mtime(path.c_str()), StrXception);
    EXPECT_THROW(OSAPI::rm(path.c_str()), StrXception);
    EXPECT_NO_THROW(OSAPI::rm_ifexist(path.c_str()));
    write_text(path, "moved");
    EXPECT_TRUE(OSAPI::file_exists(path.c_str(), 1 | 2));
    OSAPI::set_mtime(path.c_str(), 1234567890);
    OSAPI::rename(path.c_str(), sub.c_str());
    EXPECT_EQ(read_text(sub), "moved");
    EXPECT_EQ(OSAPI::get_mtime(sub.c_str()), 1234567890);
    OSAPI::rm(sub.c_str());
    OSAPI::mkdir(sub.c_str());
    write_text(path, "");
    EXPECT_TRUE(OSAPI::is_directory(sub.c_str()));
    EXPECT_FALSE(OSAPI::is_directory(path.c_str()));
    EXPECT_THROW(OSAPI::rm_ifexist(sub.c_str()), StrXception);
}

TEST_F(Paths, MicrosecondClockCountsFromTheEpochAsTheCLibraryDoes) {
    u64 before = static_cast<u64>(std::time(nullptr));
    u64 now = OSAPI::microsecs() / 1000000;
    u64 after = static_cast<u64>(std::time(nullptr));
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
}

TEST_F(Paths, ListingHoldsEveryEntryWithDotAndDotDot) {
    OSAPI::mkdir(sub.c_str());
    write_text(sub + "/a.stars", "");
    write_text(sub + "/b.ini", "");
    Array<String> names;
    OSAPI::lsdir(sub.c_str(), names);
    std::set<std::string> listed;
    for (unsigned i = 0; i < names.len(); i++) {
        listed.insert(static_cast<char const*>(names[i]));
    }
    EXPECT_EQ(listed, (std::set<std::string>{".", "..", "a.stars", "b.ini"}));
}

#ifdef _WIN32
TEST_F(PathText, WindowsTakesEitherSeparatorAndADriveBeforeTheRoot) {
    expect_cases("dirname", OSAPI::dirname,
                 {{"C:\\a\\b", "C:\\a"},
                  {"C:\\a", "C:\\"},
                  {"C:/", "C:/"},
                  {"C:a", "C:"},
                  {"a\\b/c", "a\\b"},
                  {"\\a", "\\"}});
    expect_cases("basename", OSAPI::basename,
                 {{"C:\\a\\b.stars", "b.stars"}, {"C:x", "x"}, {"a/b\\c", "c"}, {"C:\\", ""}});
}

// Names are UTF-8 inside and UTF-16 for the system: a name written through
// the layer is the same name to the system's wide calls.
TEST_F(Paths, NamesOutsideAsciiReachTheSystemAsTheirCharacters) {
    std::string name = dir.file("\xC3\xA9toiles \xE2\x98\x85.stars");
    OSAPI::DiskFile file(OSAPI::open(name.c_str(), 2));
    OSAPI::write(file.fd, "abc", 3);
    file.close();
    EXPECT_EQ(OSAPI::getsize(name.c_str()), 3u);
    std::wstring wide = std::filesystem::path(dir.path).wstring() + L"\\\u00e9toiles \u2605.stars";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    Array<String> names;
    OSAPI::lsdir(dir.path.c_str(), names);
    bool listed = false;
    for (unsigned i = 0; i < names.len(); i++) {
        listed = listed || std::string(names[i]) == "\xC3\xA9toiles \xE2\x98\x85.stars";
    }
    EXPECT_TRUE(listed);
    std::string refusal = raised([] { OSAPI::widen("bad \xFF byte"); });
    EXPECT_EQ(
        refusal.rfind(
            "\"bad \xFF byte\" is not UTF-8 text in <std::wstring OSAPI::widen(const char*)>", 0),
        0u)
        << refusal;
    EXPECT_EQ(OSAPI::open_can_fail("bad \xFF byte", 2), -1);
}
#endif
