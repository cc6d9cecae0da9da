// A small plug-in module for the loader tests: an image filter that only
// describes itself. The build makes broken variants of it through the PROBE_
// definitions.

#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwmodule.h"
#include "lwsdk/lwrender.h"

#include <initializer_list>

#ifndef PROBE_SYNC
#define PROBE_SYNC MOD_SYSSYNC
#endif
#ifndef PROBE_VERSION
#define PROBE_VERSION MOD_SYSVER
#endif
#ifndef PROBE_MACHINE
#define PROBE_MACHINE MOD_MACHINE
#endif
#ifndef PROBE_DESCRIPTOR
#define PROBE_DESCRIPTOR _mod_descrip
#endif
#ifndef PROBE_SERVER_DATA
#define PROBE_SERVER_DATA reinterpret_cast<void*>(4)
#endif

namespace {

LWMessageFuncs* messages = nullptr;

// Refuses before touching the handler, so a failed activation leaves it as it was.
int handler(int version, GlobalFunc* global, void* local, void*) {
    if (version != LWIMAGEFILTER_VERSION) {
        return AFUNC_BADVERSION;
    }
    for (char const* name : {LWSCENEINFO_GLOBAL, LWCAMERAINFO_GLOBAL, LWITEMINFO_GLOBAL,
                             LWMESSAGEFUNCS_GLOBAL, LWFILEIOFUNCS_GLOBAL}) {
        if (!global(name, GFUSE_TRANSIENT)) {
            return AFUNC_BADGLOBAL;
        }
    }
    messages = static_cast<LWMessageFuncs*>(global(LWMESSAGEFUNCS_GLOBAL, GFUSE_TRANSIENT));
    LWImageFilterHandler* h = static_cast<LWImageFilterHandler*>(local);
    h->inst->descln = [](LWInstance) { return "Probe"; };
    return AFUNC_OK;
}

void* startup() {
    return PROBE_SERVER_DATA;
}

void shutdown(void*) {
    if (messages) {
        messages->error("probe shut down", nullptr);
    }
}

ServerTagInfo tags[] = {{"Probe", 0}, {nullptr, 0}};

} // namespace

extern "C" {
ServerRecord ServerDesc[] = {
    {LWIMAGEFILTER_HCLASS, "Probe", handler, tags},
    {nullptr, nullptr, nullptr, nullptr},
};
ModuleDescriptor PROBE_DESCRIPTOR = {PROBE_SYNC, PROBE_VERSION, PROBE_MACHINE,
                                     startup,    shutdown,      ServerDesc};
}
