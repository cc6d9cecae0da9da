#include "base/buffer.h"
#include "base/xception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A source over a string, or one that fails with -1.
struct MemoryReader {
    std::string data;
    size_t at = 0;
    int calls = 0;
    bool failing = false;

    static int read(void* arg, char* dst, int n) {
        MemoryReader* r = static_cast<MemoryReader*>(arg);
        ++r->calls;
        if (r->failing)
            return -1;
        int count = static_cast<int>(std::min<size_t>(size_t(n), r->data.size() - r->at));
        memcpy(dst, r->data.data() + r->at, count);
        r->at += count;
        return count;
    }
};

// A target that records every write and accepts at most `chunk` bytes.
struct MemoryWriter {
    std::string data;
    std::vector<int> writes;
    int chunk = 1 << 30;
    int result = 0; // when negative, every write fails with it

    static int write(void* arg, char const* src, int n) {
        MemoryWriter* w = static_cast<MemoryWriter*>(arg);
        w->writes.push_back(n);
        if (w->result < 0)
            return w->result;
        int count = std::min(n, w->chunk);
        w->data.append(src, count);
        return count;
    }
};

class BufferTest : public testing::Test {
protected:
    void TearDown() override {
        buf_destroy(in);
        buf_destroy(out);
    }

    buffer* reader(std::string const& data, int size) {
        source.data = data;
        in = buf_input(MemoryReader::read, &source);
        free(in->buf);
        in->buf = nullptr;
        in->size = 0;
        EXPECT_EQ(buf_size(in, size), 0);
        return in;
    }

    buffer* writer(int size) {
        out = buf_output(MemoryWriter::write, &target);
        free(out->buf);
        out->buf = nullptr;
        out->size = 0;
        EXPECT_EQ(buf_size(out, size), 0);
        return out;
    }

    std::vector<std::string> lines() {
        std::vector<std::string> got;
        for (;;) {
            String line = buf_readln(in);
            got.emplace_back(static_cast<char const*>(line));
            if (line.len() == 0)
                return got;
        }
    }

    MemoryReader source;
    MemoryWriter target;
    buffer* in = nullptr;
    buffer* out = nullptr;
};

TEST_F(BufferTest, NewBuffersHoldFourKilobytesAndNothingWaits) {
    in = buf_input(MemoryReader::read, &source);
    out = buf_output(MemoryWriter::write, &target);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(in->size, 4096);
    EXPECT_EQ(in->mode, buffer::READ);
    EXPECT_EQ(out->mode, buffer::WRITE);
    EXPECT_EQ(in->len, 0);
    EXPECT_EQ(in->pushback, -1);
}

TEST_F(BufferTest, ResizingASizedBufferIsAnAssertion) {
    in = buf_input(MemoryReader::read, &source);
    try {
        buf_size(in, 16);
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "b->size == 0");
        EXPECT_STREQ(e.function, "int buf_size(struct buffer *, int)");
        EXPECT_STREQ(e.file, "base/buffer");
        EXPECT_EQ(e.line, 112);
    }
}

TEST_F(BufferTest, ReadlineKeepsEveryTerminatorForm) {
    for (int size : {0, 1, 2, 3, 4096}) {
        reader("a\r\nb\rc\n\rd", size);
        EXPECT_EQ(lines(), (std::vector<std::string>{"a\r\n", "b\r", "c\n\r", "d", ""}))
            << "buffer size " << size;
        buf_destroy(in);
        in = nullptr;
        source.at = 0;
    }
}

TEST_F(BufferTest, ReadlineDoesNotJoinTwoLineFeeds) {
    reader("x\n\ny\r\r", 0);
    EXPECT_EQ(lines(), (std::vector<std::string>{"x\n", "\n", "y\r", "\r", ""}));
}

TEST_F(BufferTest, UnbufferedReadDeliversPushedBackByteFirst) {
    reader("bc", 0);
    buf_unread(in, 'a');
    char got[4] = {};
    EXPECT_EQ(buf_read(in, got, 1), 1);
    EXPECT_EQ(got[0], 'a');
    EXPECT_EQ(buf_read(in, got, 3), 2);
    EXPECT_EQ(std::string(got, 2), "bc");
}

TEST_F(BufferTest, PushedBackHighByteIsNotMistakenForNone) {
    reader("", 8);
    buf_unread(in, '\xff');
    char got = 0;
    EXPECT_EQ(buf_read(in, &got, 1), 1);
    EXPECT_EQ(got, '\xff');
    EXPECT_EQ(buf_read(in, &got, 1), 0);
}

