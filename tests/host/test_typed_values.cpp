#include "host/load_state.h"
#include "host/save_state.h"
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

TEST(TypedValues, TextReadsStopAtTheFirstNumberThatDoesNotFit) {
    struct Case {
        char const* line;
        int (*read)(LWLoadState*);
        int expected;
    };
    auto i1 = [](LWLoadState* in) {
        char v[4];
        return in->readI1(in->readData, v, 4);
    };
    auto i4 = [](LWLoadState* in) {
        int v[4];
        return in->readI4(in->readData, v, 4);
    };
    auto u2 = [](LWLoadState* in) {
        unsigned short v[4];
        return in->readU2(in->readData, v, 4);
    };
    auto u4 = [](LWLoadState* in) {
        unsigned v[4];
        return in->readU4(in->readData, v, 4);
    };
    Case const cases[] = {
        {"127 128", i1, 1},      {"-129", i1, 0},      {"2147483647 2147483648", i4, 1},
        {"FFFF 10000", u2, 1},   {"ff -1", u2, 1},     {"-1", u4, 0},
        {"FFFFFFFF 1 0", u4, 3}, {"100000000", u4, 0}, {"G", u4, 0},
    };
    for (Case const& c : cases) {
        LoadState load(std::string(c.line) + "\n", LWIO_ASCII);
        EXPECT_EQ(c.read(load.state()), c.expected) << c.line;
    }
}

TEST(TypedValues, IDsAreTheirFourBytesInBinaryAndTheirTokenInText) {
    LWBlockIdent const known[] = {{LWID_('V', 'E', 'R', 'S'), "OrreluxVersion"}, {0, nullptr}};
    LWBlockIdent const other[] = {{LWID_('E', 'N', 'D', 'I'), "END"}, {0, nullptr}};
    struct Mode {
        int io_mode;
        std::string written;
    } const modes[] = {{LWIO_BINARY, "VERSVERS"}, {LWIO_ASCII, "OrreluxVersion\nOrreluxVersion\n"}};
    for (Mode const& mode : modes) {
        SaveState saved(mode.io_mode);
        saved.state()->writeID(saved.state()->writeData, &known[0]);
        saved.state()->writeID(saved.state()->writeData, &known[0]);
        EXPECT_EQ(saved.data(), mode.written);
        LoadState loaded(saved.data(), mode.io_mode);
        LWLoadState* in = loaded.state();
        EXPECT_EQ(in->readID(in->readData, known), known[0].id) << mode.io_mode;
        EXPECT_EQ(in->readID(in->readData, other), 0u) << "not in the list";
        EXPECT_EQ(in->readID(in->readData, known), 0u) << "nothing left";
    }
}

TEST(TextValues, ReadGivesEachLineOutsideBlocksAndMinusOneAtTheEnd) {
    LoadState load("first line\n\n  last\n", LWIO_ASCII);
    LWLoadState* in = load.state();
    char buf[16];
    EXPECT_EQ(in->read(in->readData, buf, sizeof buf), 10);
    EXPECT_STREQ(buf, "first line");
    EXPECT_EQ(in->read(in->readData, buf, sizeof buf), 0) << "an empty line";
    EXPECT_EQ(in->read(in->readData, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "last");
    EXPECT_EQ(in->read(in->readData, buf, sizeof buf), -1);
}

} // namespace
