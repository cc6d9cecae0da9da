#pragma once

#include "base/array.h"
#include "base/string.h"
#include "base/types.h"
#include "base/xception.h"

#include <cstdio>
#include <memory>
#ifdef _WIN32
#include <string>
#endif

#include <sys/time.h>

struct stat;

// Checked wrappers over the POSIX services: every failed call throws a
// StrXception naming the call and ending with strerror(errno). On Windows the
// same interface stands over the Win32 API: descriptors are the C runtime's,
// paths are UTF-8 and take either separator, and the error text is the
// system's message for GetLastError().
namespace OSAPI {

typedef int fd_t;

// Whole seconds since the epoch; 0 stands for a missing file.
typedef s64 FileTime;

// Open modes: the low two bits select access (0 or 1 read only, 2 write only,
// 3 read and write; writing creates and truncates), 8 adds exclusive
// creation. 4 is refused without asking the system.
fd_t open(char const* path, int mode);
fd_t open_can_fail(char const* path, int mode);
void close_on_exec(fd_t fd);
void close(fd_t fd);

// read and pread loop until exactly n bytes arrived; read_short returns what
// one system read gave (0 at end of file or when it would block).
sword read(int fd, char* dst, uword n);
sword pread(int fd, char* dst, uword n, u64 offset);
sword read_short(int fd, char* dst, uword n);
sword write(int fd, char const* src, uword n);
sword pwrite(int fd, char const* src, uword n, u64 offset);

s64 lseek(fd_t fd, s64 offset, int whence);
u64 getsize(fd_t fd);
u64 getsize(char const* path);
void truncate(fd_t fd, s64 length);
void sync(fd_t fd);
void datasync(fd_t fd);
#ifndef _WIN32
// Windows has no call that flushes every file of the system.
void sync();
#endif
fd_t dup(fd_t fd);
void dup2(fd_t old_fd, fd_t new_fd);

// mode: bit 1 asks for read permission, bit 2 for write permission, 0 for
// plain existence.
bool file_exists(char const* path, int mode = 0);
bool is_directory(char const* path);
void mkdir(char const* path);
#ifndef _WIN32
// Windows' named pipes live in a namespace of their own, not in folders.
void make_named_pipe(char const* path);
#endif
FileTime get_mtime_ifexist(char const* path);
FileTime get_mtime(char const* path);
void set_mtime(char const* path, FileTime t);
void rm(char const* path);
void rm_ifexist(char const* path);
// Replaces `to` in one step when it exists, on Windows too.
void rename(char const* from, char const* to);
void chdir(char const* path);
String getcwd();
// Appends every entry in directory order, "." and ".." included.
void lsdir(char const* path, Array<String>& out);

String basename(char const* path);
String dirname(char const* path);
// The extension under a trailing ".inprogress" of an atomic write in flight.
String extension(char const* path);

u64 microsecs();
void sleep(unsigned seconds);
#ifndef _WIN32
// Waits for a signal, which Windows does not have.
void pause();
#endif
void yield();
uword get_page_size();

#ifdef _WIN32
// UTF-8 to the UTF-16 of the system calls and back. widen raises on text
// that is not UTF-8; narrow replaces unpaired surrogates.
std::wstring widen(char const* text);
String narrow(wchar_t const* text);
// The system's message for an error code of GetLastError(), without the
// line end.
String error_text(unsigned long code);
#endif

// Owns the descriptor: the destructor closes it unless it was forgotten by
// setting fd to -1.
class FileDescriptor {
public:
    FileDescriptor() : fd(-1) {}
    explicit FileDescriptor(fd_t fd) : fd(fd) {}
    FileDescriptor(FileDescriptor const&) = delete;
    FileDescriptor& operator=(FileDescriptor const&) = delete;
    ~FileDescriptor() noexcept(false);

    bool is_open() const { return fd != -1; }
    void init(fd_t descriptor) {
        XASSERT(!is_open(), "include/osapi/osapi-unix",
                "void OSAPI::FileDescriptor::init(OSAPI::fd_t)", 344);
        fd = descriptor;
    }
    void close();
#ifndef _WIN32
    void ioctl(int request, char* arg);
#endif