TEST_F(BufferTest, SecondUnreadRaisesPushBackMessage) {
    reader("", 8);
    buf_unread(in, 'a');
    try {
        buf_unread(in, 'b');
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "unread of more than 1 byte in <void buf_unread(struct buffer *, "
                                  "const char)> (base/buffer:258)");
    }
}

TEST_F(BufferTest, BufferedReadRefillsAndBypassesLargeRequests) {
    std::string data = "0123456789abcdefghij";
    reader(data, 4);
    char got[32] = {};
    EXPECT_EQ(buf_read(in, got, 3), 3);
    EXPECT_EQ(source.calls, 1);
    EXPECT_EQ(buf_read(in, got + 3, 10), 10);
    EXPECT_EQ(source.calls, 2);
    EXPECT_EQ(buf_read(in, got + 13, 32), 7);
    EXPECT_EQ(std::string(got, 20), data);
    EXPECT_EQ(buf_read(in, got, 5), 0);
}

TEST_F(BufferTest, ReadErrorIsReturnedAndRaisedByReadline) {
    reader("abc", 4);
    source.failing = true;
    char got[2];
    EXPECT_EQ(buf_read(in, got, 2), -1);
    try {
        buf_readln(in);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "read error in <String buf_readln(struct buffer *)> "
                                  "(base/buffer:229)");
    }
}

TEST_F(BufferTest, ReadingAWriteBufferIsAnAssertion) {
    writer(4);
    char c;
    try {
        buf_read(out, &c, 1);
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "b->mode == READ");
        EXPECT_EQ(e.line, 141);
    }
    try {
        buf_readln(out);
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_EQ(e.line, 221);
    }
}

TEST_F(BufferTest, WritingAReadBufferIsAnAssertion) {
    reader("", 4);
    int lines_seen[3] = {};
    try {
        buf_write(in, "x", 1);
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "b->mode == WRITE");
        lines_seen[0] = e.line;
    }
    try {
        buf_writestr(in, "x");
    } catch (AssertXception const& e) {
        lines_seen[1] = e.line;
    }
    try {
        buf_writechar(in, 'x');
    } catch (AssertXception const& e) {
        lines_seen[2] = e.line;
    }
    EXPECT_EQ(lines_seen[0], 264);
    EXPECT_EQ(lines_seen[1], 292);
    EXPECT_EQ(lines_seen[2], 307);
}

TEST_F(BufferTest, FullBufferIsFlushedBeforeTheNextWrite) {
    writer(4);
    EXPECT_EQ(buf_write(out, "abc", 3), 3);
    EXPECT_TRUE(target.writes.empty());
    EXPECT_EQ(buf_write(out, "def", 3), 3);
    EXPECT_EQ(target.writes, std::vector<int>{3});
    EXPECT_EQ(target.data, "abc");
    EXPECT_EQ(buf_flush(out), 0);
    EXPECT_EQ(target.data, "abcdef");
}

TEST_F(BufferTest, WriteLargerThanBufferGoesStraightToTarget) {
    writer(4);
    EXPECT_EQ(buf_write(out, "0123456789", 10), 10);
    EXPECT_EQ(target.writes, std::vector<int>{10});
}

TEST_F(BufferTest, FlushRetriesUntilTheTargetTookEverything) {
    writer(8);
    target.chunk = 3;
    EXPECT_EQ(buf_writestr(out, "abcdefg"), 7);
    EXPECT_EQ(buf_writechar(out, 'h'), 1);
    EXPECT_EQ(buf_flush(out), 0);
    EXPECT_EQ(target.data, "abcdefgh");
    EXPECT_EQ(target.writes, (std::vector<int>{8, 5, 2}));
}

TEST_F(BufferTest, DestroyFlushesWaitingBytes) {
    writer(16);
    buf_writestr(out, "kept");
    buf_destroy(out);
    out = nullptr;
    EXPECT_EQ(target.data, "kept");
}

TEST_F(BufferTest, WriteErrorIsReturnedAndBytesStayWaiting) {
    writer(4);
    buf_write(out, "abc", 3);
    target.result = -5;
    EXPECT_EQ(buf_write(out, "de", 2), -5);
    EXPECT_EQ(out->len, 3);
    EXPECT_EQ(buf_flush(out), -5);
    target.result = 0;
    EXPECT_EQ(buf_flush(out), 0);
    EXPECT_EQ(target.data, "abc");
}

TEST_F(BufferTest, UnbufferedWriterPassesEveryByteThrough) {
    writer(0);
    EXPECT_EQ(buf_writestr(out, "hi"), 2);
    EXPECT_EQ(target.writes, (std::vector<int>{1, 1}));
    EXPECT_EQ(buf_flush(out), 0);
}

} // namespace
