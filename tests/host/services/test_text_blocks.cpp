#include "host/services/load_state.h"
#include "host/services/save_state.h"
#include "lwsdk/lwio.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const LWBlockIdent BLOCKS[] = {
    {LWID_('I', 'N', 'T', 'S'), "Ints"},    {LWID_('S', 'T', 'R', 'G'), "String"},
    {LWID_('O', 'P', 'T', 'S'), "Options"}, {LWID_('I', 'N', 'N', 'R'), "Inner"},
    {LWID_('E', 'N', 'D', 'I'), "END"},     {0, nullptr},
};
LWID const INTS = BLOCKS[0].id, STRING = BLOCKS[1].id, OPTIONS = BLOCKS[2].id, INNER = BLOCKS[3].id,
           END = BLOCKS[4].id;

// Blocks written in memory and read back. A file holds the same bytes and is
// read as far as asked (test_file_io.cpp).
class BlockStates : public ::testing::Test {
protected:
    // Starts reading what was written; gives it.
    std::string read_back() {
        load.reset(new LoadState(memory.data(), LWIO_ASCII));
        in = load->state();
        return memory.data();
    }

    void leaf(LWBlockIdent const& ident, std::initializer_list<int> values) {
        out->beginBlk(out->writeData, &ident, 1);
        for (int v : values) {
            out->writeI4(out->writeData, &v, 1);
        }
        out->endBlk(out->writeData);
    }
    void nest(LWBlockIdent const& ident) { out->beginBlk(out->writeData, &ident, 0); }
    void end() { out->endBlk(out->writeData); }

    LWID find(LWBlockIdent const* list = BLOCKS) { return in->findBlk(in->readData, list); }
    void end_read() { in->endBlk(in->readData); }
    int read_int() {
        int v = INT_MIN + 7;
        EXPECT_EQ(in->readI4(in->readData, &v, 1), 1);
        return v;
    }
    std::string read_str(int size = 256) {
        std::vector<char> buf(size);
        EXPECT_GE(in->readStr(in->readData, buf.data(), size), 0);
        return buf.data();
    }

    SaveState memory{LWIO_ASCII};
    std::unique_ptr<LoadState> load;
    LWSaveState* out = memory.state();
    LWLoadState* in = nullptr;
};

TEST_F(BlockStates, EveryValueTypeComesBackExactly) {
    int const ints[] = {0, -1, INT_MAX, INT_MIN, 123456789};
    float const floats[] = {0.1f,    -0.0f,        1.0f / 3.0f, FLT_MAX,
                            FLT_MIN, FLT_TRUE_MIN, 16777217.0f, -2.5e-20f};
    char const* quoted = "My \"best\" stars/hip 3D.stars \"";
    out->beginBlk(out->writeData, &BLOCKS[0], 1);
    out->writeI4(out->writeData, ints, 5);
    out->writeFP(out->writeData, floats, 8);
    out->endBlk(out->writeData);
    for (char const* text : {quoted, "", "two\nlines", "abcdefghij"}) {
        out->beginBlk(out->writeData, &BLOCKS[1], 1);
        out->writeStr(out->writeData, text);
        out->endBlk(out->writeData);
    }
    read_back();

    ASSERT_EQ(find(), INTS);
    int int_back[5] = {};
    float float_back[8] = {};
    EXPECT_EQ(in->readI4(in->readData, int_back, 5), 5);
    EXPECT_EQ(in->readFP(in->readData, float_back, 8), 8);
    EXPECT_EQ(0, memcmp(ints, int_back, sizeof ints));
    EXPECT_EQ(0, memcmp(floats, float_back, sizeof floats)) << "bit-exact";
    end_read();
    for (char const* text : {quoted, "", "two lines"}) {
        ASSERT_EQ(find(), STRING);
        EXPECT_EQ(read_str(), text);
        end_read();
    }
    ASSERT_EQ(find(), STRING);
    EXPECT_EQ(read_str(5), "abcd") << "cut to the buffer";
}

TEST_F(BlockStates, NestedBlocksAreBracedIndentedAndComeBack) {
    nest(BLOCKS[2]);
    leaf(BLOCKS[0], {4});
    int three = 3;
    out->writeI4(out->writeData, &three, 1);
    nest(BLOCKS[3]);
    out->writeStr(out->writeData, "deep");
    end();
    leaf(BLOCKS[0], {5});
    end();
    EXPECT_EQ(read_back(), "{ Options\n  Ints 4\n  3\n  { Inner\n    \"deep\"\n  }\n  Ints 5\n}\n");

    ASSERT_EQ(find(), OPTIONS);
    ASSERT_EQ(find(), INTS);
    EXPECT_EQ(read_int(), 4);
    end_read();
    EXPECT_EQ(read_int(), 3) << "outside a leaf a read takes one line";
    int none = 0;
    EXPECT_EQ(in->readI4(in->readData, &none, 1), 0) << "the next line opens a block";
    ASSERT_EQ(find(), INNER);
    EXPECT_EQ(read_str(), "deep");
    EXPECT_EQ(find(), 0u) << "the inner block holds nothing more";
    end_read();
    ASSERT_EQ(find(), INTS);
    EXPECT_EQ(read_int(), 5);
    end_read();
    EXPECT_EQ(find(), 0u) << "Options holds nothing more";
}

TEST_F(BlockStates, BlocksEndedEarlyOrNotInTheListAreSkippedWhole) {
    leaf(BLOCKS[0], {1, 2, 3});
    nest(BLOCKS[2]);
    leaf(BLOCKS[0], {4});
    nest(BLOCKS[3]);
    leaf(BLOCKS[4], {5});
    end();
    end();
    nest(BLOCKS[3]);
    leaf(BLOCKS[4], {6});
    end();
    leaf(BLOCKS[1], {0});
    leaf(BLOCKS[4], {7});
    read_back();
    ASSERT_EQ(find(), INTS);
    EXPECT_EQ(read_int(), 1);
    end_read();
    ASSERT_EQ(find(), OPTIONS);
    ASSERT_EQ(find(), INTS);
    end_read();
    end_read();
    EXPECT_EQ(find(&BLOCKS[4]), END) << "past Inner, whose END is deeper down, and String";
    EXPECT_EQ(read_int(), 7);
}

} // namespace
