#include <osapi/osapi-unix.h>

#include "osapi/unwinding.h"

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
    // Write only, created exclusively: fails while another writer holds it.
    fd_t fd = open_can_fail(temp_path, 2 | 8);
    if (fd == -1) {
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
