#include <osapi/osapi-unix.h>

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/mman.h>

namespace {

std::string text(String const& s) {
    return static_cast<char const*>(s);
}

std::string const MUNMAP_FAILURE = std::string("munmap: ") + strerror(EINVAL);

} // namespace

class Mappings : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(Mappings, FileMappingOfAPathSeesTheWholeFileAfterTheDescriptorIsClosed) {
    std::string path = dir.file("data");
    write_text(path, "mapped bytes");
    OSAPI::FileMapping map(path.c_str(), 1);
    ASSERT_EQ(map.length, 12u);
    EXPECT_EQ(std::string(static_cast<char const*>(map.address), map.length), "mapped bytes");
}

TEST_F(Mappings, AnEmptyFileCannotBeMapped) {
    std::string path = dir.file("empty");
    write_text(path, "");
    try {
        OSAPI::FileMapping map(path.c_str(), 1);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), std::string("mmap(file): ") + strerror(EINVAL) +
                                         " in <void OSAPI::FileMapping::map(int, uword, int)> "
                                         "(osapi/osapi-unix:820)");
    }
}

TEST_F(Mappings, MappingAMissingFileRaisesTheOpeningMessage) {
    std::string path = dir.file("missing");
    try {
        OSAPI::FileMapping map(path.c_str(), 1);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "opening file \"" + path + "\": " + strerror(ENOENT) +
                                         " in <fd_t OSAPI::open(const char*, int)> "
                                         "(osapi/osapi-unix:140)");
    }
}

TEST_F(Mappings, WritableFileMappingWritesThroughToTheFile) {
    std::string path = dir.file("data");
    {
        OSAPI::DiskFile writer(OSAPI::open(path.c_str(), 3));
        OSAPI::write(writer.fd, "abcd", 4);
        OSAPI::FileMapping map(writer.fd, 4, 1 | 2);
        static_cast<char*>(map.address)[0] = 'X';
    }
    EXPECT_EQ(read_text(path), "Xbcd");
}

TEST_F(Mappings, AnonymousMappingIsZeroedAndWritable) {
    uword page = OSAPI::get_page_size();
    OSAPI::AnonMapping map(page, false);
    ASSERT_NE(map.address, nullptr);
    EXPECT_EQ(map.length, page);
    char* bytes = static_cast<char*>(map.address);
    EXPECT_EQ(bytes[page - 1], 0);
    bytes[0] = 1;
}

TEST_F(Mappings, ImpossibleAnonymousMappingRaisesAndStaysEmpty) {
    try {
        OSAPI::AnonMapping map(~uword(0) & ~(OSAPI::get_page_size() - 1), true);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()).rfind("mmap(anonymous): ", 0), 0u);
        EXPECT_NE(text(e.message())
                      .find(" in <OSAPI::AnonMapping::AnonMapping(uword, bool)> "
                            "(osapi/osapi-unix:800)"),
                  std::string::npos);
    }
}

TEST_F(Mappings, UnmapEmptiesTheMapping) {
    OSAPI::AnonMapping map(OSAPI::get_page_size(), true);
    map.unmap();
    EXPECT_EQ(map.address, nullptr);
    EXPECT_EQ(map.length, 0u);
    EXPECT_NO_THROW(map.unmap());
}

TEST_F(Mappings, FailedMunmapRaisesFromTheDestructor) {
    uword page = OSAPI::get_page_size();
    void* real = nullptr;
    bool raised = false;
    try {
        OSAPI::AnonMapping map(page, false);
        real = map.address;
        // An unaligned address makes munmap fail.
        map.address = static_cast<char*>(real) + 1;
    } catch (StrXception const& e) {
        raised = true;
        EXPECT_EQ(text(e.message()), MUNMAP_FAILURE +
                                         " in <OSAPI::MemoryMapping::~MemoryMapping()> "
                                         "(osapi/osapi-unix:781)");
    }
    EXPECT_TRUE(raised);
    ASSERT_NE(real, nullptr);
    munmap(real, page);
}

TEST_F(Mappings, FailedMunmapOnlyWarnsWhileAnotherExceptionUnwinds) {
    uword page = OSAPI::get_page_size();
    void* real = nullptr;
    testing::internal::CaptureStderr();
    try {
        OSAPI::AnonMapping map(page, false);
        real = map.address;
        map.address = static_cast<char*>(real) + 1;
        throw StrXception("test", "f", 1, "first");
    } catch (StrXception const& e) {
        EXPECT_EQ(text(e.message()), "first in <f> (test:1)");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: " + MUNMAP_FAILURE + " in <OSAPI::MemoryMapping::~MemoryMapping()>\n");
    ASSERT_NE(real, nullptr);
    munmap(real, page);
}

TEST_F(Mappings, LockMemoryLocksAPage) {
    OSAPI::AnonMapping map(OSAPI::get_page_size(), false);
    try {
        OSAPI::LockMemory lock(map.address, map.length);
        EXPECT_EQ(lock.address, map.address);
    } catch (StrXception const& e) {
        // Locking may be forbidden by the resource limits of the machine.
        EXPECT_EQ(text(e.message()).rfind("mlock: ", 0), 0u);
    }
}
