#include "base/io.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// An in-memory source that hands out at most `chunk` bytes per read.
class MemoryInput : public Input {
public:
    explicit MemoryInput(std::string text, int chunk = 1 << 20)
        : text(std::move(text)), chunk(chunk) {}

    s64 position() const override { return at; }
    int read(char* dst, int n) override {
        ++reads;
        if (fail) {
            return -1;
        }
        int left = static_cast<int>(text.size()) - static_cast<int>(at);
        int got = std::min({n, left, chunk});
        text.copy(dst, got, at);
        at += got;
        return got;
    }
    long long seek_from_start(long long pos) override { return at = pos; }
    long long seek_from_curpos(long long offset) override { return at += offset; }

    std::string text;
    int chunk;
    s64 at = 0;
    int reads = 0;
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

std::string const MIXED = "a\r\nb\rc\n\rd";
std::string const MIXED_LINES = "[a\r\n][b\r][c\n\r][d]";

} // namespace

class BufferedReading : public testing::Test {};

TEST_F(BufferedReading, ReadlineKeepsEveryTerminatorForm) {
    MemoryInput source(MIXED);
    BufferedInput in(source, 4096);
    EXPECT_EQ(lines_of(in), MIXED_LINES);
    EXPECT_EQ(in.readline().len(), 0u);
}

TEST_F(BufferedReading, ReadlineWorksThroughATinyBuffer) {
    MemoryInput source(MIXED);
    BufferedInput in(source, 2);
    EXPECT_EQ(lines_of(in), MIXED_LINES);
}

TEST_F(BufferedReading, UnbufferedReadlineLosesNoByteToItsLookAhead) {
    MemoryInput source(MIXED);
    BufferedInput in(source, 0);
    EXPECT_EQ(lines_of(in), MIXED_LINES);
}

TEST_F(BufferedReading, TwoLineFeedsAreTwoLines) {
    MemoryInput source("\n\nx");
    BufferedInput in(source, 16);
    EXPECT_EQ(lines_of(in), "[\n][\n][x]");
}

TEST_F(BufferedReading, ReadlineOfAFileSplitsTheSameWay) {
    TempDir dir;
    std::string path = dir.file("lines");
    write_text(path, MIXED);
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 1));
    OSAPI::FileInput source(file);
    BufferedInput in(source, 4096);
    EXPECT_EQ(lines_of(in), MIXED_LINES);
}

TEST_F(BufferedReading, ReadErrorRaisesFromReadline) {
    MemoryInput source("abc");
    source.fail = true;
    BufferedInput in(source, 8);
    try {
        in.readline();
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "read error in <String BufferedInput::readline()> (base/io:124)");
    }
}

TEST_F(BufferedReading, PushedBackByteComesFirstAndCountsInThePosition) {
    MemoryInput source("xyz");
    BufferedInput in(source, 8);
    char c;
    in.read(&c, 1);
    EXPECT_EQ(in.position(), 1);
    in.unread('Q');
    EXPECT_EQ(in.position(), 0);
    char got[3];
    ASSERT_EQ(in.read(got, 3), 3);
    EXPECT_EQ(std::string(got, 3), "Qyz");
    EXPECT_EQ(in.position(), 3);
}

TEST_F(BufferedReading, UnbufferedReadDeliversThePushedBackByteFirst) {
    MemoryInput source("bc");
    BufferedInput in(source, 0);
    in.unread('a');
    char got[3];
    ASSERT_EQ(in.read(got, 3), 3);
    EXPECT_EQ(std::string(got, 3), "abc");
}

TEST_F(BufferedReading, SecondUnreadRaises) {
    MemoryInput source("");
    BufferedInput in(source, 8);
    in.unread('a');
    try {
        in.unread('b');
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "can't unread more than 1 byte in <void "
                                  "BufferedInput::unread(char)> (base/io:153)");
    }
}

TEST_F(BufferedReading, LargeReadsBypassTheBuffer) {
    std::string text(100, 'z');
    MemoryInput source(text);
    BufferedInput in(source, 8);
    std::string got(100, '\0');
    EXPECT_EQ(in.read(got.data(), 100), 100);
    EXPECT_EQ(got, text);
    EXPECT_EQ(source.reads, 1);
}

TEST_F(BufferedReading, ShortSourceReadsStillFillLaterCalls) {
    MemoryInput source("0123456789");
    BufferedInput in(source, 4);
    char got[3];
    ASSERT_EQ(in.read(got, 3), 3);
    EXPECT_EQ(std::string(got, 3), "012");
    ASSERT_EQ(in.read(got, 3), 3);
    EXPECT_EQ(std::string(got, 3), "345");
}

TEST_F(BufferedReading, SeekFromCurposByZeroKeepsTheBufferedBytes) {
    MemoryInput source("abcdef");
    BufferedInput in(source, 4);
    char c;
    in.read(&c, 1);
    int reads = source.reads;
    EXPECT_EQ(in.seek_from_curpos(0), 1);
    in.read(&c, 1);
    EXPECT_EQ(c, 'b');
    EXPECT_EQ(source.reads, reads);
}

