#ifdef _WIN32

#include <osapi/osapi-unix.h>

#include "osapi/win32.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

// Where the last path component of the pattern begins.
unsigned last_component(char const* pattern) {
    unsigned start = 0;
    for (unsigned i = 0; pattern[i]; ++i) {
        if (pattern[i] == '/' || pattern[i] == '\\' || (i == 1 && pattern[i] == ':')) {
            start = i + 1;
        }
    }
    return start;
}

} // namespace

struct Glob::Record {
    size_t next;
    std::vector<String> matches;
};

// The system matches wildcards in the last component only. As glob does,
// the matches come sorted, and a name that begins with a dot needs a pattern
// that does.
Glob::Glob(char const* pattern) : record(new Record()) {
    unsigned start = last_component(pattern);
    String folder(pattern, start);
    bool dot_names = pattern[start] == '.';
    std::wstring wide;
    WIN32_FIND_DATAW entry;
    HANDLE search = INVALID_HANDLE_VALUE;
    if (to_wide(pattern, wide)) {
        search = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                  nullptr, 0);
    }
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            return;
        }
        throw StrXception(UNIT, "OSAPI::Glob::Glob(const char*)", 1045, "glob(%s): %s", pattern,
                          static_cast<char const*>(last_error_text()));
    }
    try {
        do {
            String name = narrow(entry.cFileName);
            bool special = strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
            if (name[0] != '.' || (dot_names && !special)) {
                record->matches.push_back(folder + name);
            }
        } while (FindNextFileW(search, &entry));
    } catch (...) {
        FindClose(search);
        throw;
    }
    FindClose(search);
    std::sort(record->matches.begin(), record->matches.end(),
              [](String const& a, String const& b) { return strcmp(a, b) < 0; });
}

Glob::~Glob() = default;

char const* Glob::next() {
    if (record->next >= record->matches.size()) {
        return nullptr;
    }
    return record->matches[record->next++];
}

} // namespace OSAPI

#endif
