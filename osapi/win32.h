#pragma once

#ifdef _WIN32

#include "base/string.h"

#include <string>

#include <windows.h>

namespace OSAPI {

// The system calls take UTF-16 paths. False, with ERROR_NO_UNICODE_TRANSLATION
// as the last error, when `path` is not UTF-8.
bool to_wide(char const* path, std::wstring& wide);

// The system's message for the calling thread's last error.
String last_error_text();

// The C runtime descriptor's system handle; INVALID_HANDLE_VALUE, with
// ERROR_INVALID_HANDLE as the last error, when it is not open.
HANDLE handle_of(int fd);

// Seconds since 1970 to the system's 100-nanosecond ticks since 1601, and back.
FILETIME to_file_time(s64 seconds);
s64 from_file_time(FILETIME const& time);

} // namespace OSAPI

#endif
