#include "base/io.h"

#include "osapi/unwinding.h"

#include <unistd.h>

namespace OSAPI {

int FileInput::read(char* dst, int n) {
    if (n < 1) {
        return 0;
    }
    int got = static_cast<int>(read_short(file.fd, dst, static_cast<uword>(n)));
    pos += got;
    return got;
}

long long FileInput::seek_from_start(long long to) {
    if (to == pos) {
        return pos;
    }
    pos = lseek(file.fd, to, SEEK_SET);
    return pos;
}

long long FileInput::seek_from_curpos(long long offset) {
    if (offset == 0) {
        return pos;
    }
    pos = lseek(file.fd, offset, SEEK_CUR);
    return pos;
}

int FileOutput::write(char const* src, int n) {
    if (n < 1) {
        return 0;
    }
    int put = static_cast<int>(OSAPI::write(file.fd, src, static_cast<uword>(n)));
    pos += put;
    return put;
}

long long FileOutput::seek_from_start(long long to) {
    if (to == pos) {
        return pos;
    }
    pos = lseek(file.fd, to, SEEK_SET);
    return pos;
}

long long FileOutput::seek_from_curpos(long long offset) {
    if (offset == 0) {
        return pos;
    }
    pos = lseek(file.fd, offset, SEEK_CUR);
    return pos;
}

BufferedFileOutput::BufferedFileOutput(fd_t fd, bool owned, int size)
    : file(fd), file_output(file), buffered(file_output, size), owned(owned) {}

BufferedFileOutput::~BufferedFileOutput() noexcept(false) {
    // A descriptor we do not own must survive a failed flush as well.
    try {
        finish_in_destructor("OSAPI::BufferedFileOutput::~BufferedFileOutput()",
                             [this] { buffered.flush(); });
    } catch (...) {
        if (!owned) {
            file.fd = -1;
        }
        throw;
    }
    if (!owned) {
        file.fd = -1;
    }
}

} // namespace OSAPI
