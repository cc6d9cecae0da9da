#include "host/services/dynamic_library.h"

#include <string>

#include <windows.h>

namespace {

// The path is UTF-8; the loader takes UTF-16. A path with a folder in it is
// made absolute against the working folder, as dlopen takes it: the loader
// would search its own list of folders for a relative one.
std::wstring loader_path(char const* path) {
    int units = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    std::wstring wide(units > 0 ? units - 1 : 0, L'\0');
    if (units > 1) {
        MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), units);
    }
    if (wide.find_first_of(L"/\\") == std::wstring::npos) {
        return wide;
    }
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(n, L'\0');
    n = n > 0 ? GetFullPathNameW(wide.c_str(), n, full.data(), nullptr) : 0;
    if (n == 0 || n >= full.size()) {
        return wide;
    }
    full.resize(n);
    return full;
}

std::string system_message(DWORD code) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = n > 0 ? std::string(text, n) : "system error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

} // namespace

// The module's own folder is searched first for the DLLs it needs.
DynamicLibrary::DynamicLibrary(char const* path)
    : handle_(LoadLibraryExW(loader_path(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) {
    if (!handle_) {
        error_ = system_message(GetLastError());
    }
}

DynamicLibrary::~DynamicLibrary() {
    if (handle_) {
        FreeLibrary(static_cast<HMODULE>(handle_));
    }
}

void* DynamicLibrary::symbol(char const* name) const {
    return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name))
                   : nullptr;
}
