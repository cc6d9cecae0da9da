#include "fuzz/plugin_session.h"

#include "fuzz/fuzz_support.h"

#include "LW/module_state.h"
#include "LW/orrelux.h"
#include "host/services/load_state.h"
#include "host/services/save_state.h"
#include "lwsdk/lwserver.h"

#include <cstring>

PluginSession& PluginSession::get() {
    static PluginSession session;
    return session;
}

PluginSession::PluginSession() {
    host.echo_messages = false;
    orrelux_ini.install_folder = fuzz_folder().c_str();
    std::string header(32, '\0');
    std::memcpy(&header[0], "ORRELUX2", 8);
    default_database = fuzz_file("hipparcos3D.stars", header);
    ServerRecord const& server = ServerDesc[0];
    FUZZ_REQUIRE(std::strcmp(server.className, LWIMAGEFILTER_HCLASS) == 0);
    FUZZ_REQUIRE(server.activate(LWIMAGEFILTER_VERSION, &Host::global, &handler, nullptr) ==
                 AFUNC_OK);
}

LWInstance PluginSession::create() {
    LWError error = nullptr;
    LWInstance inst = funcs.create(funcs.priv, nullptr, &error);
    FUZZ_REQUIRE(inst != nullptr);
    return inst;
}

void PluginSession::destroy(LWInstance inst) {
    funcs.destroy(inst);
}

void PluginSession::load(LWInstance inst, std::string const& bytes, int io_mode) {
    LoadState state(bytes, io_mode);
    FUZZ_REQUIRE(funcs.load(inst, state.state()) == nullptr);
}

std::string PluginSession::save(LWInstance inst, int io_mode) {
    SaveState state(io_mode);
    FUZZ_REQUIRE(funcs.save(inst, state.state()) == nullptr);
    return state.data();
}
