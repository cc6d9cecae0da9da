#include <osapi/osapi-unix.h>

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

std::string text(String const& s) {
    return static_cast<char const*>(s);
}

} // namespace

class PathText : public testing::Test {};

TEST_F(PathText, ExtensionLooksThroughAnAtomicWriteInFlight) {
    EXPECT_EQ(text(OSAPI::extension("a/b.tar.inprogress")), "tar");
    EXPECT_EQ(text(OSAPI::extension("a/b.TAR.INPROGRESS")), "TAR");
}

TEST_F(PathText, ExtensionOfAShortInProgressNameIsInProgress) {
    EXPECT_EQ(text(OSAPI::extension("x.inprogress")), "inprogress");
}

TEST_F(PathText, ExtensionUnderInProgressMayBeEmpty) {
    EXPECT_EQ(text(OSAPI::extension("dir/file.inprogress")), "");
}

TEST_F(PathText, ExtensionCountsDotsInDirectoryNames) {
    EXPECT_EQ(text(OSAPI::extension("a.b/c")), "b/c");
}

TEST_F(PathText, ExtensionIsEmptyWithoutADot) {
    EXPECT_EQ(text(OSAPI::extension("README")), "");
    EXPECT_EQ(text(OSAPI::extension("stars.")), "");
    EXPECT_EQ(text(OSAPI::extension("hipparcos3D.stars")), "stars");
}

TEST_F(PathText, DirnameCases) {
    EXPECT_EQ(text(OSAPI::dirname("")), "");
    EXPECT_EQ(text(OSAPI::dirname("a")), ".");
    EXPECT_EQ(text(OSAPI::dirname("/a")), "/");
    EXPECT_EQ(text(OSAPI::dirname("/")), "/");
    EXPECT_EQ(text(OSAPI::dirname("a/b/")), "a/b");
    EXPECT_EQ(text(OSAPI::dirname("/a/b")), "/a");
}

TEST_F(PathText, BasenameCases) {
    EXPECT_EQ(text(OSAPI::basename("a/b/")), "");
    EXPECT_EQ(text(OSAPI::basename("a/b")), "b");
    EXPECT_EQ(text(OSAPI::basename("name")), "name");
    EXPECT_EQ(text(OSAPI::basename("/x.stars")), "x.stars");
}

class Paths : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(Paths, FileExistsChecksExistenceAndPermissions) {
    std::string path = dir.file("f");
    EXPECT_FALSE(OSAPI::file_exists(path.c_str(), 0));
    write_text(path, "x");
    EXPECT_TRUE(OSAPI::file_exists(path.c_str(), 0));
    EXPECT_TRUE(OSAPI::file_exists(path.c_str(), 1 | 2));
    if (geteuid() != 0) {
        chmod(path.c_str(), 0444);
        EXPECT_TRUE(OSAPI::file_exists(path.c_str(), 1));
        EXPECT_FALSE(OSAPI::file_exists(path.c_str(), 2));
    }
}

TEST_F(Paths, IsDirectoryTellsDirectoriesFromFiles) {
    std::string sub = dir.file("sub");
    OSAPI::mkdir(sub.c_str());
    write_text(dir.file("f"), "");
    EXPECT_TRUE(OSAPI::is_directory(sub.c_str()));
    EXPECT_FALSE(OSAPI::is_directory(dir.file("f").c_str()));
}

TEST_F(Paths, IsDirectoryOfAMissingPathRaises) {
    std::string path = dir.file("missing");
    try {
        OSAPI::is_directory(path.c_str());
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "stat(" + path + "): " + strerror(ENOENT) +
                                         " in <bool OSAPI::is_directory(const char*)> "
                                         "(osapi/osapi-unix:214)");
    }
}

TEST_F(Paths, MkdirOfAnExistingDirectoryRaises) {
    try {
        OSAPI::mkdir(dir.path.c_str());
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "mkdir(" + dir.path + "): " + strerror(EEXIST) +
                                         " in <void OSAPI::mkdir(const char*)> "
                                         "(osapi/osapi-unix:223)");
    }
}

TEST_F(Paths, NamedPipeIsAFifo) {
    std::string path = dir.file("fifo");
    OSAPI::make_named_pipe(path.c_str());
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_THROW(OSAPI::make_named_pipe(path.c_str()), StrXception);
}

