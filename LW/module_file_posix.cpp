#include "LW/install_folder.h"

#include "base/xception.h"

#include <climits>
#include <cstdlib>

#include <dlfcn.h>

namespace {

char const* const SIGNATURE = "String module_file()";
// The install location's unit, as its assertion reports have always named it.
char const* const UNIT = "LW/osx";

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
    XASSERT(bref, UNIT, SIGNATURE, __LINE__);
    XASSERT(info.dli_fname, UNIT, SIGNATURE, __LINE__);
    return String(info.dli_fname);
}
