#include "tools/file_io.h"
#include "tools/starcat_error.h"
#include "base/xception.h"

#include <osapi/osapi-unix.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string read_file(std::string const& path, char const* what) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        throw StarcatError(std::string("cannot read ") + what + " \"" + path +
                           "\": " + strerror(errno));
    }
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    bool const failed = ferror(file);
    int const error = errno;
    fclose(file);
    if (failed) {
        throw StarcatError(std::string("cannot read ") + what + " \"" + path +
                           "\": " + strerror(error));
    }
    return bytes;
}

void write_file_atomically(std::string const& path, std::string const& bytes) {
    try {
        OSAPI::AtomicFileWrite out(path.c_str(), 2);
        // Declared after `out`, so the descriptor is closed before an
        // unfinished temporary file is removed.
        OSAPI::FileDescriptor descriptor(out.fd);
        OSAPI::write(out.fd, bytes.data(), bytes.size());
        out.complete();
        descriptor.close();
    } catch (StrXception const& e) {
        throw StarcatError("cannot write \"" + path + "\": " + e.what());
    }
}