TEST_F(Paths, ModificationTimeRoundTrips) {
    std::string path = dir.file("f");
    write_text(path, "x");
    OSAPI::set_mtime(path.c_str(), 1234567890);
    EXPECT_EQ(OSAPI::get_mtime(path.c_str()), 1234567890);
    EXPECT_EQ(OSAPI::get_mtime_ifexist(path.c_str()), 1234567890);
}

TEST_F(Paths, MissingFileHasModificationTimeZeroOnlyWhenAskedIfItExists) {
    std::string path = dir.file("missing");
    EXPECT_EQ(OSAPI::get_mtime_ifexist(path.c_str()), 0);
    try {
        OSAPI::get_mtime(path.c_str());
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "stat(" + path + "): " + strerror(ENOENT) +
                                         " in <FileTime OSAPI::get_mtime(const char*)> "
                                         "(osapi/osapi-unix:250)");
    }
    EXPECT_THROW(OSAPI::set_mtime(path.c_str(), 1), StrXception);
}

TEST_F(Paths, RmRaisesForAMissingFileButRmIfExistDoesNot) {
    std::string path = dir.file("f");
    write_text(path, "x");
    OSAPI::rm(path.c_str());
    EXPECT_FALSE(OSAPI::file_exists(path.c_str(), 0));
    EXPECT_NO_THROW(OSAPI::rm_ifexist(path.c_str()));
    try {
        OSAPI::rm(path.c_str());
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "unlink(" + path + "): " + strerror(ENOENT) +
                                         " in <void OSAPI::rm(const char*)> "
                                         "(osapi/osapi-unix:267)");
    }
}

TEST_F(Paths, RmIfExistStillReportsOtherFailures) {
    std::string sub = dir.file("sub");
    OSAPI::mkdir(sub.c_str());
    EXPECT_THROW(OSAPI::rm_ifexist(sub.c_str()), StrXception);
}

TEST_F(Paths, RenameMovesAndNamesBothPathsOnFailure) {
    std::string from = dir.file("a");
    std::string to = dir.file("b");
    write_text(from, "moved");
    OSAPI::rename(from.c_str(), to.c_str());
    EXPECT_EQ(read_text(to), "moved");
    try {
        OSAPI::rename(from.c_str(), to.c_str());
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "rename(" + from + "," + to + "): " + strerror(ENOENT) +
                                         " in <void OSAPI::rename(const char*, const char*)> "
                                         "(osapi/osapi-unix:283)");
    }
}

TEST_F(Paths, ChdirAndGetcwdAgree) {
    String start = OSAPI::getcwd();
    OSAPI::chdir(dir.path.c_str());
    String here = OSAPI::getcwd();
    OSAPI::chdir(".");
    EXPECT_EQ(text(OSAPI::getcwd()), text(here));
    OSAPI::chdir(start);
    EXPECT_TRUE(OSAPI::is_directory(here));
    EXPECT_EQ(text(OSAPI::basename(here)), text(OSAPI::basename(dir.path.c_str())));
}

TEST_F(Paths, ChdirToAMissingDirectoryRaises) {
    std::string path = dir.file("missing");
    try {
        OSAPI::chdir(path.c_str());
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "chdir(" + path + "): " + strerror(ENOENT) +
                                         " in <void OSAPI::chdir(const char*)> "
                                         "(osapi/osapi-unix:991)");
    }
}

TEST_F(Paths, LsdirListsEveryEntryWithDotAndDotDot) {
    write_text(dir.file("one"), "");
    write_text(dir.file("two"), "");
    Array<String> entries;
    entries.append("kept");
    OSAPI::lsdir(dir.path.c_str(), entries);
    std::vector<std::string> names;
    for (String const& name : entries) {
        names.push_back(text(name));
    }
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"kept", ".", "..", "one", "two"}));
}

TEST_F(Paths, LsdirOfAMissingDirectoryRaises) {
    std::string path = dir.file("missing");
    Array<String> entries;
    try {
        OSAPI::lsdir(path.c_str(), entries);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "opendir(\"" + path + "\"): " + strerror(ENOENT) +
                                         " in <void OSAPI::lsdir(const char*, Array<String>&)> "
                                         "(osapi/osapi-unix:1013)");
    }
}

class Clock : public testing::Test {};

TEST_F(Clock, MicrosecsAdvanceWithTime) {
    u64 before = OSAPI::microsecs();
    usleep(2000);
    u64 after = OSAPI::microsecs();
    EXPECT_GE(after - before, 2000u);
    EXPECT_LT(after - before, 10000000u);
}
