#include <osapi/osapi-unix.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

// errno set, -1 returned on failure; nothing is asked of the system for the
// refused mode bit 4.
fd_t open_raw(char const* path, int mode) {
    if (mode & 4) {
        errno = EINVAL;
        return -1;
    }
    int flags = O_RDONLY;
    if ((mode & 3) == 2) {
        flags = O_WRONLY | O_CREAT | O_TRUNC;
    } else if ((mode & 3) == 3) {
        flags = O_RDWR | O_CREAT | O_TRUNC;
    }
    if (mode & 8) {
        flags |= O_CREAT | O_EXCL;
    }
    fd_t fd;
    do {
        fd = ::open(path, flags, 0664);
    } while (fd == -1 && errno == EINTR);
    return fd;
}

// Moves all n bytes through `step(done)`, a ::read- or ::write-like call for
// the bytes from `done` on, retrying EINTR and EAGAIN. `eof_line` reports a
// step that moves nothing as an early end of file; writes pass 0.
template <class Step>
sword move_all(uword n, Step step, char const* function, char const* call, int error_line,
               int eof_line) {
    uword done = 0;
    while (done < n) {
        ssize_t moved = step(done);
        if (moved == -1) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            throw StrXception(UNIT, function, error_line, "%s: %s", call, strerror(errno));
        }
        if (moved == 0 && eof_line != 0) {
            throw StrXception(UNIT, function, eof_line, "unexpected EOF");
        }
        done += moved;
    }
    return static_cast<sword>(done);
}

} // namespace

fd_t open(char const* path, int mode) {
    fd_t fd = open_raw(path, mode);
    if (fd == -1) {
        throw StrXception(UNIT, "fd_t OSAPI::open(const char*, int)", 140,
                          "opening file \"%s\": %s", path, strerror(errno));
    }
    try {
        close_on_exec(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    return fd;
}

fd_t open_can_fail(char const* path, int mode) {
    fd_t fd = open_raw(path, mode);
    if (fd == -1) {
        return -1;
    }
    int flags = fcntl(fd, F_GETFD);
    if (flags == -1 || fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == -1) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void close_on_exec(fd_t fd) {
    char const* const function = "void OSAPI::close_on_exec(fd_t)";
    int flags = fcntl(fd, F_GETFD);
    if (flags == -1) {
        throw StrXception(UNIT, function, 150, "fcntl: %s", strerror(errno));
    }
    if (fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == -1) {
        throw StrXception(UNIT, function, 154, "fcntl: %s", strerror(errno));
    }
}

void close(fd_t fd) {
    // Not retried on EINTR: the descriptor is released either way, and a
    // second close could hit a descriptor opened meanwhile.
    if (::close(fd) == -1 && errno != EINTR) {
        throw StrXception(UNIT, "void OSAPI::close(fd_t)", 290, "close: %s", strerror(errno));
    }
}

sword read(int fd, char* dst, uword n) {
    return move_all(
        n, [&](uword done) { return ::read(fd, dst + done, n - done); },
        "sword OSAPI::read(int, char*, uword)", "read", 305, 309);
}

sword pread(int fd, char* dst, uword n, u64 offset) {
    return move_all(
        n,
        [&](uword done) {
            return ::pread(fd, dst + done, n - done, static_cast<off_t>(offset + done));
        },
        "sword OSAPI::pread(int, char*, uword, u64)", "read", 331, 335);
}

sword read_short(int fd, char* dst, uword n) {
    for (;;) {
        ssize_t got = ::read(fd, dst, n);
        if (got >= 0) {
            return got;
        }
        if (errno == EAGAIN) {
            return 0;
        }
        if (errno != EINTR) {
            throw StrXception(UNIT, "sword OSAPI::read_short(int, char*, uword)", 359, "read: %s",
                              strerror(errno));
        }
    }
}

sword write(int fd, char const* src, uword n) {
    return move_all(
        n, [&](uword done) { return ::write(fd, src + done, n - done); },
        "sword OSAPI::write(int, const char*, uword)", "write", 378, 0);
}

sword pwrite(int fd, char const* src, uword n, u64 offset) {
    return move_all(
        n,
        [&](uword done) {
            return ::pwrite(fd, src + done, n - done, static_cast<off_t>(offset + done));
        },
        "sword OSAPI::pwrite(int, const char*, uword, u64)", "write", 400, 0);
}

s64 lseek(fd_t fd, s64 offset, int whence) {
    off_t at = ::lseek(fd, static_cast<off_t>(offset), whence);
    if (at == -1) {
        throw StrXception(UNIT, "s64 OSAPI::lseek(fd_t, s64, int)", 618, "lseek: %s",
                          strerror(errno));
    }
    return at;
}

u64 getsize(fd_t fd) {
    struct stat st;
    if (fstat(fd, &st) == -1) {
        throw StrXception(UNIT, "u64 OSAPI::getsize(fd_t)", 627, "fstat: %s", strerror(errno));
    }
    return static_cast<u64>(st.st_size);
}

u64 getsize(char const* path) {
    struct stat st;
    if (::stat(path, &st) == -1) {
        throw StrXception(UNIT, "u64 OSAPI::getsize(const char*)", 636, "stat: %s",
                          strerror(errno));
    }
    return static_cast<u64>(st.st_size);
}

void truncate(fd_t fd, s64 length) {
    int rc;
    do {
        rc = ftruncate(fd, static_cast<off_t>(length));
    } while (rc == -1 && errno == EINTR);
    if (rc == -1) {
        throw StrXception(UNIT, "void OSAPI::truncate(fd_t, s64)", 644, "ftruncate: %s",
                          strerror(errno));
    }
}

void sync(fd_t fd) {
    int rc;
    do {
        rc = fsync(fd);
    } while (rc == -1 && errno == EINTR);
    if (rc == -1) {
        throw StrXception(UNIT, "void OSAPI::sync(fd_t)", 699, "fsync: %s", strerror(errno));
    }
}

void datasync(fd_t fd) {
    sync(fd);
}

void sync() {
    ::sync();
}

fd_t dup(fd_t fd) {
    fd_t copy = ::dup(fd);
    if (copy == -1) {
        throw StrXception(UNIT, "fd_t OSAPI::dup(fd_t)", 179, "dup: %s", strerror(errno));
    }
    return copy;
}

void dup2(fd_t old_fd, fd_t new_fd) {
    if (old_fd == new_fd) {
        return;
    }
    int rc;
    do {
        rc = ::dup2(old_fd, new_fd);
    } while (rc == -1 && errno == EINTR);
    if (rc == -1) {
        throw StrXception(UNIT, "void OSAPI::dup2(fd_t, fd_t)", 190, "dup2: %s", strerror(errno));
    }
}

void FileDescriptor::ioctl(int request, char* arg) {
    int rc;
    do {
        rc = ::ioctl(fd, request, arg);
    } while (rc == -1 && errno == EINTR);
    if (rc == -1) {
        throw StrXception(UNIT, "void OSAPI::FileDescriptor::ioctl(int, char*)", 653, "ioctl: %s",
                          strerror(errno));
    }
}

} // namespace OSAPI