    fd_t fd;
};

class DiskFile : public FileDescriptor {
public:
    DiskFile() = default;
    explicit DiskFile(fd_t fd) : FileDescriptor(fd) {}

    void stat(struct stat* st);
    FileTime get_mtime();
};

// Writes go to "<path>.inprogress", which replaces path only on complete().
// The descriptor is the user's to close.
class AtomicFileWrite {
public:
    AtomicFileWrite(char const* path, int mode);
    AtomicFileWrite(AtomicFileWrite const&) = delete;
    AtomicFileWrite& operator=(AtomicFileWrite const&) = delete;
    ~AtomicFileWrite() noexcept(false);

    // Null when the temporary file cannot be created, e.g. because another
    // writer holds it. The caller owns the result.
    static AtomicFileWrite* exclusive(char const* path);

    void complete();
    void complete_nosync();
    void abort();

    String path;
    String temp_path;
    fd_t fd;
    bool done;

private:
    AtomicFileWrite(char const* path, String const& temp_path, fd_t fd);
};

class MemoryMapping {
public:
    MemoryMapping() : address(nullptr), length(0) {}
    MemoryMapping(MemoryMapping const&) = delete;
    MemoryMapping& operator=(MemoryMapping const&) = delete;
    // Raises on a failed munmap unless another exception is already unwinding,
    // in which case it only warns.
    ~MemoryMapping() noexcept(false);

    // Empty afterwards, also when munmap fails.
    void unmap();

    void* address;
    uword length;

private:
    // 0, or the errno of a failed munmap.
    int release();
};

class AnonMapping : public MemoryMapping {
public:
    AnonMapping(uword length, bool shared);
};

// A shared mapping from offset 0; mode bit 1 maps for reading, bit 2 for
// writing.
class FileMapping : public MemoryMapping {
public:
    FileMapping() = default;
    FileMapping(int fd, uword length, int mode);
    // The whole file; the mapping outlives the descriptor, which is closed.
    FileMapping(char const* path, int mode);

    void map(int fd, uword length, int mode);
};

class LockMemory {
public:
    LockMemory(void* address, uword length);
    LockMemory(LockMemory const&) = delete;
    LockMemory& operator=(LockMemory const&) = delete;
    ~LockMemory();

    void* address;
    uword length;
};

// Removes the file, if it is there, when the scope ends.
class Remover {
public:
    explicit Remover(String const& path) : path(path) {}
    explicit Remover(char const* path) : path(path) {}
    ~Remover() noexcept(false);

    String path;
};

class ScopedChdir {
public:
    // An empty dir stays where we are.
    explicit ScopedChdir(char const* dir);
    ScopedChdir(ScopedChdir const&) = delete;
    ScopedChdir& operator=(ScopedChdir const&) = delete;
    ~ScopedChdir() noexcept(false);

    String saved;
    bool changed;
};

// The FILE owns the descriptor once opened.
class ScopedFILE {
public:
    ScopedFILE(fd_t fd, char const* name, char const* mode);
    ScopedFILE(ScopedFILE const&) = delete;
    ScopedFILE& operator=(ScopedFILE const&) = delete;
    ~ScopedFILE();

    FILE* file;
};

class Glob {
public:
    explicit Glob(char const* pattern);
    Glob(Glob const&) = delete;
    Glob& operator=(Glob const&) = delete;
    ~Glob();

    // Null once the matches are used up, and when there were none.
    char const* next();

private:
    struct Record;
    std::unique_ptr<Record> record;
};

// Prints the name on entry and the elapsed milliseconds on exit to standard
// output, nested scopes indented by one tab per level.
class Profiler {
public:
    explicit Profiler(char const* name);
    Profiler(Profiler const&) = delete;
    Profiler& operator=(Profiler const&) = delete;
    ~Profiler();

    static int indent;

    String name;
    timeval start;
    timeval end;
};

} // namespace OSAPI
