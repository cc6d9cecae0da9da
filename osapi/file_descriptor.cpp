#include <osapi/osapi-unix.h>

#include "osapi/unwinding.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

} // namespace

FileDescriptor::~FileDescriptor() noexcept(false) {
    finish_in_destructor("OSAPI::FileDescriptor::~FileDescriptor()", [this] { close(); });
}

void FileDescriptor::close() {
    if (!is_open()) {
        return;
    }
    fd_t open_fd = fd;
    fd = -1;
    OSAPI::close(open_fd);
}

void DiskFile::stat(struct stat* st) {
    if (fstat(fd, st) == -1) {
        throw StrXception(UNIT, "void OSAPI::DiskFile::stat(stat*)", 685, "fstat: %s",
                          strerror(errno));
    }
}

FileTime DiskFile::get_mtime() {
    struct stat st;
    stat(&st);
    return st.st_mtime;
}

} // namespace OSAPI
