#include "base/io.h"

#include <osapi/osapi-unix.h>

#include "tests/support/raised.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An in-memory source that can be told to fail.
class MemoryInput : public Input {
public:
    explicit MemoryInput(std::string text) : text(std::move(text)) {}

    s64 position() const override { return at; }
    int read(char* dst, int n) override {
        int got = fail ? -1 : std::min(n, static_cast<int>(text.size() - at));
        if (got > 0) {
            at += text.copy(dst, got, at);
        }
        return got;
    }
    long long seek_from_start(long long pos) override { return at = pos; }
    long long seek_from_curpos(long long offset) override { return at += offset; }

    std::string text;
    s64 at = 0;
    bool fail = false;
};

// Records every write it receives, and can be told to fail.
class RecordingOutput : public Output {
public:
    s64 position() const override { return at; }
    int write(char const* src, int n) override {
        if (fail) {
            return -1;
        }
        writes.emplace_back(src, n);
        at += n;
        return n;
    }
    long long seek_from_start(long long pos) override { return at = pos; }
    long long seek_from_curpos(long long offset) override { return at += offset; }

    std::vector<std::string> writes;
    s64 at = 0;
    bool fail = false;
};

std::string lines_of(BufferedInput& in) {
    std::string all;
    for (String line = in.readline(); line.len() > 0; line = in.readline()) {
        all += std::string("[") + static_cast<char const*>(line) + "]";
    }
    return all;
}

std::string const WRITE_ERROR = "write error in <void BufferedOutput::flush()> (base/io:210)";

} // namespace

class BufferedReading : public testing::Test {};

TEST_F(BufferedReading, ReadlineKeepsEveryTerminatorWhateverTheBufferSize) {
    // CR LF and LF CR are one terminator each; LF LF is two.
    for (int size : {4096, 2, 0}) {
        MemoryInput source("a\r\nb\rc\n\rd\n\nx");
        BufferedInput in(source, size);
        EXPECT_EQ(lines_of(in), "[a\r\n][b\r][c\n\r][d\n][\n][x]") << "buffer " << size;
    }
    MemoryInput failing("abc");
    failing.fail = true;
    BufferedInput in(failing, 8);
    EXPECT_EQ(raised([&] { in.readline(); }),
              "read error in <String BufferedInput::readline()> (base/io:124)");
}

TEST_F(BufferedReading, OnePushedBackByteComesFirstBufferedOrNot) {
    for (int size : {8, 0}) {
        MemoryInput source("xyz");
        BufferedInput in(source, size);
        char got[3];
        in.read(got, 1);
        in.unread('Q');
        EXPECT_EQ(in.position(), 0);
        EXPECT_EQ(raised([&] { in.unread('R'); }),
                  "can't unread more than 1 byte in <void BufferedInput::unread(char)> "
                  "(base/io:153)");
        ASSERT_EQ(in.read(got, 3), 3);
        EXPECT_EQ(std::string(got, 3), "Qyz") << "buffer " << size;
        EXPECT_EQ(in.position(), 3);
    }
}

// The recording target lives in each test: an Output's destructor may throw,
// which a fixture's destructor may not.
class BufferedWriting : public testing::Test {};

TEST_F(BufferedWriting, FlushesWhatNoLongerFitsAndSendsLargeWritesStraightThrough) {
    RecordingOutput target;
    {
        BufferedOutput out(target, 4);
        out.write("abc", 3);
        EXPECT_TRUE(target.writes.empty());
        out.write("def", 3);
        EXPECT_EQ(target.writes, std::vector<std::string>{"abc"});
        EXPECT_EQ(out.position(), 6);
        out.write("0123456789", 10);
        EXPECT_EQ(target.writes, (std::vector<std::string>{"abc", "def", "0123456789"}));
        out.write("z", 1);
        EXPECT_EQ(out.seek_from_curpos(3), 20);
        EXPECT_EQ(target.writes.back(), "z");
        EXPECT_EQ(target.at, 20);
        out.write("!", 1);
    }
    EXPECT_EQ(target.writes.back(), "!");
}

TEST_F(BufferedWriting, DestructorRaisesAFailedFlushButOnlyWarnsWhileAnotherExceptionUnwinds) {
    for (bool unwinding : {false, true}) {
        RecordingOutput target;
        testing::internal::CaptureStderr();
        std::string text = raised([&] {
            BufferedOutput out(target, 16);
            out.write("x", 1);
            target.fail = true;
            if (unwinding) {
                throw StrXception("test", "f", 1, "first");
            }
        });
        std::string warned = testing::internal::GetCapturedStderr();
        EXPECT_EQ(text, unwinding ? "first in <f> (test:1)" : WRITE_ERROR);
        EXPECT_EQ(warned, unwinding ? "warning: " + WRITE_ERROR +
                                          " in <BufferedOutput::~BufferedOutput()>\n"
                                    : "");
    }
}
