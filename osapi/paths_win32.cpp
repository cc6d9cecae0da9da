#ifdef _WIN32

#include <osapi/osapi-unix.h>

#include "osapi/win32.h"

#include <cstring>
#include <vector>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

// INVALID_FILE_ATTRIBUTES, with the last error set, when the path is not
// there or is not UTF-8.
DWORD attributes_of(char const* path) {
    std::wstring wide;
    return to_wide(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool is_missing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// False, with the last error set, when the path is not there.
bool modified_time(char const* path, s64* seconds) {
    std::wstring wide;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!to_wide(path, wide) || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    *seconds = from_file_time(data.ftLastWriteTime);
    return true;
}

bool delete_file(char const* path) {
    std::wstring wide;
    return to_wide(path, wide) && DeleteFileW(wide.c_str());
}

} // namespace

bool file_exists(char const* path, int mode) {
    DWORD attributes = attributes_of(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    // Reading is never refused by attributes; writing a read-only file is.
    bool read_only =
        (attributes & FILE_ATTRIBUTE_READONLY) != 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return !((mode & 2) && read_only);
}

bool is_directory(char const* path) {
    DWORD attributes = attributes_of(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        throw StrXception(UNIT, "bool OSAPI::is_directory(const char*)", 214, "stat(%s): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void mkdir(char const* path) {
    std::wstring wide;
    if (!to_wide(path, wide) || !CreateDirectoryW(wide.c_str(), nullptr)) {
        throw StrXception(UNIT, "void OSAPI::mkdir(const char*)", 223, "mkdir(%s): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
}

FileTime get_mtime_ifexist(char const* path) {
    s64 seconds = 0;
    if (!modified_time(path, &seconds)) {
        if (is_missing(GetLastError())) {
            return 0;
        }
        throw StrXception(UNIT, "FileTime OSAPI::get_mtime_ifexist(const char*)", 241,
                          "stat(%s): %s", path, static_cast<char const*>(last_error_text()));
    }
    return seconds;
}

FileTime get_mtime(char const* path) {
    s64 seconds = 0;
    if (!modified_time(path, &seconds)) {
        throw StrXception(UNIT, "FileTime OSAPI::get_mtime(const char*)", 250, "stat(%s): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
    return seconds;
}

void set_mtime(char const* path, FileTime t) {
    std::wstring wide;
    bool done = false;
    if (to_wide(path, wide)) {
        // Folders open only with the backup flag.
        HANDLE handle = CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            FILETIME time = to_file_time(t);
            done = SetFileTime(handle, nullptr, &time, &time) != 0;
            DWORD error = GetLastError();
            CloseHandle(handle);
            SetLastError(error);
        }
    }
    if (!done) {
        throw StrXception(UNIT, "void OSAPI::set_mtime(const char*, FileTime)", 261,
                          "utime(%s): %s", path, static_cast<char const*>(last_error_text()));
    }
}

void rm(char const* path) {
    if (!delete_file(path)) {
        throw StrXception(UNIT, "void OSAPI::rm(const char*)", 267, "unlink(%s): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
}

void rm_ifexist(char const* path) {
    if (!delete_file(path) && !is_missing(GetLastError())) {
        throw StrXception(UNIT, "void OSAPI::rm_ifexist(const char*)", 276, "unlink(%s): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
}

void rename(char const* from, char const* to) {
    std::wstring wide_from;
    std::wstring wide_to;
    if (!to_wide(from, wide_from) || !to_wide(to, wide_to) ||
        !MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw StrXception(UNIT, "void OSAPI::rename(const char*, const char*)", 283,
                          "rename(%s,%s): %s", from, to,
                          static_cast<char const*>(last_error_text()));
    }
}

void chdir(char const* path) {
    if (strcmp(path, ".") == 0) {
        return;
    }
    std::wstring wide;
    if (!to_wide(path, wide) || !SetCurrentDirectoryW(wide.c_str())) {
        throw StrXception(UNIT, "void OSAPI::chdir(const char*)", 991, "chdir(%s): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
}

String getcwd() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
        if (n == 0) {
            throw StrXception(UNIT, "String OSAPI::getcwd()", 1000, "getcwd: %s",
                              static_cast<char const*>(last_error_text()));
        }
        if (n < buf.size()) {
            return narrow(buf.data());
        }
        buf.resize(n);
    }
}

void lsdir(char const* path, Array<String>& out) {
    char const* const function = "void OSAPI::lsdir(const char*, Array<String>&)";
    std::wstring pattern;
    WIN32_FIND_DATAW entry;
    HANDLE search = INVALID_HANDLE_VALUE;
    if (to_wide(path, pattern)) {
        pattern += L"\\*";
        search = FindFirstFileW(pattern.c_str(), &entry);
    }
    if (search == INVALID_HANDLE_VALUE) {
        throw StrXception(UNIT, function, 1013, "opendir(\"%s\"): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
    try {
        do {
            out.append(narrow(entry.cFileName));
        } while (FindNextFileW(search, &entry));
    } catch (...) {
        FindClose(search);
        throw;
    }
    DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        SetLastError(error);
        throw StrXception(UNIT, function, 1026, "readdir(\"%s\"): %s", path,
                          static_cast<char const*>(last_error_text()));
    }
}

} // namespace OSAPI

#endif
