#include <osapi/osapi-unix.h>

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string message_of(StrXception const& e) {
    return static_cast<char const*>(e.message());
}

} // namespace

class Descriptors : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(Descriptors, WriteModeEmptiesAnExistingFile) {
    std::string path = dir.file("f");
    write_text(path, "old contents");
    OSAPI::fd_t fd = OSAPI::open(path.c_str(), 2);
    OSAPI::close(fd);
    EXPECT_EQ(OSAPI::getsize(path.c_str()), 0u);
}

TEST_F(Descriptors, WriteModeCreatesTheFileWithMode0664) {
    std::string path = dir.file("new");
    mode_t old_mask = umask(0);
    OSAPI::fd_t fd = OSAPI::open(path.c_str(), 2);
    umask(old_mask);
    OSAPI::close(fd);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST_F(Descriptors, ReadModeKeepsTheContents) {
    std::string path = dir.file("f");
    write_text(path, "keep");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 1));
    char got[4];
    OSAPI::read(file.fd, got, 4);
    EXPECT_EQ(std::string(got, 4), "keep");
}

TEST_F(Descriptors, ReadOnlyModeRefusesWrites) {
    std::string path = dir.file("f");
    write_text(path, "x");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 0));
    try {
        OSAPI::write(file.fd, "y", 1);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(message_of(e), std::string("write: ") + strerror(EBADF) +
                                     " in <sword OSAPI::write(int, const char*, uword)> "
                                     "(osapi/osapi-unix:378)");
    }
}

TEST_F(Descriptors, ExclusiveModeRefusesAnExistingFile) {
    std::string path = dir.file("f");
    write_text(path, "here");
    try {
        OSAPI::open(path.c_str(), 2 | 8);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(message_of(e), "opening file \"" + path + "\": " + strerror(EEXIST) +
                                     " in <fd_t OSAPI::open(const char*, int)> "
                                     "(osapi/osapi-unix:140)");
    }
    EXPECT_EQ(read_text(path), "here");
}

TEST_F(Descriptors, ExclusiveModeCreatesAMissingFile) {
    std::string path = dir.file("f");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 2 | 8));
    EXPECT_TRUE(OSAPI::file_exists(path.c_str(), 0));
}

TEST_F(Descriptors, ModeFourIsRefusedWithoutTouchingTheFileSystem) {
    std::string path = dir.file("never");
    EXPECT_THROW(OSAPI::open(path.c_str(), 4 | 2), StrXception);
    EXPECT_EQ(OSAPI::open_can_fail(path.c_str(), 4 | 2), -1);
    EXPECT_FALSE(OSAPI::file_exists(path.c_str(), 0));
}

TEST_F(Descriptors, OpenCanFailReportsAMissingFileAsMinusOne) {
    EXPECT_EQ(OSAPI::open_can_fail(dir.file("missing").c_str(), 1), -1);
}

TEST_F(Descriptors, EveryDescriptorIsClosedOnExec) {
    std::string path = dir.file("f");
    OSAPI::DiskFile a(OSAPI::open(path.c_str(), 2));
    OSAPI::DiskFile b(OSAPI::open_can_fail(path.c_str(), 1));
    EXPECT_TRUE(fcntl(a.fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_TRUE(fcntl(b.fd, F_GETFD) & FD_CLOEXEC);
}

TEST_F(Descriptors, ReadPastTheEndRaisesUnexpectedEof) {
    std::string path = dir.file("five");
    write_text(path, "12345");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 1));
    char buf[10];
    try {
        OSAPI::read(file.fd, buf, 10);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(message_of(e), "unexpected EOF in <sword OSAPI::read(int, char*, uword)> "
                                 "(osapi/osapi-unix:309)");
    }
}

TEST_F(Descriptors, ReadShortReturnsWhatThereIsThenZero) {
    std::string path = dir.file("five");
    write_text(path, "12345");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 1));
    char buf[10];
    EXPECT_EQ(OSAPI::read_short(file.fd, buf, 10), 5);
    EXPECT_EQ(std::string(buf, 5), "12345");
    EXPECT_EQ(OSAPI::read_short(file.fd, buf, 10), 0);
}

