#ifdef _WIN32

#include <osapi/osapi-unix.h>

#include "osapi/win32.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <io.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

// One system read or write moves at most this much.
DWORD const MAX_CHUNK = 1u << 30;

// -1 with the last error set on failure; nothing is asked of the system for
// the refused mode bit 4. Files are shared for deleting too, so that a file
// can be renamed over or removed while open, as on POSIX systems.
fd_t open_raw(char const* path, int mode) {
    if (mode & 4) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    int flags = _O_RDONLY;
    if ((mode & 3) == 2) {
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        flags = _O_WRONLY;
    } else if ((mode & 3) == 3) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        flags = _O_RDWR;
    }
    if (mode & 8) {
        disposition = CREATE_NEW;
    }
    std::wstring wide;
    if (!to_wide(path, wide)) {
        return -1;
    }
    // Not inheritable: a child process never sees the descriptor.
    HANDLE handle =
        CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return -1;
    }
    fd_t fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd == -1) {
        CloseHandle(handle);
        SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    }
    return fd;
}

// Moves all n bytes through `step(done, chunk, &moved)`, a ReadFile- or
// WriteFile-like call for up to `chunk` bytes from `done` on. `eof_line`
// reports a step that moves nothing as an early end of file; writes pass 0.
template <class Step>
sword move_all(uword n, Step step, char const* function, char const* call, int error_line,
               int eof_line) {
    uword done = 0;
    while (done < n) {
        DWORD chunk = static_cast<DWORD>(std::min<uword>(n - done, MAX_CHUNK));
        DWORD moved = 0;
        if (!step(done, chunk, &moved)) {
            throw StrXception(UNIT, function, error_line, "%s: %s", call,
                              static_cast<char const*>(last_error_text()));
        }
        if (moved == 0 && eof_line != 0) {
            throw StrXception(UNIT, function, eof_line, "unexpected EOF");
        }
        done += moved;
    }
    return static_cast<sword>(done);
}

// A pipe whose writer is gone reads as the end of the data; so does a read
// at an offset past the end of a file.
bool read_some(HANDLE handle, char* dst, DWORD n, DWORD* got, OVERLAPPED* at) {
    if (ReadFile(handle, dst, n, got, at)) {
        return true;
    }
    DWORD error = GetLastError();
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) {
        *got = 0;
        return true;
    }
    return false;
}

OVERLAPPED at_offset(u64 offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// A positioned read or write moves the file pointer of a handle opened for
// plain I/O; this puts it back, as pread and pwrite leave it.
class KeptFilePointer {
public:
    explicit KeptFilePointer(HANDLE handle) : handle(handle), kept{} {
        LARGE_INTEGER zero{};
        saved = SetFilePointerEx(handle, zero, &kept, FILE_CURRENT) != 0;
    }
    KeptFilePointer(KeptFilePointer const&) = delete;
    KeptFilePointer& operator=(KeptFilePointer const&) = delete;
    ~KeptFilePointer() {
        if (saved) {
            SetFilePointerEx(handle, kept, nullptr, FILE_BEGIN);
        }
    }

private:
    HANDLE handle;
    LARGE_INTEGER kept;
    bool saved;
};

} // namespace

fd_t open(char const* path, int mode) {
    fd_t fd = open_raw(path, mode);
    if (fd == -1) {
        throw StrXception(UNIT, "fd_t OSAPI::open(const char*, int)", 140,
                          "opening file \"%s\": %s", path,
                          static_cast<char const*>(last_error_text()));
    }
    return fd;
}

fd_t open_can_fail(char const* path, int mode) {
    return open_raw(path, mode);
}

void close_on_exec(fd_t fd) {
    HANDLE handle = handle_of(fd);
    if (handle == INVALID_HANDLE_VALUE || !SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0)) {
        throw StrXception(UNIT, "void OSAPI::close_on_exec(fd_t)", 150, "SetHandleInformation: %s",
                          static_cast<char const*>(last_error_text()));
    }
}

void close(fd_t fd) {
    if (_close(fd) == -1) {
        throw StrXception(UNIT, "void OSAPI::close(fd_t)", 290, "close: %s", strerror(errno));
    }
}

sword read(int fd, char* dst, uword n) {
    HANDLE handle = handle_of(fd);
    return move_all(
        n,
        [&](uword done, DWORD chunk, DWORD* got) {
            return handle != INVALID_HANDLE_VALUE &&
                   read_some(handle, dst + done, chunk, got, nullptr);
        },
        "sword OSAPI::read(int, char*, uword)", "read", 305, 309);
}

