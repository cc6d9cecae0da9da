#include "host/load_state.h"
#include "host/save_state.h"
#include "lwsdk/lwio.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace {

const LWBlockIdent BLOCKS[] = {
    {LWID_('I', 'N', 'T', 'S'), "Ints"},
    {LWID_('F', 'L', 'T', 'S'), "Floats"},
    {LWID_('S', 'T', 'R', 'G'), "String"},
    {LWID_('O', 'P', 'T', 'S'), "Options"},
    {LWID_('I', 'N', 'N', 'R'), "Inner"},
    {LWID_('E', 'N', 'D', 'I'), "END"},
    {0, nullptr},
};
const LWBlockIdent* INTS = &BLOCKS[0];
const LWBlockIdent* FLOATS = &BLOCKS[1];
const LWBlockIdent* STRING = &BLOCKS[2];
const LWBlockIdent* OPTIONS = &BLOCKS[3];
const LWBlockIdent* INNER = &BLOCKS[4];
const LWBlockIdent* END = &BLOCKS[5];
const LWBlockIdent ONLY_END[] = {{LWID_('E', 'N', 'D', 'I'), "END"}, {0, nullptr}};

class TextBlocks : public ::testing::Test {
protected:
    void leaf_ints(LWBlockIdent const* ident, std::initializer_list<int> values) {
        out->beginBlk(out->writeData, ident, 1);
        for (int v : values) {
            out->writeI4(out->writeData, &v, 1);
        }
        out->endBlk(out->writeData);
    }
    void leaf_string(char const* text) {
        out->beginBlk(out->writeData, STRING, 1);
        out->writeStr(out->writeData, text);
        out->endBlk(out->writeData);
    }
    void nest(LWBlockIdent const* ident) { out->beginBlk(out->writeData, ident, 0); }
    void end() { out->endBlk(out->writeData); }

    // Starts reading what was written.
    LWLoadState* reader() {
        load.reset(new LoadState(saved.data(), LWIO_ASCII));
        return load->state();
    }
    LWID find(LWBlockIdent const* list = BLOCKS) { return in->findBlk(in->readData, list); }
    int read_int() {
        int v = INT_MIN + 7;
        EXPECT_EQ(in->readI4(in->readData, &v, 1), 1);
        return v;
    }
    std::string read_str() {
        char buf[256];
        EXPECT_GE(in->readStr(in->readData, buf, sizeof buf), 0);
        return buf;
    }
    void load_text(char const* text) {
        load.reset(new LoadState(text, LWIO_ASCII));
        in = load->state();
    }

    SaveState saved{LWIO_ASCII};
    LWSaveState* out = saved.state();
    std::unique_ptr<LoadState> load;
    LWLoadState* in = nullptr;
};

TEST_F(TextBlocks, LeafBlockIsOneLineOfTokenAndValues) {
    leaf_ints(INTS, {1, -2, 3});
    EXPECT_EQ(saved.data(), "Ints 1 -2 3\n");
}

TEST_F(TextBlocks, NestedBlockOpensWithBraceAndIndentsItsContents) {
    nest(OPTIONS);
    int three = 3;
    out->writeI4(out->writeData, &three, 1);
    nest(INNER);
    int zero = 0;
    out->writeI4(out->writeData, &zero, 1);
    out->writeStr(out->writeData, "");
    end();
    end();
    EXPECT_EQ(saved.data(), "{ Options\n  3\n  { Inner\n    0\n    \"\"\n  }\n}\n");
}

TEST_F(TextBlocks, IntsComeBackExactly) {
    int values[] = {0, -1, INT_MAX, INT_MIN, 123456789};
    out->beginBlk(out->writeData, INTS, 1);
    out->writeI4(out->writeData, values, 5);
    out->endBlk(out->writeData);
    in = reader();
    ASSERT_EQ(find(), INTS->id);
    int back[5] = {};
    EXPECT_EQ(in->readI4(in->readData, back, 5), 5);
    EXPECT_EQ(0, memcmp(values, back, sizeof values));
}

TEST_F(TextBlocks, FloatsComeBackBitExact) {
    float values[] = {0.1f,         -0.0f,  1.0f / 3.0f, FLT_MAX,     FLT_MIN,
                      FLT_TRUE_MIN, 0.001f, 5.0f,        16777217.0f, -2.5e-20f};
    int n = sizeof values / sizeof values[0];
    out->beginBlk(out->writeData, FLOATS, 1);
    out->writeFP(out->writeData, values, n);
    out->endBlk(out->writeData);
    in = reader();
    ASSERT_EQ(find(), FLOATS->id);
    float back[10] = {};
    EXPECT_EQ(in->readFP(in->readData, back, n), n);
    EXPECT_EQ(0, memcmp(values, back, sizeof values));
}

