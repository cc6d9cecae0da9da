#include "host/services/load_state.h"
#include "host/services/save_state.h"
#include "lwsdk/lwio.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

template <class T> using Writer = void (*LWSaveState::*)(void*, T const*, int);
template <class T> using Reader = int (*LWLoadState::*)(void*, T*, int);

// Writes `values` in one call in each mode, checks what was written, and
// reads them back asking for one value more than there is.
template <class T>
void round_trip(Writer<T> write, Reader<T> read, std::vector<T> const& values,
                std::string const& bytes, std::string const& text) {
    int n = static_cast<int>(values.size());
    struct Mode {
        int io_mode;
        std::string written;
    } const modes[] = {{LWIO_BINARY, bytes}, {LWIO_ASCII, text + "\n"}};
    for (Mode const& mode : modes) {
        SCOPED_TRACE(mode.io_mode == LWIO_BINARY ? "binary" : "text");
        SaveState saved(mode.io_mode);
        (saved.state()->*write)(saved.state()->writeData, values.data(), n);
        EXPECT_EQ(saved.data(), mode.written);
        LoadState loaded(saved.data(), mode.io_mode);
        std::vector<T> back(values.size() + 1);
        EXPECT_EQ((loaded.state()->*read)(loaded.state()->readData, back.data(), n + 1), n);
        back.pop_back();
        EXPECT_EQ(back, values);
    }
}

TEST(TypedValues, EveryWidthIsBigEndianInBinaryAndSignedDecimalOrUnsignedHexInText) {
    round_trip<char>(&LWSaveState::writeI1, &LWLoadState::readI1, {-128, 127, -1},
                     std::string("\x80\x7f\xff", 3), "-128 127 -1");
    round_trip<short>(&LWSaveState::writeI2, &LWLoadState::readI2, {-32768, 0x1234, -2},
                      std::string("\x80\x00\x12\x34\xff\xfe", 6), "-32768 4660 -2");
    round_trip<int>(&LWSaveState::writeI4, &LWLoadState::readI4, {INT_MIN, 0x12345678, -42},
                    std::string("\x80\0\0\0\x12\x34\x56\x78\xff\xff\xff\xd6", 12),
                    "-2147483648 305419896 -42");
    round_trip<unsigned char>(&LWSaveState::writeU1, &LWLoadState::readU1, {0, 0xAB, 0xFF},
                              std::string("\x00\xab\xff", 3), "0 AB FF");
    round_trip<unsigned short>(&LWSaveState::writeU2, &LWLoadState::readU2, {0xBEEF, 1, 0xFFFF},
                               std::string("\xbe\xef\x00\x01\xff\xff", 6), "BEEF 1 FFFF");
    round_trip<unsigned>(&LWSaveState::writeU4, &LWLoadState::readU4,
                         {0xDEADBEEF, 0x10000000, 0xFFFFFFFF},
                         std::string("\xde\xad\xbe\xef\x10\0\0\0\xff\xff\xff\xff", 12),
                         "DEADBEEF 10000000 FFFFFFFF");
    round_trip<float>(&LWSaveState::writeFP, &LWLoadState::readFP, {1.0f, -2.5f, 0.1f},
                      std::string("\x3f\x80\0\0\xc0\x20\0\0\x3d\xcc\xcc\xcd", 12),
                      "1 -2.5 0.100000001");
}

} // namespace