TEST_F(BufferedReading, SeekFromCurposMovesFromTheBufferedPosition) {
    MemoryInput source("abcdefgh");
    BufferedInput in(source, 4);
    char c;
    in.read(&c, 1);
    EXPECT_EQ(in.seek_from_curpos(2), 3);
    in.read(&c, 1);
    EXPECT_EQ(c, 'd');
}

TEST_F(BufferedReading, SeekFromStartDropsThePushedBackByte) {
    MemoryInput source("abcdef");
    BufferedInput in(source, 4);
    char c;
    in.read(&c, 1);
    in.read(&c, 1);
    in.unread('Z');
    EXPECT_EQ(in.seek_from_start(4), 4);
    in.read(&c, 1);
    EXPECT_EQ(c, 'e');
}

TEST_F(BufferedReading, FileInputSeeksTheDescriptor) {
    TempDir dir;
    std::string path = dir.file("f");
    write_text(path, "0123456789");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 1));
    OSAPI::FileInput in(file);
    char c;
    EXPECT_EQ(in.seek_from_start(7), 7);
    in.read(&c, 1);
    EXPECT_EQ(c, '7');
    EXPECT_EQ(in.seek_from_curpos(-3), 5);
    in.read(&c, 1);
    EXPECT_EQ(c, '5');
    EXPECT_EQ(in.position(), 6);
}

// The recording target lives in each test: an Output's destructor may throw,
// which a fixture's destructor may not.
class BufferedWriting : public testing::Test {};

TEST_F(BufferedWriting, AWriteThatDoesNotFitFlushesWhatWaits) {
    RecordingOutput target;
    BufferedOutput out(target, 4);
    out.write("abc", 3);
    EXPECT_TRUE(target.writes.empty());
    out.write("def", 3);
    ASSERT_EQ(target.writes.size(), 1u);
    EXPECT_EQ(target.writes[0], "abc");
    EXPECT_EQ(out.position(), 6);
    out.flush();
    ASSERT_EQ(target.writes.size(), 2u);
    EXPECT_EQ(target.writes[1], "def");
}

TEST_F(BufferedWriting, AWriteLargerThanTheBufferGoesStraightThrough) {
    RecordingOutput target;
    BufferedOutput out(target, 4);
    out.write("0123456789", 10);
    ASSERT_EQ(target.writes.size(), 1u);
    EXPECT_EQ(target.writes[0], "0123456789");
    EXPECT_EQ(out.position(), 10);
}

TEST_F(BufferedWriting, DestructorFlushes) {
    RecordingOutput target;
    {
        BufferedOutput out(target, 16);
        out.write("tail", 4);
    }
    ASSERT_EQ(target.writes.size(), 1u);
    EXPECT_EQ(target.writes[0], "tail");
}

TEST_F(BufferedWriting, FlushErrorRaisesWriteError) {
    RecordingOutput target;
    BufferedOutput out(target, 16);
    out.write("x", 1);
    target.fail = true;
    try {
        out.flush();
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "write error in <void BufferedOutput::flush()> (base/io:210)");
    }
    target.fail = false;
}

TEST_F(BufferedWriting, DestructorRaisesAFailedFlush) {
    RecordingOutput target;
    auto scope = [&target] {
        BufferedOutput out(target, 16);
        out.write("x", 1);
        target.fail = true;
    };
    try {
        scope();
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "write error in <void BufferedOutput::flush()> (base/io:210)");
    }
}

TEST_F(BufferedWriting, DestructorOnlyWarnsWhileAnotherExceptionUnwinds) {
    RecordingOutput target;
    testing::internal::CaptureStderr();
    try {
        BufferedOutput out(target, 16);
        out.write("x", 1);
        target.fail = true;
        throw StrXception("test", "f", 1, "first");
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(), "first in <f> (test:1)");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: write error in <void BufferedOutput::flush()> (base/io:210) in "
              "<BufferedOutput::~BufferedOutput()>\n");
}

TEST_F(BufferedWriting, SeekFlushesFirst) {
    RecordingOutput target;
    BufferedOutput out(target, 16);
    out.write("ab", 2);
    EXPECT_EQ(out.seek_from_curpos(3), 5);
    ASSERT_EQ(target.writes.size(), 1u);
    EXPECT_EQ(target.at, 5);
}

TEST_F(BufferedWriting, BufferedFileOutputReachesTheFileAndLeavesAForeignDescriptorOpen) {
    TempDir dir;
    std::string path = dir.file("out");
    OSAPI::DiskFile file(OSAPI::open(path.c_str(), 2));
    {
        OSAPI::BufferedFileOutput out(file.fd, false, 64);
        out.write("hello ", 6);
        out.write("world", 5);
    }
    EXPECT_EQ(read_text(path), "hello world");
    EXPECT_NO_THROW(OSAPI::write(file.fd, "!", 1));
    EXPECT_EQ(read_text(path), "hello world!");
}

TEST_F(BufferedWriting, OwningBufferedFileOutputClosesItsDescriptor) {
    TempDir dir;
    std::string path = dir.file("out");
    OSAPI::fd_t fd = OSAPI::open(path.c_str(), 2);
    {
        OSAPI::BufferedFileOutput out(fd, true, 64);
        out.write("data", 4);
    }
    EXPECT_EQ(read_text(path), "data");
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
}
