#include "base/buffer.h"

#include "tests/support/raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The source of a buffer's reads; a negative `result` fails every call.
struct Memory {
    std::string input;
    size_t at = 0;
    int result = 0;

    static int read(void* arg, char* dst, int n) {
        Memory* m = static_cast<Memory*>(arg);
        if (m->result < 0)
            return m->result;
        int count = static_cast<int>(std::min<size_t>(size_t(n), m->input.size() - m->at));
        memcpy(dst, m->input.data() + m->at, count);
        m->at += count;
        return count;
    }
};

class BufferTest : public testing::Test {
protected:
    void TearDown() override { buf_destroy(in); }

    // Swaps the 4096-byte default for `size` bytes so that refills show.
    static buffer* sized(buffer* b, int size) {
        free(b->buf);
        b->buf = nullptr;
        b->size = 0;
        EXPECT_EQ(buf_size(b, size), 0);
        return b;
    }

    void reader(std::string const& data, int size) {
        buf_destroy(in);
        mem = Memory();
        mem.input = data;
        in = sized(buf_input(Memory::read, &mem), size);
    }

    Memory mem;
    buffer* in = nullptr;
};

TEST_F(BufferTest, ReadlineKeepsEveryTerminatorFormAtEveryBufferSize) {
    struct Case {
        char const* input;
        std::vector<std::string> lines;
    } const cases[] = {{"a\r\nb\rc\n\rd", {"a\r\n", "b\r", "c\n\r", "d", ""}},
                       {"x\n\ny\r\r", {"x\n", "\n", "y\r", "\r", ""}}};
    for (Case const& c : cases) {
        for (int size : {0, 1, 2, 3, 4096}) {
            SCOPED_TRACE(testing::Message() << c.input << " with buffer size " << size);
            reader(c.input, size);
            for (std::string const& line : c.lines)
                EXPECT_EQ(std::string(buf_readln(in)), line);
        }
    }
}

TEST_F(BufferTest, UnbufferedPushedBackByteSurvivesAFailingSourceAndOnlyOneWaits) {
    reader("bc", 0);
    buf_unread(in, '\xff'); // a high byte must not read as "none waiting"
    mem.result = -1;
    char got[4] = {};
    EXPECT_EQ(buf_read(in, got, 3), 1); // a short read of its own
    EXPECT_EQ(got[0], '\xff');
    EXPECT_EQ(buf_read(in, got, 3), -1);
    EXPECT_EQ(raised([&] { buf_readln(in); }),
              "read error in <String buf_readln(struct buffer *)> (base/buffer:229)");
    mem.result = 0;
    EXPECT_EQ(buf_read(in, got, 3), 2);
    EXPECT_EQ(std::string(got, 2), "bc");
    buf_unread(in, 'a');
    EXPECT_EQ(raised([&] { buf_unread(in, 'b'); }),
              "unread of more than 1 byte in <void buf_unread(struct buffer *, const char)> "
              "(base/buffer:258)");
}

} // namespace
