#include <osapi/osapi-unix.h>

#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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
