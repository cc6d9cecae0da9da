#include "libimgops/stars.h"

#include "base/xception.h"

#include <osapi/osapi-unix.h>

MMAPStarFile::MMAPStarFile(const char* path)
    : cursor(nullptr), mapping(std::make_unique<OSAPI::FileMapping>(path, 1)) {
    cursor = static_cast<star const*>(mapping->address);
    count = static_cast<u32>(mapping->length / sizeof(star));
}

MMAPStarFile::~MMAPStarFile() noexcept {
    // munmap of our own mapping does not fail in practice; if it does, the
    // reader is already going away and can only report it.
    try {
        mapping->unmap();
    } catch (Xception const& e) {
        e.print();
    }
}

star const* MMAPStarFile::next() {
    return cursor++;
}

void MMAPStarFile::rewind() {
    cursor = static_cast<star const*>(mapping->address);
}

StarInput* op_stars_file_input(const char* path) {
    return new MMAPStarFile(path);
}
