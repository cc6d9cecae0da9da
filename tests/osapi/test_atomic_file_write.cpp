#include <osapi/osapi-unix.h>

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>

class AtomicWrites : public testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("prefs.ini");
    std::string temp = path + ".inprogress";
};

TEST_F(AtomicWrites, WithoutCompleteNothingIsLeftAndTheFileIsUntouched) {
    write_text(path, "old");
    {
        OSAPI::AtomicFileWrite w(path.c_str(), 2);
        EXPECT_TRUE(OSAPI::file_exists(temp.c_str(), 0));
        OSAPI::write(w.fd, "new", 3);
        OSAPI::close(w.fd);
    }
    EXPECT_FALSE(OSAPI::file_exists(temp.c_str(), 0));
    EXPECT_EQ(read_text(path), "old");
}

TEST_F(AtomicWrites, CompleteReplacesTheFile) {
    write_text(path, "old");
    {
        OSAPI::AtomicFileWrite w(path.c_str(), 2);
        OSAPI::write(w.fd, "new", 3);
        w.complete();
        OSAPI::close(w.fd);
    }
    EXPECT_FALSE(OSAPI::file_exists(temp.c_str(), 0));
    EXPECT_EQ(read_text(path), "new");
}

TEST_F(AtomicWrites, CompleteNosyncAlsoReplacesTheFile) {
    OSAPI::AtomicFileWrite w(path.c_str(), 2);
    OSAPI::write(w.fd, "fresh", 5);
    w.complete_nosync();
    OSAPI::close(w.fd);
    EXPECT_EQ(read_text(path), "fresh");
}

TEST_F(AtomicWrites, AbortRemovesTheTemporaryFile) {
    OSAPI::AtomicFileWrite w(path.c_str(), 2);
    OSAPI::close(w.fd);
    w.abort();
    EXPECT_FALSE(OSAPI::file_exists(temp.c_str(), 0));
    EXPECT_FALSE(OSAPI::file_exists(path.c_str(), 0));
}

TEST_F(AtomicWrites, UnwindingCleansUpToo) {
    try {
        OSAPI::AtomicFileWrite w(path.c_str(), 2);
        OSAPI::close(w.fd);
        throw StrXception("test", "f", 1, "writer failed");
    } catch (StrXception const&) {
    }
    EXPECT_FALSE(OSAPI::file_exists(temp.c_str(), 0));
}

TEST_F(AtomicWrites, ExclusiveRefusesASecondWriter) {
    std::unique_ptr<OSAPI::AtomicFileWrite> first(OSAPI::AtomicFileWrite::exclusive(path.c_str()));
    ASSERT_TRUE(first);
    EXPECT_TRUE(fcntl(first->fd, F_GETFD) & FD_CLOEXEC);
    EXPECT_EQ(OSAPI::AtomicFileWrite::exclusive(path.c_str()), nullptr);
    OSAPI::write(first->fd, "mine", 4);
    first->complete();
    OSAPI::close(first->fd);
    EXPECT_EQ(read_text(path), "mine");
    std::unique_ptr<OSAPI::AtomicFileWrite> second(OSAPI::AtomicFileWrite::exclusive(path.c_str()));
    EXPECT_TRUE(second);
    OSAPI::close(second->fd);
}

TEST_F(AtomicWrites, FailureToOpenTheTemporaryFileRaises) {
    std::string bad = dir.file("missing/f");
    try {
        OSAPI::AtomicFileWrite w(bad.c_str(), 2);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(std::string(e.message()), "opening file \"" + bad +
                                                ".inprogress\": " + strerror(ENOENT) +
                                                " in <fd_t OSAPI::open(const char*, int)> "
                                                "(osapi/osapi-unix:140)");
    }
}
