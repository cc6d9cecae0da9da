#include "LW/module_state.h"

ModuleState orrelux_ini = {String(), false,   DIALOG_UNSET, DIALOG_UNSET, 1,     nullptr, nullptr,
                           nullptr,  nullptr, nullptr,      nullptr,      false, nullptr, String()};

namespace {

template <typename Record> Record* fetch(GlobalFunc* global, char const* name) {
    return static_cast<Record*>(global(name, GFUSE_TRANSIENT));
}

} // namespace

bool fetch_host_records(GlobalFunc* global) {
    orrelux_ini.global_func = global;
    orrelux_ini.scene_info = fetch<LWSceneInfo>(global, LWSCENEINFO_GLOBAL);
    orrelux_ini.camera_info = fetch<LWCameraInfo>(global, LWCAMERAINFO_GLOBAL);
    orrelux_ini.item_info = fetch<LWItemInfo>(global, LWITEMINFO_GLOBAL);
    orrelux_ini.message_funcs = fetch<LWMessageFuncs>(global, LWMESSAGEFUNCS_GLOBAL);
    orrelux_ini.file_io = fetch<LWFileIOFuncs>(global, LWFILEIOFUNCS_GLOBAL);
    return orrelux_ini.scene_info && orrelux_ini.camera_info && orrelux_ini.item_info &&
           orrelux_ini.message_funcs && orrelux_ini.file_io;
}