TEST_F(TextBlocks, StringWithBlanksAndQuotesComesBackWhenLastOnItsLine) {
    char const* text = "My \"best\" stars/hip 3D.stars \"";
    leaf_string(text);
    leaf_string("");
    in = reader();
    ASSERT_EQ(find(), STRING->id);
    EXPECT_EQ(read_str(), text);
    in->endBlk(in->readData);
    ASSERT_EQ(find(), STRING->id);
    char buf[8] = "x";
    EXPECT_EQ(in->readStr(in->readData, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
}

TEST_F(TextBlocks, LongStringIsCutToTheBuffer) {
    leaf_string("abcdefghij");
    in = reader();
    find();
    char buf[5];
    EXPECT_EQ(in->readStr(in->readData, buf, sizeof buf), 4);
    EXPECT_STREQ(buf, "abcd");
}

TEST_F(TextBlocks, ValuesOfDifferentTypesShareALeafLine) {
    out->beginBlk(out->writeData, INTS, 1);
    int seven = 7;
    float half = 0.5f;
    out->writeI4(out->writeData, &seven, 1);
    out->writeFP(out->writeData, &half, 1);
    out->writeStr(out->writeData, "a b");
    out->endBlk(out->writeData);
    in = reader();
    ASSERT_EQ(find(), INTS->id);
    EXPECT_EQ(read_int(), 7);
    float f = 0;
    EXPECT_EQ(in->readFP(in->readData, &f, 1), 1);
    EXPECT_EQ(f, 0.5f);
    EXPECT_EQ(read_str(), "a b");
}

TEST_F(TextBlocks, ReadsNeverContinueOntoTheNextLine) {
    leaf_ints(INTS, {1, 2});
    leaf_ints(INTS, {3});
    in = reader();
    ASSERT_EQ(find(), INTS->id);
    int back[3] = {0, 0, 0};
    EXPECT_EQ(in->readI4(in->readData, back, 3), 2);
    EXPECT_EQ(back[2], 0);
}

TEST_F(TextBlocks, NestedBlocksRoundTrip) {
    nest(OPTIONS);
    leaf_ints(INTS, {4});
    nest(INNER);
    leaf_string("deep");
    end();
    leaf_ints(INTS, {5});
    end();
    in = reader();
    ASSERT_EQ(find(), OPTIONS->id);
    ASSERT_EQ(find(), INTS->id);
    EXPECT_EQ(read_int(), 4);
    in->endBlk(in->readData);
    ASSERT_EQ(find(), INNER->id);
    ASSERT_EQ(find(), STRING->id);
    EXPECT_EQ(read_str(), "deep");
    in->endBlk(in->readData);
    EXPECT_EQ(find(), 0u) << "the inner block holds nothing more";
    in->endBlk(in->readData);
    ASSERT_EQ(find(), INTS->id);
    EXPECT_EQ(read_int(), 5);
    in->endBlk(in->readData);
    EXPECT_EQ(find(), 0u);
    in->endBlk(in->readData);
    EXPECT_EQ(find(), 0u);
}

TEST_F(TextBlocks, FindSkipsBlocksNotInTheList) {
    leaf_ints(INTS, {1});
    nest(OPTIONS);
    nest(INNER);
    leaf_ints(END, {1});
    end();
    end();
    leaf_string("x");
    leaf_ints(END, {2});
    in = reader();
    EXPECT_EQ(find(ONLY_END), END->id);
    EXPECT_EQ(read_int(), 2) << "the END inside Options is not at this level";
    in->endBlk(in->readData);
    EXPECT_EQ(find(), 0u);
}

TEST_F(TextBlocks, EndingANestedBlockEarlySkipsTheRestOfIt) {
    nest(OPTIONS);
    leaf_ints(INTS, {1});
    nest(INNER);
    leaf_ints(INTS, {2});
    end();
    leaf_ints(INTS, {3});
    end();
    leaf_ints(INTS, {4});
    in = reader();
    ASSERT_EQ(find(), OPTIONS->id);
    ASSERT_EQ(find(), INTS->id);
    in->endBlk(in->readData);
    in->endBlk(in->readData);
    ASSERT_EQ(find(), INTS->id);
    EXPECT_EQ(read_int(), 4);
}

TEST_F(TextBlocks, EndingALeafEarlySkipsItsOtherValues) {
    leaf_ints(INTS, {1, 2, 3});
    leaf_ints(FLOATS, {9});
    in = reader();
    ASSERT_EQ(find(), INTS->id);
    EXPECT_EQ(read_int(), 1);
    in->endBlk(in->readData);
    ASSERT_EQ(find(), FLOATS->id);
    EXPECT_EQ(read_int(), 9);
}

TEST_F(TextBlocks, OutsideLeavesEachReadTakesOneLine) {
    load_text("{ Options\n  3 4\n  { Settings\n    0\n    \"\"\n  }\n}\nEND\n");
    ASSERT_EQ(find(), OPTIONS->id);
    int v[2] = {0, 0};
    EXPECT_EQ(in->readI4(in->readData, v, 2), 2);
    EXPECT_EQ(in->readI4(in->readData, v, 1), 0) << "the next line opens a block";
    EXPECT_EQ(find(), 0u) << "Settings is not in the list";
    in->endBlk(in->readData);
    EXPECT_EQ(find(), END->id);
}

TEST_F(TextBlocks, RawReadGivesTheRestOfTheLeafLine) {
    load_text("String \"/stars/a b.stars\"\r\nEND\r\n");
    ASSERT_EQ(find(), STRING->id);
    char buf[64];
    EXPECT_EQ(in->read(in->readData, buf, sizeof buf), 18);
    EXPECT_STREQ(buf, "\"/stars/a b.stars\"");
    in->endBlk(in->readData);
    EXPECT_EQ(find(), END->id);
}

TEST_F(TextBlocks, RawWriteIsOneLine) {
    char const text[] = "2 100 224";
    out->write(out->writeData, text, sizeof text - 1);
    EXPECT_EQ(saved.data(), "2 100 224\n");
    in = reader();
    int v[3];
    EXPECT_EQ(in->readI4(in->readData, v, 3), 3);
    EXPECT_EQ(v[2], 224);
}

TEST_F(TextBlocks, LineBreaksInAStringCannotSplitTheLine) {
    leaf_string("two\nlines");
    leaf_ints(INTS, {1});
    EXPECT_EQ(saved.data(), "String \"two lines\"\nInts 1\n");
}

TEST_F(TextBlocks, ReadingPastTheEndFindsNothing) {
    load_text("");
    EXPECT_EQ(find(), 0u);
    int v = 5;
    EXPECT_EQ(in->readI4(in->readData, &v, 1), 0);
    EXPECT_EQ(v, 5);
    char buf[4];
    EXPECT_EQ(in->readStr(in->readData, buf, sizeof buf), -1);
    EXPECT_EQ(in->read(in->readData, buf, sizeof buf), -1);
}

class BinaryStates : public ::testing::Test {
protected:
    SaveState saved{LWIO_BINARY};
    LWSaveState* out = saved.state();
};

TEST_F(BinaryStates, RawBytesAndValuesComeBackUnchanged) {
    char const bytes[] = {'\0', '\n', '\xff', '"'};
    int i = -42;
    float f = 0.1f;
    out->write(out->writeData, bytes, 4);
    out->writeI4(out->writeData, &i, 1);
    out->writeFP(out->writeData, &f, 1);
    out->writeStr(out->writeData, "a \"b\"");
    EXPECT_EQ(saved.data().size(), 4u + 4 + 4 + 6);
    LoadState load(saved.data(), LWIO_BINARY);
    LWLoadState* in = load.state();
    char back[4];
    EXPECT_EQ(in->read(in->readData, back, 4), 4);
    EXPECT_EQ(0, memcmp(bytes, back, 4));
    int ib = 0;
    float fb = 0;
    EXPECT_EQ(in->readI4(in->readData, &ib, 1), 1);
    EXPECT_EQ(in->readFP(in->readData, &fb, 1), 1);
    EXPECT_EQ(ib, i);
    EXPECT_EQ(fb, f);
    char s[16];
    EXPECT_EQ(in->readStr(in->readData, s, sizeof s), 5);
    EXPECT_STREQ(s, "a \"b\"");
    EXPECT_EQ(in->read(in->readData, back, 4), 0);
}

TEST_F(BinaryStates, ShortReadGivesWhatIsLeft) {
    LoadState load(std::string("abcde", 5), LWIO_BINARY);
    LWLoadState* in = load.state();
    char buf[4];
    EXPECT_EQ(in->read(in->readData, buf, 4), 4);
    EXPECT_EQ(in->read(in->readData, buf, 4), 1);
    EXPECT_EQ(buf[0], 'e');
    EXPECT_EQ(in->read(in->readData, buf, 4), 0);
}

TEST_F(BinaryStates, HaveNoBlocks) {
    out->beginBlk(out->writeData, BLOCKS, 1);
    out->endBlk(out->writeData);
    EXPECT_TRUE(saved.data().empty());
    LoadState load("Ints 1\n", LWIO_BINARY);
    EXPECT_EQ(load.state()->findBlk(load.state()->readData, BLOCKS), 0u);
}

} // namespace
