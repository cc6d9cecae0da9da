// A small plug-in module for the loader tests: one image filter whose
// process doubles the frame's colour, and its interface.

#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwmodule.h"
#include "lwsdk/lwrender.h"

#ifndef PROBE_SYNC
#define PROBE_SYNC MOD_SYSSYNC
#endif

namespace {

LWMessageFuncs* messages = nullptr;

LWInstance create(void*, void*, LWError*) {
    return new int(0);
}
void destroy(LWInstance inst) {
    delete static_cast<int*>(inst);
}
LWError copy(LWInstance from, LWInstance to) {
    *static_cast<int*>(to) = *static_cast<int*>(from);
    return nullptr;
}
LWError load(LWInstance, LWLoadState*) {
    return nullptr;
}
LWError save(LWInstance, LWSaveState*) {
    return nullptr;
}
const char* descln(LWInstance) {
    return "Probe";
}

LWError process(LWInstance, const LWFilterAccess* access) {
    for (int y = 0; y < access->height; y++) {
        const float* rgb[3];
        for (int c = 0; c < 3; c++) {
            rgb[c] = access->bufferLine("Final_Render", c, y);
        }
        const float* alpha = access->bufferLine("Alpha", 0, y);
        for (int x = 0; x < access->width; x++) {
            float doubled[3] = {2 * rgb[0][x], 2 * rgb[1][x], 2 * rgb[2][x]};
            access->setRGB(x, y, doubled);
            access->setAlpha(x, y, alpha[x]);
        }
    }
    return nullptr;
}

const char* const no_buffers[] = {nullptr};
const char* const* flags(LWInstance) {
    return no_buffers;
}

int handler(int version, GlobalFunc* global, void* local, void*) {
    if (version != LWIMAGEFILTER_VERSION) {
        return AFUNC_BADVERSION;
    }
    LWImageFilterHandler* h = static_cast<LWImageFilterHandler*>(local);
    *h->inst = {nullptr, create, destroy, copy, load, save, descln};
    h->process = process;
    h->flags = flags;
    messages = static_cast<LWMessageFuncs*>(global(LWMESSAGEFUNCS_GLOBAL, GFUSE_TRANSIENT));
    char const* needed[] = {LWSCENEINFO_GLOBAL, LWCAMERAINFO_GLOBAL, LWITEMINFO_GLOBAL,
                            LWMESSAGEFUNCS_GLOBAL, LWFILEIOFUNCS_GLOBAL};
    for (char const* name : needed) {
        if (!global(name, GFUSE_TRANSIENT)) {
            return AFUNC_BADGLOBAL;
        }
    }
    return AFUNC_OK;
}

int interface(int version, GlobalFunc*, void* local, void*) {
    if (version != LWINTERFACE_VERSION) {
        return AFUNC_BADVERSION;
    }
    static_cast<LWInterface*>(local)->panel = nullptr;
    return AFUNC_OK;
}

void* startup() {
#ifdef PROBE_STARTUP_FAILS
    return nullptr;
#else
    return reinterpret_cast<void*>(4);
#endif
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
    {LWIMAGEFILTER_ICLASS, "Probe", interface, tags},
    {nullptr, nullptr, nullptr, nullptr},
};

// Under another name the host cannot find the descriptor.
#ifdef PROBE_NO_DESCRIPTOR
#define PROBE_DESCRIPTOR mod_descrip
#else
#define PROBE_DESCRIPTOR _mod_descrip
#endif
ModuleDescriptor PROBE_DESCRIPTOR = {PROBE_SYNC, MOD_SYSVER, MOD_MACHINE,
                                     startup,    shutdown,   ServerDesc};
}
