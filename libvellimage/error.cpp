#include "libvellimage/image.h"

#include <cstdio>

namespace Vell {

namespace {

char const* const ERROR_TEXTS[] = {
    "OK",
    "unknown error",
    "error opening file",
    "error stat()ing file",
    "error allocating memory",
    "error reading from file",
    "file is too short",
    "unknown file format",
    "invalid file",
    "operation cannot be performed on this image format",
    "error writing to file",
    "unimplemented image format translation",
};

} // namespace

Error::~Error() = default;

char const* Error::strerror() const noexcept {
    int count = static_cast<int>(sizeof ERROR_TEXTS / sizeof ERROR_TEXTS[0]);
    return code >= 0 && code < count ? ERROR_TEXTS[code] : ERROR_TEXTS[1];
}

void Error::print() const {
    fprintf(stderr, "libvellimage error: %s\n", strerror());
}

} // namespace Vell
