#include "LW/osx.h"

#include "LW/module_state.h"
#include "LW/starfile.h"
#include "base/xception.h"

#include <dlfcn.h>

namespace {

char const* const PATH_SIGNATURE = "String get_orrelux_path()";

// Any address inside this module identifies the file the host loaded.
void module_anchor() {}

} // namespace

String get_orrelux_path() {
    String& path = orrelux_ini.install_folder;
    if (path.len() == 0) {
        Dl_info info{};
        int bref = dladdr(reinterpret_cast<void*>(&module_anchor), &info);
        XASSERT(bref, "LW/osx", PATH_SIGNATURE, 28);
        char const* url = info.dli_fname;
        XASSERT(url, "LW/osx", PATH_SIGNATURE, 30);
        String file(url);
        unsigned slash = file.findr('/');
        path = slash == 0xFFFFFFFFu ? String(".") : String(url, slash == 0 ? 1 : slash);
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
