#include <osapi/osapi-unix.h>

#include <cstring>
#include <strings.h>

namespace OSAPI {

namespace {

char const* const IN_PROGRESS = ".inprogress";

// Shorter paths keep "inprogress" as their extension: a bare name such as
// "x.inprogress" is not an atomic write in flight.
unsigned const IN_PROGRESS_MIN_PATH = 15;

#ifdef _WIN32
bool is_separator(char c) {
    return c == '/' || c == '\\';
}

// A drive letter and colon come before the root; alone, they name the
// drive's current folder.
unsigned root_prefix(char const* path) {
    bool letter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
    return letter && path[1] == ':' ? 2 : 0;
}
#else
bool is_separator(char c) {
    return c == '/';
}

unsigned root_prefix(char const*) {
    return 0;
}
#endif

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
    unsigned len = strlen(path);
    unsigned start = root_prefix(path);
    for (unsigned i = len; i > start; --i) {
        if (is_separator(path[i - 1])) {
            return String(path + i);
        }
    }
    return String(path + start);
}

String dirname(char const* path) {
    unsigned len = strlen(path);
    if (len == 0) {
        return String();
    }
    // The root's separator (and a drive before it) is not a separator between
    // folders: the root is its own folder.
    unsigned prefix = root_prefix(path);
    unsigned root = prefix + (is_separator(path[prefix]) ? 1 : 0);
    for (unsigned i = len - 1; i >= root && i > 0; --i) {
        if (is_separator(path[i])) {
            return String(path, i);
        }
    }
    return root > 0 ? String(path, root) : String(".");
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
