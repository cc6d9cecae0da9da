#include "LW/install_folder.h"

#include "base/xception.h"

#include <osapi/osapi-unix.h>

#include <cwchar>
#include <string>
#include <vector>

#include <windows.h>

namespace {

char const* const SIGNATURE = "String module_file()";
// The install location's unit, as its assertion reports have always named it.
char const* const UNIT = "LW/osx";

// Any address inside this module identifies the file the host loaded.
void module_anchor() {}

// The loader's names for the final path carry the "\\?\" prefix of long
// paths; a path on a share comes as "\\?\UNC\server\share".
std::wstring without_long_prefix(std::wstring const& path) {
    std::wstring const share = L"\\\\?\\UNC\\";
    std::wstring const local = L"\\\\?\\";
    if (path.compare(0, share.size(), share) == 0) {
        return L"\\\\" + path.substr(share.size());
    }
    if (path.compare(0, local.size(), local) == 0) {
        return path.substr(local.size());
    }
    return path;
}

} // namespace

String resolved_path(char const* path) {
    std::wstring wide;
    try {
        wide = OSAPI::widen(path);
    } catch (StrXception const&) {
        return String(path);
    }
    HANDLE file =
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return String(path);
    }
    std::vector<wchar_t> final_path(MAX_PATH);
    DWORD n = GetFinalPathNameByHandleW(
        file, final_path.data(), static_cast<DWORD>(final_path.size()), FILE_NAME_NORMALIZED);
    if (n >= final_path.size()) {
        final_path.resize(n + 1);
        n = GetFinalPathNameByHandleW(file, final_path.data(),
                                      static_cast<DWORD>(final_path.size()), FILE_NAME_NORMALIZED);
    }
    CloseHandle(file);
    if (n == 0 || n >= final_path.size()) {
        return String(path);
    }
    return OSAPI::narrow(without_long_prefix(final_path.data()).c_str());
}

String module_file() {
    HMODULE module = nullptr;
    BOOL found = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                        GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                    reinterpret_cast<LPCWSTR>(&module_anchor), &module);
    XASSERT(found, UNIT, SIGNATURE, __LINE__);
    // The name is cut short, without an error, when the buffer is too small.
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
        XASSERT(n != 0, UNIT, SIGNATURE, __LINE__);
        if (n < name.size()) {
            return OSAPI::narrow(name.data());
        }
        name.resize(name.size() * 2);
    }
}
