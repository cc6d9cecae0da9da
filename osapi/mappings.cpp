#include <osapi/osapi-unix.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include <sys/mman.h>
#include <unistd.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

} // namespace

MemoryMapping::~MemoryMapping() noexcept(false) {
    char const* const function = "OSAPI::MemoryMapping::~MemoryMapping()";
    int err = release();
    if (err == 0) {
        return;
    }
    // Throwing now, while another exception unwinds, would end the program.
    if (std::uncaught_exceptions() > 0) {
        Xception::warning(function, "munmap: %s", strerror(err));
        return;
    }
    throw StrXception(UNIT, function, 781, "munmap: %s", strerror(err));
}

void MemoryMapping::unmap() {
    int err = release();
    if (err != 0) {
        throw StrXception(UNIT, "void OSAPI::MemoryMapping::unmap()", 781, "munmap: %s",
                          strerror(err));
    }
}

int MemoryMapping::release() {
    if (!address) {
        return 0;
    }
    int rc = munmap(address, length);
    address = nullptr;
    length = 0;
    return rc == 0 ? 0 : errno;
}

AnonMapping::AnonMapping(uword length, bool shared) {
    int flags = (shared ? MAP_SHARED : MAP_PRIVATE) | MAP_ANONYMOUS;
    void* at = mmap(nullptr, length, PROT_READ | PROT_WRITE, flags, -1, 0);
    if (at == MAP_FAILED) {
        throw StrXception(UNIT, "OSAPI::AnonMapping::AnonMapping(uword, bool)", 800,
                          "mmap(anonymous): %s", strerror(errno));
    }
    address = at;
    this->length = length;
}

FileMapping::FileMapping(int fd, uword length, int mode) {
    map(fd, length, mode);
}

FileMapping::FileMapping(char const* path, int mode) {
    fd_t fd = open(path, mode);
    try {
        map(fd, static_cast<uword>(getsize(fd)), mode);
    } catch (...) {
        ::close(fd);
        throw;
    }
    close(fd);
}

void FileMapping::map(int fd, uword length, int mode) {
    unmap();
    int prot = PROT_NONE;
    if (mode & 1) {
        prot |= PROT_READ;
    }
    if (mode & 2) {
        prot |= PROT_WRITE;
    }
    void* at = mmap(nullptr, length, prot, MAP_SHARED, fd, 0);
    if (at == MAP_FAILED) {
        throw StrXception(UNIT, "void OSAPI::FileMapping::map(int, uword, int)", 820,
                          "mmap(file): %s", strerror(errno));
    }
    address = at;
    this->length = length;
}

LockMemory::LockMemory(void* address, uword length) : address(address), length(length) {
    if (mlock(address, length) == -1) {
        throw StrXception(UNIT, "OSAPI::LockMemory::LockMemory(void*, uword)", 842, "mlock: %s",
                          strerror(errno));
    }
}

LockMemory::~LockMemory() {
    munlock(address, length);
}

} // namespace OSAPI
