#include "host/frames/file_bytes.h"

#include "host/frames/frame_error.h"
#include <osapi/osapi-unix.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

char const* const UNIT = "host/frames/file_bytes";

// Read-only mode of OSAPI::open; write-only with creation and truncation.
int const READ_ONLY = 0;
int const WRITE_ONLY = 2;

} // namespace

Bytes read_frame_bytes(char const* path) {
    OSAPI::FileDescriptor file(OSAPI::open_can_fail(path, READ_ONLY));
    if (!file.is_open()) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, strerror(errno));
    }
    struct stat st;
    if (fstat(file.fd, &st) == -1) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        throw FRAME_ERROR("cannot read frame \"%s\": not a regular file", path);
    }
    if (st.st_size == 0) {
        throw FRAME_ERROR("cannot read frame \"%s\": the file is empty", path);
    }
    if ((unsigned long long)st.st_size > MAX_FRAME_FILE_BYTES) {
        throw FRAME_ERROR("cannot read frame \"%s\": %lld bytes is more than a frame file may have",
                          path, (long long)st.st_size);
    }
    Bytes bytes(std::size_t(st.st_size));
    try {
        OSAPI::read(file.fd, reinterpret_cast<char*>(bytes.data()), bytes.size());
    } catch (StrXception const& e) {
        throw FRAME_ERROR("cannot read frame \"%s\": %s", path, (char const*)e.message());
    }
    return bytes;
}

void write_frame_bytes(char const* path, Bytes const& bytes) {
    try {
        OSAPI::AtomicFileWrite temporary(path, WRITE_ONLY);
        // Closed before the temporary's destructor removes an unfinished file.
        OSAPI::FileDescriptor descriptor(temporary.fd);
        OSAPI::write(temporary.fd, reinterpret_cast<char const*>(bytes.data()), bytes.size());
        // A failed flush or close still stops the rename.
        OSAPI::sync(temporary.fd);
        descriptor.close();
        temporary.complete_nosync();
    } catch (StrXception const& e) {
        throw FRAME_ERROR("cannot write frame \"%s\": %s", path, (char const*)e.message());
    }
}
