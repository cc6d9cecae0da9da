#pragma once

#include "base/string.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwrender.h"
#include "lwsdk/lwserver.h"

// The preferences shared by every filter instance, kept in "orrelux.ini"
// beside the module, and the host globals the activation obtains.
struct OrreluxIni {
    String default_starfile;  // star database given to new instances; may be empty
    bool default_starfile_3d; // default_starfile carries star distances
    int dialog_x;             // stored panel position; -9999 when not set
    int dialog_y;
    int enable_auto_update; // start-up update check switch
    GlobalFunc* global_func;
    LWItemInfo* item_info;
    LWMessageFuncs* message_funcs;
    LWFileIOFuncs* file_io;
};

extern OrreluxIni orrelux_ini;

int const ORRELUX_INI_VERSION = 1;
int const DIALOG_UNSET = -9999;

// Sets the defaults and writes them to the file at once.
void default_orrelux_ini();
// Replaces the file whole: a failure leaves the previous file as it was. A
// file that cannot be created is silently not written.
void save_orrelux_ini();
// Reads the file; a missing or unreadable file, or one of another version,
// gives the defaults, which are then written.
void load_orrelux_ini();