sword pread(int fd, char* dst, uword n, u64 offset) {
    HANDLE handle = handle_of(fd);
    KeptFilePointer kept(handle);
    return move_all(
        n,
        [&](uword done, DWORD chunk, DWORD* got) {
            OVERLAPPED at = at_offset(offset + done);
            return handle != INVALID_HANDLE_VALUE && read_some(handle, dst + done, chunk, got, &at);
        },
        "sword OSAPI::pread(int, char*, uword, u64)", "read", 331, 335);
}

sword read_short(int fd, char* dst, uword n) {
    HANDLE handle = handle_of(fd);
    DWORD got = 0;
    if (handle == INVALID_HANDLE_VALUE ||
        !read_some(handle, dst, static_cast<DWORD>(std::min<uword>(n, MAX_CHUNK)), &got, nullptr)) {
        throw StrXception(UNIT, "sword OSAPI::read_short(int, char*, uword)", 359, "read: %s",
                          static_cast<char const*>(last_error_text()));
    }
    return got;
}

sword write(int fd, char const* src, uword n) {
    HANDLE handle = handle_of(fd);
    return move_all(
        n,
        [&](uword done, DWORD chunk, DWORD* put) {
            return handle != INVALID_HANDLE_VALUE &&
                   WriteFile(handle, src + done, chunk, put, nullptr) != 0;
        },
        "sword OSAPI::write(int, const char*, uword)", "write", 378, 0);
}

sword pwrite(int fd, char const* src, uword n, u64 offset) {
    HANDLE handle = handle_of(fd);
    KeptFilePointer kept(handle);
    return move_all(
        n,
        [&](uword done, DWORD chunk, DWORD* put) {
            OVERLAPPED at = at_offset(offset + done);
            return handle != INVALID_HANDLE_VALUE &&
                   WriteFile(handle, src + done, chunk, put, &at) != 0;
        },
        "sword OSAPI::pwrite(int, const char*, uword, u64)", "write", 400, 0);
}

s64 lseek(fd_t fd, s64 offset, int whence) {
    // SEEK_SET, SEEK_CUR and SEEK_END are FILE_BEGIN, FILE_CURRENT and FILE_END.
    HANDLE handle = handle_of(fd);
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER at{};
    if (handle == INVALID_HANDLE_VALUE || !SetFilePointerEx(handle, distance, &at, whence)) {
        throw StrXception(UNIT, "s64 OSAPI::lseek(fd_t, s64, int)", 618, "lseek: %s",
                          static_cast<char const*>(last_error_text()));
    }
    return at.QuadPart;
}

u64 getsize(fd_t fd) {
    HANDLE handle = handle_of(fd);
    LARGE_INTEGER size{};
    if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size)) {
        throw StrXception(UNIT, "u64 OSAPI::getsize(fd_t)", 627, "fstat: %s",
                          static_cast<char const*>(last_error_text()));
    }
    return static_cast<u64>(size.QuadPart);
}

u64 getsize(char const* path) {
    std::wstring wide;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!to_wide(path, wide) || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
        throw StrXception(UNIT, "u64 OSAPI::getsize(const char*)", 636, "stat: %s",
                          static_cast<char const*>(last_error_text()));
    }
    return (static_cast<u64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void truncate(fd_t fd, s64 length) {
    HANDLE handle = handle_of(fd);
    bool done = false;
    if (handle != INVALID_HANDLE_VALUE) {
        // ftruncate leaves the offset where it was.
        KeptFilePointer kept(handle);
        LARGE_INTEGER end;
        end.QuadPart = length;
        done = SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    }
    if (!done) {
        throw StrXception(UNIT, "void OSAPI::truncate(fd_t, s64)", 644, "ftruncate: %s",
                          static_cast<char const*>(last_error_text()));
    }
}

void sync(fd_t fd) {
    HANDLE handle = handle_of(fd);
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        throw StrXception(UNIT, "void OSAPI::sync(fd_t)", 699, "fsync: %s",
                          static_cast<char const*>(last_error_text()));
    }
}

void datasync(fd_t fd) {
    sync(fd);
}

fd_t dup(fd_t fd) {
    fd_t copy = _dup(fd);
    if (copy == -1) {
        throw StrXception(UNIT, "fd_t OSAPI::dup(fd_t)", 179, "dup: %s", strerror(errno));
    }
    return copy;
}

void dup2(fd_t old_fd, fd_t new_fd) {
    if (old_fd == new_fd) {
        return;
    }
    if (_dup2(old_fd, new_fd) == -1) {
        throw StrXception(UNIT, "void OSAPI::dup2(fd_t, fd_t)", 190, "dup2: %s", strerror(errno));
    }
}

} // namespace OSAPI

#endif
