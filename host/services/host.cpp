#include "host/services/host.h"

#include "host/services/file_io.h"
#include "host/services/scene_globals.h"
#include "base/xception.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwxpanel.h"

#include <cstdint>
#include <cstdio>

namespace {

Host* active_host = nullptr;

void show_info(char const* line1, char const* line2) {
    Host::active().show(HostMessage::INFO, line1, line2);
}

void show_error(char const* line1, char const* line2) {
    Host::active().show(HostMessage::ERROR, line1, line2);
}

LWMessageFuncs message_funcs = {show_info, show_error};

void* value_global(unsigned value) {
    return reinterpret_cast<void*>(uintptr_t(value));
}

} // namespace

Host::Host() : scene_info_() {
    XASSERT(active_host == nullptr, "host/services/host", "Host::Host()", __LINE__);
    active_host = this;
}

Host::~Host() {
    active_host = nullptr;
}

Host& Host::active() {
    XASSERT(active_host != nullptr, "host/services/host", "static Host& Host::active()", __LINE__);
    return *active_host;
}

void* Host::global(char const* name, int) {
    if (!active_host || !name) {
        return nullptr;
    }
    return active_host->lookup(name);
}

void* Host::lookup(std::string const& name) {
    if (removed_.count(name)) {
        return nullptr;
    }
    if (name == LWSCENEINFO_GLOBAL) {
        fill_scene_info(scene, scene_info_);
        return &scene_info_;
    }
    if (name == LWCAMERAINFO_GLOBAL) {
        return host_camera_info();
    }
    if (name == LWITEMINFO_GLOBAL) {
        return host_item_info();
    }
    if (name == LWMESSAGEFUNCS_GLOBAL) {
        return &message_funcs;
    }
    if (name == LWFILEIOFUNCS_GLOBAL) {
        return host_file_io();
    }
    if (name == LWSYSTEMID_GLOBAL) {
        return value_global(system_id);
    }
    if (name == LWPRODUCTINFO_GLOBAL) {
        return value_global(product_info);
    }
    return panel_global(name);
}

// The panel service and the file services.
void* Host::panel_global(std::string const& name) {
    if (name == LWXPANELFUNCS_GLOBAL) {
        return panels.funcs();
    }
    if (name == LWFILEREQFUNC_GLOBAL) {
        return reinterpret_cast<void*>(FileServices::request_function());
    }
    if (name == LWFILETYPEFUNC_GLOBAL) {
        return reinterpret_cast<void*>(FileServices::pattern_function());
    }
    if (name == LWDIRINFOFUNC_GLOBAL) {
        return reinterpret_cast<void*>(FileServices::folder_function());
    }
    return nullptr;
}

void Host::remove_global(char const* name) {
    removed_.insert(name);
}

void Host::show(HostMessage::Kind kind, char const* line1, char const* line2) {
    HostMessage message{kind, line1 ? line1 : "", line2 ? line2 : "", line2 != nullptr};
    messages_.push_back(message);
    if (!echo_messages) {
        return;
    }
    fprintf(stderr, "host %s: %s\n", kind == HostMessage::ERROR ? "error" : "info",
            message.line1.c_str());
    if (message.has_line2) {
        fprintf(stderr, "            %s\n", message.line2.c_str());
    }
}
