#include "LW/install_folder.h"

#include "LW/module_state.h"
#include "LW/starfile.h"

#include <osapi/osapi-unix.h>

String get_orrelux_path() {
    String& path = orrelux_ini.install_folder;
    if (path.len() == 0) {
        path = OSAPI::dirname(resolved_path(module_file()));
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
