#pragma once

#include "base/string.h"

// The folder that holds the plug-in module, found once and cached for the life
// of the module.
String get_orrelux_path();
// "orrelux.ini" in that folder.
String get_orrelux_ini_path();
// "hipparcos3D.stars" in that folder when it is a star database, else empty;
// stores whether it carries distances through is_3d when that is not null.
String get_orrelux_default_starfile(bool* is_3d);