TEST_F(Descriptors, PositionedReadAndWriteLeaveTheOffsetAlone) {
    std::string path = dir.file("f");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 3));
    OSAPI::write(file.fd, "abcdef", 6);
    OSAPI::pwrite(file.fd, "XY", 2, 2);
    char got[3];
    EXPECT_EQ(OSAPI::pread(file.fd, got, 3, 1), 3);
    EXPECT_EQ(std::string(got, 3), "bXY");
    EXPECT_EQ(OSAPI::lseek(file.fd, 0, SEEK_CUR), 6);
    try {
        OSAPI::pread(file.fd, got, 3, 5);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(message_of(e), "unexpected EOF in <sword OSAPI::pread(int, char*, uword, u64)> "
                                 "(osapi/osapi-unix:335)");
    }
}

TEST_F(Descriptors, TruncateAndSizeAgree) {
    std::string path = dir.file("f");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 3));
    OSAPI::write(file.fd, "0123456789", 10);
    OSAPI::truncate(file.fd, 4);
    OSAPI::sync(file.fd);
    EXPECT_EQ(OSAPI::getsize(file.fd), 4u);
    EXPECT_EQ(OSAPI::getsize(path.c_str()), 4u);
}

TEST_F(Descriptors, SizeOfAMissingPathNamesStat) {
    try {
        OSAPI::getsize(dir.file("missing").c_str());
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(message_of(e), std::string("stat: ") + strerror(ENOENT) +
                                     " in <u64 OSAPI::getsize(const char*)> "
                                     "(osapi/osapi-unix:636)");
    }
}

TEST_F(Descriptors, LseekOnAPipeNamesTheCall) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    OSAPI::DiskFile in(ends[0]);
    OSAPI::DiskFile out(ends[1]);
    try {
        OSAPI::lseek(in.fd, 0, SEEK_SET);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(message_of(e), std::string("lseek: ") + strerror(ESPIPE) +
                                     " in <s64 OSAPI::lseek(fd_t, s64, int)> "
                                     "(osapi/osapi-unix:618)");
    }
}

TEST_F(Descriptors, CloseOfABadDescriptorRaises) {
    try {
        OSAPI::close(-1);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(message_of(e), std::string("close: ") + strerror(EBADF) +
                                     " in <void OSAPI::close(fd_t)> (osapi/osapi-unix:290)");
    }
}

TEST_F(Descriptors, ClosingTwiceDoesNothingTheSecondTime) {
    OSAPI::DiskFile file(OSAPI::open(dir.file("f").c_str(), 2));
    file.close();
    EXPECT_FALSE(file.is_open());
    EXPECT_NO_THROW(file.close());
}

TEST_F(Descriptors, InitOfAnOpenDescriptorFailsItsCheck) {
    OSAPI::DiskFile file(OSAPI::open(dir.file("f").c_str(), 2));
    try {
        file.init(0);
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "!is_open()");
        EXPECT_STREQ(e.file, "include/osapi/osapi-unix");
        EXPECT_EQ(e.line, 344);
    }
}

TEST_F(Descriptors, DupGivesAnIndependentDescriptorOnTheSameFile) {
    std::string path = dir.file("f");
    write_text(path, "ab");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 1));
    OSAPI::DiskFile copy(OSAPI::dup(file.fd));
    EXPECT_NE(copy.fd, file.fd);
    char c;
    OSAPI::read(file.fd, &c, 1);
    OSAPI::read(copy.fd, &c, 1);
    EXPECT_EQ(c, 'b');
    EXPECT_NO_THROW(OSAPI::dup2(file.fd, file.fd));
}

TEST_F(Descriptors, DiskFileReportsTheModificationTime) {
    std::string path = dir.file("f");
    write_text(path, "x");
    OSAPI::set_mtime(path.c_str(), 1000000000);
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 1));
    EXPECT_EQ(file.get_mtime(), 1000000000);
}
