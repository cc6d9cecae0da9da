#include "base/io.h"

#include "osapi/unwinding.h"

#include <osapi/osapi-unix.h>

#include <unistd.h>

namespace OSAPI {

namespace {

// Seeks the descriptor and tracks its offset in pos; a move that stays where
// pos already is asks nothing of the system.
long long move_descriptor(DiskFile& file, s64& pos, long long offset, int whence) {
    bool stays = whence == SEEK_SET ? offset == pos : offset == 0;
    if (!stays) {
        pos = lseek(file.fd, offset, whence);
    }
    return pos;
}

} // namespace

int FileInput::read(char* dst, int n) {
    if (n < 1) {
        return 0;
    }
    int got = static_cast<int>(read_short(file.fd, dst, static_cast<uword>(n)));
    pos += got;
    return got;
}

long long FileInput::seek_from_start(long long to) {
    return move_descriptor(file, pos, to, SEEK_SET);
}

long long FileInput::seek_from_curpos(long long offset) {
    return move_descriptor(file, pos, offset, SEEK_CUR);
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
    return move_descriptor(file, pos, to, SEEK_SET);
}

long long FileOutput::seek_from_curpos(long long offset) {
    return move_descriptor(file, pos, offset, SEEK_CUR);
}

BufferedFileOutput::OwnedFile::OwnedFile(fd_t fd) : disk(new DiskFile(fd)) {}

BufferedFileOutput::OwnedFile::~OwnedFile() noexcept(false) {
    delete disk;
}

BufferedFileOutput::BufferedFileOutput(fd_t fd, bool owned, int size)
    : file(fd), file_output(*file.disk), buffered(file_output, size), owned(owned) {}

BufferedFileOutput::~BufferedFileOutput() noexcept(false) {
    // A descriptor we do not own must survive a failed flush as well.
    try {
        finish_in_destructor("OSAPI::BufferedFileOutput::~BufferedFileOutput()",
                             [this] { buffered.flush(); });
    } catch (...) {
        if (!owned) {
            file.disk->fd = -1;
        }
        throw;
    }
    if (!owned) {
        file.disk->fd = -1;
    }
}

} // namespace OSAPI
