#ifdef _WIN32

#include <osapi/osapi-unix.h>

#include "osapi/win32.h"

#include <exception>

#include <io.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

// A view of `length` bytes of a new mapping object over `file`
// (INVALID_HANDLE_VALUE: the paging file). The view keeps the object alive,
// so its handle is closed at once. Null, with the last error set, on failure.
void* map_view(HANDLE file, DWORD protect, DWORD access, uword length) {
    u64 size = file == INVALID_HANDLE_VALUE ? length : 0;
    HANDLE object = CreateFileMappingW(file, nullptr, protect, static_cast<DWORD>(size >> 32),
                                       static_cast<DWORD>(size), nullptr);
    if (!object) {
        return nullptr;
    }
    void* view = MapViewOfFile(object, access, 0, 0, length);
    DWORD error = GetLastError();
    CloseHandle(object);
    SetLastError(error);
    return view;
}

} // namespace

MemoryMapping::~MemoryMapping() noexcept(false) {
    char const* const function = "OSAPI::MemoryMapping::~MemoryMapping()";
    int err = release();
    if (err == 0) {
        return;
    }
    String text = error_text(static_cast<unsigned long>(err));
    // Throwing now, while another exception unwinds, would end the program.
    if (std::uncaught_exceptions() > 0) {
        Xception::warning(function, "UnmapViewOfFile: %s", static_cast<char const*>(text));
        return;
    }
    throw StrXception(UNIT, function, 781, "UnmapViewOfFile: %s", static_cast<char const*>(text));
}

void MemoryMapping::unmap() {
    int err = release();
    if (err != 0) {
        throw StrXception(UNIT, "void OSAPI::MemoryMapping::unmap()", 781, "UnmapViewOfFile: %s",
                          static_cast<char const*>(error_text(static_cast<unsigned long>(err))));
    }
}

int MemoryMapping::release() {
    if (!address) {
        return 0;
    }
    bool unmapped = UnmapViewOfFile(address) != 0;
    address = nullptr;
    length = 0;
    return unmapped ? 0 : static_cast<int>(GetLastError());
}

AnonMapping::AnonMapping(uword length, bool shared) {
    // A private mapping is a copy-on-write view of the paging file's pages.
    void* at = map_view(INVALID_HANDLE_VALUE, PAGE_READWRITE,
                        shared ? FILE_MAP_WRITE : FILE_MAP_COPY, length);
    if (!at) {
        throw StrXception(UNIT, "OSAPI::AnonMapping::AnonMapping(uword, bool)", 800,
                          "mmap(anonymous): %s", static_cast<char const*>(last_error_text()));
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
        _close(fd);
        throw;
    }
    close(fd);
}

void FileMapping::map(int fd, uword length, int mode) {
    unmap();
    // Windows has no mapping without read access; the file's own size
    // bounds the mapping object, so mapping never grows the file.
    bool writable = (mode & 2) != 0;
    HANDLE file = handle_of(fd);
    void* at = file == INVALID_HANDLE_VALUE
                   ? nullptr
                   : map_view(file, writable ? PAGE_READWRITE : PAGE_READONLY,
                              writable ? FILE_MAP_WRITE : FILE_MAP_READ, length);
    if (!at) {
        throw StrXception(UNIT, "void OSAPI::FileMapping::map(int, uword, int)", 820,
                          "mmap(file): %s", static_cast<char const*>(last_error_text()));
    }
    address = at;
    this->length = length;
}

LockMemory::LockMemory(void* address, uword length) : address(address), length(length) {
    if (!VirtualLock(address, length)) {
        throw StrXception(UNIT, "OSAPI::LockMemory::LockMemory(void*, uword)", 842,
                          "VirtualLock: %s", static_cast<char const*>(last_error_text()));
    }
}

LockMemory::~LockMemory() {
    VirtualUnlock(address, length);
}

} // namespace OSAPI

#endif
