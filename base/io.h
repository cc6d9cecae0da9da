#pragma once

#include "base/string.h"
#include "base/types.h"

#include <memory>

// Byte source. read returns the bytes delivered, 0 at the end, negative on an
// error; the seeks return the new position.
class Input {
public:
    virtual ~Input();
    virtual s64 position() const = 0;
    virtual int read(char* dst, int n) = 0;
    virtual long long seek_from_start(long long pos) = 0;
    virtual long long seek_from_curpos(long long offset) = 0;
};

// Byte sink. write returns the bytes accepted, negative on an error. A
// destructor may flush, so it may throw.
class Output {
public:
    virtual ~Output() noexcept(false);
    virtual s64 position() const = 0;
    virtual int write(char const* src, int n) = 0;
    virtual long long seek_from_start(long long pos) = 0;
    virtual long long seek_from_curpos(long long offset) = 0;
};

// Reads through a buffer of a fixed size (0: unbuffered) and splits text into
// lines. One byte can be pushed back.
class BufferedInput : public Input {
public:
    BufferedInput(Input& source, int size);
    BufferedInput(BufferedInput const&) = delete;
    BufferedInput& operator=(BufferedInput const&) = delete;
    ~BufferedInput() override;

    s64 position() const override { return pos; }
    int read(char* dst, int n) override;
    long long seek_from_start(long long pos) override;
    long long seek_from_curpos(long long offset) override;

    // The next line with its terminator (LF, CR, CR LF or LF CR); the empty
    // string once the input is exhausted.
    String readline();
    void unread(char c);

private:
    void discard();

    Input& source;
    // Bytes handed out minus bytes pushed back.
    s64 pos;
    std::unique_ptr<char[]> buf;
    int size;
    // Waiting bytes always start at buf[0].
    int waiting;
    int pushed_back;
    bool at_end;
};

// Collects small writes; writes that do not fit in the buffer go straight to
// the target.
class BufferedOutput : public Output {
public:
    BufferedOutput(Output& target, int size);
    BufferedOutput(BufferedOutput const&) = delete;
    BufferedOutput& operator=(BufferedOutput const&) = delete;
    // Flushes. A failure propagates unless another exception is already
    // unwinding, in which case it only warns.
    ~BufferedOutput() noexcept(false) override;

    s64 position() const override { return pos; }
    int write(char const* src, int n) override;
    long long seek_from_start(long long pos) override;
    long long seek_from_curpos(long long offset) override;

    void flush();

private:
    Output& target;
    s64 pos;
    std::unique_ptr<char[]> buf;
    int size;
    int waiting;
};

// The streams over files are declared here with the others but defined by the
// OS layer (osapi/file_streams.cpp), which names the descriptor types in full;
// this header, like the rest of base, sees them only by name.
namespace OSAPI {

class DiskFile;
// Repeats the typedef of <osapi/osapi-unix.h>: a mismatch stops the build
// wherever both are seen.
typedef int fd_t;

// Streams over a file's descriptor; the file stays the caller's.
class FileInput : public Input {
public:
    explicit FileInput(DiskFile& file) : pos(0), file(file) {}

    s64 position() const override { return pos; }
    int read(char* dst, int n) override;
    long long seek_from_start(long long pos) override;
    long long seek_from_curpos(long long offset) override;

private:
    s64 pos;
    DiskFile& file;
};

class FileOutput : public Output {
public:
    explicit FileOutput(DiskFile& file) : pos(0), file(file) {}

    s64 position() const override { return pos; }
    int write(char const* src, int n) override;
    long long seek_from_start(long long pos) override;
    long long seek_from_curpos(long long offset) override;

private:
    s64 pos;
    DiskFile& file;
};

// Buffered writing to a descriptor, closed at the end only when owned.
class BufferedFileOutput {
public:
    BufferedFileOutput(fd_t fd, bool owned, int size);
    BufferedFileOutput(BufferedFileOutput const&) = delete;
    BufferedFileOutput& operator=(BufferedFileOutput const&) = delete;
    ~BufferedFileOutput() noexcept(false);

    int write(char const* src, int n) { return buffered.write(src, n); }
    void flush() { buffered.flush(); }

private:
    // Holds the file, which closes its descriptor when destroyed, after the
    // streams over it. Unlike a unique_ptr it lets a failed close propagate.
    struct OwnedFile {
        explicit OwnedFile(fd_t fd);
        OwnedFile(OwnedFile const&) = delete;
        OwnedFile& operator=(OwnedFile const&) = delete;
        ~OwnedFile() noexcept(false);

        DiskFile* disk;
    };

    OwnedFile file;
    FileOutput file_output;
    BufferedOutput buffered;
    bool owned;
};

} // namespace OSAPI
