#include "LW/osx.h"

#include "base/xception.h"

#include <climits>
#include <cstdlib>

#include <dlfcn.h>

namespace {

char const* const SIGNATURE = "String module_file()";

// Any address inside this module identifies the file the host loaded.
void module_anchor() {}

} // namespace

String resolved_path(char const* path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? String(resolved) : String(path);
}

String module_file() {
    Dl_info info{};
    int bref = dladdr(reinterpret_cast<void*>(&module_anchor), &info);
    XASSERT(bref, "LW/osx", SIGNATURE, 28);
    XASSERT(info.dli_fname, "LW/osx", SIGNATURE, 30);
    return String(info.dli_fname);
}
