#include <osapi/osapi-unix.h>

#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#ifndef _WIN32
#include <sys/mman.h>
#endif

class Mappings : public testing::Test {
protected:
    TempFolder dir;
    std::string path = dir.file("data");
    uword page = OSAPI::get_page_size();
};

TEST_F(Mappings, FileMappingsSeeTheWholeFileWriteThroughToItAndUnmapOnce) {
    {
        OSAPI::DiskFile writer(OSAPI::open(path.c_str(), 3));
        OSAPI::write(writer.fd, "abcd", 4);
        OSAPI::FileMapping map(writer.fd, 4, 1 | 2);
        static_cast<char*>(map.address)[0] = 'X';
    }
    OSAPI::FileMapping map(path.c_str(), 1);
    EXPECT_EQ(std::string(static_cast<char const*>(map.address), map.length), "Xbcd");
    map.unmap();
    EXPECT_EQ(map.address, nullptr);
    EXPECT_EQ(map.length, 0u);
    EXPECT_NO_THROW(map.unmap());
}

// Windows unmaps the whole view from any address inside it, so there is no
// failure to provoke there.
#ifndef _WIN32
TEST_F(Mappings, FailedMunmapRaisesFromTheDestructorButOnlyWarnsWhileAnotherExceptionUnwinds) {
    std::string const failure =
        std::string("munmap: ") + strerror(EINVAL) + " in <OSAPI::MemoryMapping::~MemoryMapping()>";
    for (bool unwinding : {false, true}) {
        void* real = nullptr;
        testing::internal::CaptureStderr();
        std::string text = raised([&] {
            OSAPI::AnonMapping map(page, false);
            // An unaligned address makes munmap fail.
            real = map.address;
            map.address = static_cast<char*>(real) + 1;
            if (unwinding) {
                throw StrXception("test", "f", 1, "first");
            }
        });
        std::string warned = testing::internal::GetCapturedStderr();
        munmap(real, page);
        EXPECT_EQ(text, unwinding ? "first in <f> (test:1)" : failure + " (osapi/osapi-unix:781)");
        EXPECT_EQ(warned, unwinding ? "warning: " + failure + "\n" : "");
    }
}
#endif
