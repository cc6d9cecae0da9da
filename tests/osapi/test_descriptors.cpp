#include <osapi/osapi-unix.h>

#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include <fcntl.h>

namespace {

// "<what>: <error text> in <function> (osapi/osapi-unix:<line>)"
std::string failure(std::string const& what, int error, char const* function, int line) {
    return what + ": " + strerror(error) + " in <" + function +
           "> (osapi/osapi-unix:" + std::to_string(line) + ")";
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
    EXPECT_TRUE(fcntl(reader.fd, F_GETFD) & FD_CLOEXEC);
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
         failure("opening file \"" + path + "\"", EEXIST, "fd_t OSAPI::open(const char*, int)",
                 140)},
        {[&] { OSAPI::write(reader.fd, "y", 1); },
         failure("write", EBADF, "sword OSAPI::write(int, const char*, uword)", 378)},
        {[&] { OSAPI::read(reader.fd, buf, 10); },
         "unexpected EOF in <sword OSAPI::read(int, char*, uword)> (osapi/osapi-unix:309)"},
        {[&] { OSAPI::pread(reader.fd, buf, 3, 3); },
         "unexpected EOF in <sword OSAPI::pread(int, char*, uword, u64)> (osapi/osapi-unix:335)"},
        {[&] { OSAPI::rename(missing.c_str(), path.c_str()); },
         failure("rename(" + missing + "," + path + ")", ENOENT,
                 "void OSAPI::rename(const char*, const char*)", 283)},
        {[&] { OSAPI::FileMapping map(empty.c_str(), 1); },
         failure("mmap(file)", EINVAL, "void OSAPI::FileMapping::map(int, uword, int)", 820)},
        {[] { OSAPI::ScopedFILE bad(-1, "nothing", "r"); },
         "fdopen(\"nothing\", \"r\") in <OSAPI::ScopedFILE::ScopedFILE(fd_t, const char*, const "
         "char*)> (osapi/osapi-unix:1349)"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(raised(c.action), c.expected);
    }
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
