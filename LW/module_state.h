#pragma once

#include "base/string.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwrender.h"
#include "lwsdk/lwserver.h"
#include "lwsdk/lwxpanel.h"

// Everything the module keeps between calls, shared by every filter
// instance: the preferences kept in "orrelux.ini", the host records that the
// activations fetch, and the folder that holds the module. The
// activations write the host records; the preferences file's reader and the
// panel write the preferences; a frame writes nothing here.
struct ModuleState {
    String default_starfile;  // star database given to new instances; may be empty
    bool default_starfile_3d; // default_starfile carries star distances
    int dialog_x;             // stored panel position; -9999 when not set
    int dialog_y;
    int enable_auto_update; // start-up update check switch

    // Null before the first activation.
    GlobalFunc* global_func;
    LWItemInfo* item_info;
    LWMessageFuncs* message_funcs;
    LWFileIOFuncs* file_io;
    // A snapshot taken at activation; a frame fetches a fresh one for itself.
    LWSceneInfo* scene_info;
    LWCameraInfo* camera_info;
    // Hosts from major version 9 on give the frame number rather than the
    // exposure interval.
    bool host_v9_or_later;
    // Fetched when a settings panel opens; null before that.
    LWXPanelFuncs* xpanel_funcs;

    // Empty until get_orrelux_path first finds it.
    String install_folder;
};

extern ModuleState orrelux_ini;

int const DIALOG_UNSET = -9999;

// Fetches the host records that every instance uses into orrelux_ini; false
// when one of them is missing. The records found are stored either way.
bool fetch_host_records(GlobalFunc* global);
