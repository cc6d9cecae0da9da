#pragma once

#include "base/string.h"

// The absolute path of `path` with every symbolic link resolved; the path as
// given when it cannot be resolved, for example because it does not exist.
String resolved_path(char const* path);

// The file of the plug-in module, as the system's loader names it (possibly
// relative to the working folder of the moment).
String module_file();

// The folder that holds the plug-in module, absolute and resolved; found once
// and kept in orrelux_ini.install_folder.
String get_orrelux_path();
// "orrelux.ini" in that folder.
String get_orrelux_ini_path();
// "hipparcos3D.stars" in that folder when it is a star database, else empty;
// stores whether it carries distances through is_3d when that is not null.
String get_orrelux_default_starfile(bool* is_3d);
