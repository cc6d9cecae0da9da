#include <osapi/osapi-unix.h>

#include "osapi/unwinding.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace OSAPI {

AtomicFileWrite::AtomicFileWrite(char const* path, int mode)
    : path(path), temp_path(String::fmt("%s.inprogress", path)), fd(OSAPI::open(temp_path, mode)),
      done(false) {}

AtomicFileWrite::AtomicFileWrite(char const* path, String const& temp_path, fd_t fd)
    : path(path), temp_path(temp_path), fd(fd), done(false) {}

AtomicFileWrite::~AtomicFileWrite() noexcept(false) {
    if (!done) {
        finish_in_destructor("OSAPI::AtomicFileWrite::~AtomicFileWrite()",
                             [this] { OSAPI::rm_ifexist(temp_path); });
    }
}

AtomicFileWrite* AtomicFileWrite::exclusive(char const* path) {
    String temp_path = String::fmt("%s.inprogress", path);
    fd_t fd;
    do {
        fd = ::open(temp_path, O_WRONLY | O_CREAT | O_TRUNC | O_EXCL, 0664);
    } while (fd == -1 && errno == EINTR);
    if (fd == -1) {
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFD);
    if (flags == -1 || fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == -1) {
        ::close(fd);
        unlink(temp_path);
        return nullptr;
    }
    try {
        return new AtomicFileWrite(path, temp_path, fd);
    } catch (...) {
        ::close(fd);
        unlink(temp_path);
        throw;
    }
}

void AtomicFileWrite::complete() {
    sync(fd);
    complete_nosync();
}

void AtomicFileWrite::complete_nosync() {
    OSAPI::rename(temp_path, path);
    done = true;
}

void AtomicFileWrite::abort() {
    OSAPI::rm_ifexist(temp_path);
    done = true;
}

} // namespace OSAPI
