#ifdef _WIN32

#include <osapi/osapi-unix.h>

#include "osapi/win32.h"

#include <cstring>
#include <io.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

// 1601-01-01 to 1970-01-01 in 100-nanosecond ticks.
s64 const UNIX_EPOCH_TICKS = 116444736000000000LL;
s64 const TICKS_PER_SECOND = 10000000;

} // namespace

bool to_wide(char const* path, std::wstring& wide) {
    int n = static_cast<int>(strlen(path));
    wide.clear();
    if (n == 0) {
        return true;
    }
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, n, nullptr, 0);
    if (units == 0) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    wide.resize(units);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, n, wide.data(), units);
    return true;
}

std::wstring widen(char const* text) {
    std::wstring wide;
    if (!to_wide(text, wide)) {
        throw StrXception(UNIT, "std::wstring OSAPI::widen(const char*)", __LINE__,
                          "\"%s\" is not UTF-8 text", text);
    }
    return wide;
}

String narrow(wchar_t const* text) {
    int n = static_cast<int>(wcslen(text));
    if (n == 0) {
        return String();
    }
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, n, nullptr, 0, nullptr, nullptr);
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, n, out.data(), bytes, nullptr, nullptr);
    return String(out.data(), static_cast<unsigned>(bytes));
}

String error_text(unsigned long code) {
    wchar_t* message = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (n == 0) {
        return String::fmt("system error %lu", code);
    }
    while (n > 0 &&
           (message[n - 1] == L'\r' || message[n - 1] == L'\n' || message[n - 1] == L' ')) {
        message[--n] = L'\0';
    }
    String text = narrow(message);
    LocalFree(message);
    return text;
}

String last_error_text() {
    return error_text(GetLastError());
}

HANDLE handle_of(int fd) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return handle;
}

FILETIME to_file_time(s64 seconds) {
    u64 ticks = static_cast<u64>(seconds * TICKS_PER_SECOND + UNIX_EPOCH_TICKS);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

s64 from_file_time(FILETIME const& time) {
    s64 ticks =
        static_cast<s64>((static_cast<u64>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return (ticks - UNIX_EPOCH_TICKS) / TICKS_PER_SECOND;
}

} // namespace OSAPI

#endif
