#include "LW/osx.h"

#include "LW/module_state.h"
#include "LW/starfile.h"
#include "base/xception.h"

#include <climits>
#include <cstdlib>

#include <dlfcn.h>

namespace {

char const* const PATH_SIGNATURE = "String get_orrelux_path()";

// Any address inside this module identifies the file the host loaded.
void module_anchor() {}

} // namespace

String resolved_path(char const* path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) ? String(resolved) : String(path);
}

String get_orrelux_path() {
    String& path = orrelux_ini.install_folder;
    if (path.len() == 0) {
        Dl_info info{};
        int bref = dladdr(reinterpret_cast<void*>(&module_anchor), &info);
        XASSERT(bref, "LW/osx", PATH_SIGNATURE, 28);
        XASSERT(info.dli_fname, "LW/osx", PATH_SIGNATURE, 30);
        // The loader keeps the name it was given, which may be relative to
        // the working folder of the moment.
        String file = resolved_path(info.dli_fname);
        unsigned slash = file.findr('/');
        path = slash == 0xFFFFFFFFu ? String(".") : String(file, slash == 0 ? 1 : slash);
    }
    return path;
}

String get_orrelux_ini_path() {
    return get_orrelux_path() + "/" + "orrelux.ini";
}

String get_orrelux_default_starfile(bool* is_3d) {
    String path = get_orrelux_path() + "/" + "hipparcos3D.stars";
    if (check_starfile(path, is_3d))
        return path;
    if (is_3d)
        *is_3d = false;
    return String();
}
