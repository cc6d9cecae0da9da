#include <osapi/osapi-unix.h>

#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#endif

// The system's text for a failure: strerror's for the POSIX error, or the
// message of the Windows error code.
#ifdef _WIN32
#define SYSTEM_TEXT(posix, windows) std::string(OSAPI::error_text(windows))
#else
#define SYSTEM_TEXT(posix, windows) std::string(strerror(posix))
#endif

namespace {

// "<what>: <error text> in <function> (osapi/osapi-unix:<line>)"
std::string failure(std::string const& what, std::string const& error, char const* function,
                    int line) {
    return what + ": " + error + " in <" + function +
           "> (osapi/osapi-unix:" + std::to_string(line) + ")";
}

// A program started by this one would not get the descriptor.
bool closed_on_exec(OSAPI::fd_t fd) {
#ifdef _WIN32
    DWORD flags = 0;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return GetHandleInformation(handle, &flags) && !(flags & HANDLE_FLAG_INHERIT);
#else
    return fcntl(fd, F_GETFD) & FD_CLOEXEC;
#endif
}

} // namespace

class Descriptors : public testing::Test {
protected:
    TempFolder dir;
    std::string path = dir.file("f");
    std::string missing = dir.file("missing");
};

TEST_F(Descriptors, OpenModesKeepTruncateCreateExclusivelyOrAreRefused) {
    write_text(path, "old contents");
    OSAPI::DiskFile reader(OSAPI::open(path.c_str(), 1));
    EXPECT_TRUE(closed_on_exec(reader.fd));
    EXPECT_THROW(OSAPI::open(path.c_str(), 2 | 8), StrXception);
    EXPECT_EQ(read_text(path), "old contents");
    for (int mode : {2, 3}) {
        write_text(path, "old contents");
        OSAPI::close(OSAPI::open(path.c_str(), mode));
        EXPECT_EQ(OSAPI::getsize(path.c_str()), 0u) << "mode " << mode;
    }
    OSAPI::close(OSAPI::open(missing.c_str(), 2 | 8));
    EXPECT_TRUE(OSAPI::file_exists(missing.c_str(), 0));
    // Mode bit 4 is refused before the file system is asked anything.
    std::string never = dir.file("never");
    EXPECT_THROW(OSAPI::open(never.c_str(), 4 | 2), StrXception);
    EXPECT_EQ(OSAPI::open_can_fail(never.c_str(), 4 | 2), -1);
    EXPECT_EQ(OSAPI::open_can_fail(never.c_str(), 1), -1);
    EXPECT_FALSE(OSAPI::file_exists(never.c_str(), 0));
}

TEST_F(Descriptors, EachFailureRaisesItsExactMessage) {
    std::string empty = dir.file("empty");
    write_text(empty, "");
    write_text(path, "12345");
    OSAPI::DiskFile reader(OSAPI::open(path.c_str(), 0));
    char buf[10];
    struct Case {
        std::function<void()> action;
        std::string expected;
    } const cases[] = {
        {[&] { OSAPI::open(path.c_str(), 2 | 8); },
         failure("opening file \"" + path + "\"", SYSTEM_TEXT(EEXIST, ERROR_FILE_EXISTS),
                 "fd_t OSAPI::open(const char*, int)", 140)},
        {[&] { OSAPI::write(reader.fd, "y", 1); },
         failure("write", SYSTEM_TEXT(EBADF, ERROR_ACCESS_DENIED),
                 "sword OSAPI::write(int, const char*, uword)", 378)},
        {[&] { OSAPI::read(reader.fd, buf, 10); },
         "unexpected EOF in <sword OSAPI::read(int, char*, uword)> (osapi/osapi-unix:309)"},
        {[&] { OSAPI::pread(reader.fd, buf, 3, 3); },
         "unexpected EOF in <sword OSAPI::pread(int, char*, uword, u64)> (osapi/osapi-unix:335)"},
        {[&] { OSAPI::rename(missing.c_str(), path.c_str()); },
         failure("rename(" + missing + "," + path + ")", SYSTEM_TEXT(ENOENT, ERROR_FILE_NOT_FOUND),
                 "void OSAPI::rename(const char*, const char*)", 283)},
        {[&] { OSAPI::FileMapping map(empty.c_str(), 1); },
         failure("mmap(file)", SYSTEM_TEXT(EINVAL, ERROR_FILE_INVALID),
                 "void OSAPI::FileMapping::map(int, uword, int)", 820)},
        {[] { OSAPI::ScopedFILE bad(-1, "nothing", "r"); },
         "fdopen(\"nothing\", \"r\") in <OSAPI::ScopedFILE::ScopedFILE(fd_t, const char*, const "
         "char*)> (osapi/osapi-unix:1349)"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(raised(c.action), c.expected);
    }
}

TEST_F(Descriptors, PositionedReadsAndWritesLeaveTheOffsetWhereItWas) {
    write_text(path, "0123456789");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 0));
    char got[4] = {};
    OSAPI::read(file.fd, got, 2);
    OSAPI::pread(file.fd, got, 3, 6);
    EXPECT_EQ(std::string(got, 3), "678");
    OSAPI::read(file.fd, got, 2);
    EXPECT_EQ(std::string(got, 2), "23");
    OSAPI::close(file.fd);
    file.fd = -1;

    OSAPI::DiskFile writer(OSAPI::open(path.c_str(), 3));
    OSAPI::write(writer.fd, "ab", 2);
    OSAPI::pwrite(writer.fd, "XY", 2, 6);
    OSAPI::write(writer.fd, "cd", 2);
    OSAPI::truncate(writer.fd, 7);
    OSAPI::write(writer.fd, "e", 1);
    EXPECT_EQ(OSAPI::lseek(writer.fd, 0, SEEK_CUR), 5);
    writer.close();
    EXPECT_EQ(read_text(path), std::string("abcde\0X", 7));
}

class AtomicWrites : public Descriptors {};

TEST_F(AtomicWrites, OnlyCompleteReplacesTheFileAndNoTemporaryFileIsLeft) {
    std::string temp = path + ".inprogress";
    struct Case {
        char const* name;
        void (*finish)(OSAPI::AtomicFileWrite&);
        char const* expected;
    } const cases[] = {
        {"nothing", [](OSAPI::AtomicFileWrite&) {}, "old"},
        {"abort", [](OSAPI::AtomicFileWrite& w) { w.abort(); }, "old"},
        {"complete", [](OSAPI::AtomicFileWrite& w) { w.complete(); }, "new"},
        {"complete_nosync", [](OSAPI::AtomicFileWrite& w) { w.complete_nosync(); }, "new"},
    };
    for (Case const& c : cases) {
        write_text(path, "old");
        {
            OSAPI::AtomicFileWrite w(path.c_str(), 2);
            EXPECT_TRUE(OSAPI::file_exists(temp.c_str(), 0));
            OSAPI::write(w.fd, "new", 3);
            c.finish(w);
            OSAPI::close(w.fd);
        }
        EXPECT_FALSE(OSAPI::file_exists(temp.c_str(), 0)) << c.name;
        EXPECT_EQ(read_text(path), c.expected) << c.name;
    }
}
