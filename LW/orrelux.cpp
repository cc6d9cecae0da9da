#include "LW/orrelux.h"

#include "LW/module_state.h"
#include "LW/orrelux_ini.h"
#include "LW/process.h"
#include "LW/settings.h"
#include "LW/xpgui.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhandler.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwrender.h"

#include <cstdint>

namespace {

char const* const SERVER_NAME = "Orrelux";
// The build names the version, from the project's.
char const* const DESCRIPTION = "Orrelux " ORRELUX_VERSION;

// Besides "Final_Render" and "Alpha" the filter needs no buffer.
char const* const NO_BUFFERS[] = {nullptr};

orrelux* record(LWInstance inst) {
    return static_cast<orrelux*>(inst);
}

LWInstance create(void*, void*, LWError*) {
    orrelux* rec = nullptr;
    try {
        rec = new orrelux();
        orrelux_defaults(rec);
        return rec;
    } catch (Xception const& e) {
        e.print();
        delete rec;
        return nullptr;
    }
}

// The record owns its reader.
void destroy(LWInstance inst) {
    delete record(inst);
}

LWError copy(LWInstance from, LWInstance to) {
    try {
        orrelux_copy(record(to), record(from));
    } catch (Xception const& e) {
        e.print();
    }
    return nullptr;
}

// The host names the receiving instance first.
LWError copy_from_host(LWInstance to, LWInstance from) {
    return copy(from, to);
}

LWError load(LWInstance inst, LWLoadState* state) {
    try {
        orrelux_load(record(inst), state);
    } catch (Xception const& e) {
        e.print();
    }
    return nullptr;
}

LWError save(LWInstance inst, LWSaveState* state) {
    try {
        orrelux_save(record(inst), state, true);
    } catch (Xception const& e) {
        e.print();
    }
    return nullptr;
}

char const* describe(LWInstance) {
    return DESCRIPTION;
}

LWItemID const* use_items(LWInstance) {
    return nullptr;
}

// Follows renames in list order, so P to Q then Q to R ends on R; a pair
// before the matching one is not looked at again.
void change_id(LWInstance inst, LWItemID const* pairs) {
    orrelux* rec = record(inst);
    if (!pairs || !pairs[0]) {
        return;
    }
    LWItemID current = rec->parent_id;
    for (LWItemID const* pair = pairs; pair[0]; pair += 2) {
        if (pair[0] == current) {
            rec->parent_id = pair[1];
            current = pair[1];
        }
    }
}

LWError process_frame(LWInstance inst, LWFilterAccess const* access) {
    return process(record(inst), access);
}

char const* const* buffers(LWInstance) {
    return NO_BUFFERS;
}

unsigned value_global(GlobalFunc* global, char const* name) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(global(name, GFUSE_TRANSIENT)));
}

void install_callbacks(LWImageFilterHandler* handler) {
    handler->inst->priv = nullptr;
    handler->inst->create = create;
    handler->inst->destroy = destroy;
    handler->inst->copy = copy_from_host;
    handler->inst->load = load;
    handler->inst->save = save;
    handler->inst->descln = describe;
    if (handler->item) {
        handler->item->useItems = use_items;
        handler->item->changeID = change_id;
    }
    handler->process = process_frame;
    handler->flags = buffers;
}

// The callbacks are installed before any global is fetched, so they stay
// installed whatever the result.
int activate_handler(int version, GlobalFunc* global, void* local, void*) {
    if (version != LWIMAGEFILTER_VERSION) {
        return AFUNC_BADVERSION;
    }
    try {
        install_callbacks(static_cast<LWImageFilterHandler*>(local));
        if (!fetch_host_records(global)) {
            return AFUNC_BADGLOBAL;
        }
        load_orrelux_ini();
        unsigned product = value_global(global, LWPRODUCTINFO_GLOBAL);
        orrelux_ini.host_v9_or_later = LWINF_GETMAJOR(product) >= 9;
        return AFUNC_OK;
    } catch (Xception const& e) {
        e.print();
        return AFUNC_BADGLOBAL;
    }
}

int activate_interface(int version, GlobalFunc* global, void* local, void* server_data) {
    try {
        return orrelux_xpgui(version, global, static_cast<LWInterface*>(local), server_data);
    } catch (Xception const& e) {
        e.print();
        return AFUNC_BADGLOBAL;
    }
}

} // namespace

extern "C" {

ServerTagInfo ServerTags[] = {{SERVER_NAME, 0}, {nullptr, 0}};

ServerRecord ServerDesc[] = {
    {LWIMAGEFILTER_HCLASS, SERVER_NAME, activate_handler, ServerTags},
    {LWIMAGEFILTER_ICLASS, SERVER_NAME, activate_interface, ServerTags},
    {nullptr, nullptr, nullptr, nullptr},
};

char const* UserNames[2] = {nullptr, nullptr};

void* Startup(void) {
    // Any non-null value: the module keeps no server data.
    return reinterpret_cast<void*>(4);
}

void Shutdown(void*) {}

ModuleDescriptor _mod_descrip = {MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE,
                                 Startup,     Shutdown,   ServerDesc};
}
