#pragma once

#include "host/services/host.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhandler.h"

#include <string>

// The plug-in's image-filter handler activated once by the stand-in host, as
// a host activates a loaded module, with its preferences and default star
// database in the fuzz folder. The module's sources are linked in: libFuzzer
// only sees the coverage of code in its own program.
class PluginSession {
public:
    static PluginSession& get();

    // A fresh instance with default settings, and its end.
    LWInstance create();
    void destroy(LWInstance inst);
    // The instance's load and save callbacks over bytes in the given mode.
    void load(LWInstance inst, std::string const& bytes, int io_mode);
    std::string save(LWInstance inst, int io_mode);

    Host host;
    std::string default_database;

private:
    PluginSession();

    LWInstanceFuncs funcs = {};
    LWItemFuncs items = {};
    LWImageFilterHandler handler = {&funcs, &items, nullptr, nullptr};
};
