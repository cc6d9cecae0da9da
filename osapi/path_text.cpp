#include <osapi/osapi-unix.h>

#include <cstring>
#include <strings.h>

namespace OSAPI {

namespace {

char const* const IN_PROGRESS = ".inprogress";

// Shorter paths keep "inprogress" as their extension: a bare name such as
// "x.inprogress" is not an atomic write in flight.
unsigned const IN_PROGRESS_MIN_PATH = 15;

String extension_of(char const* path, unsigned len) {
    for (unsigned i = len; i > 0; --i) {
        if (path[i - 1] == '.') {
            return String(path + i, len - i);
        }
    }
    return String();
}

} // namespace

String basename(char const* path) {
    char const* slash = strrchr(path, '/');
    return String(slash ? slash + 1 : path);
}

String dirname(char const* path) {
    unsigned len = strlen(path);
    if (len == 0) {
        return String();
    }
    // A slash in the first place is the root, not a separator.
    for (unsigned i = len - 1; i > 0; --i) {
        if (path[i] == '/') {
            return String(path, i);
        }
    }
    return String(path[0] == '/' ? "/" : ".");
}

String extension(char const* path) {
    unsigned len = strlen(path);
    unsigned suffix = strlen(IN_PROGRESS);
    if (len >= IN_PROGRESS_MIN_PATH && strcasecmp(path + len - suffix, IN_PROGRESS) == 0) {
        len -= suffix;
    }
    return extension_of(path, len);
}

} // namespace OSAPI
