#pragma once

#include "host/services/dynamic_library.h"
#include "lwsdk/lwmodule.h"

#include <string>

// A plug-in module loaded as the host loads it: opened, its `_mod_descrip`
// checked and its startup called on construction; shut down and unloaded on
// destruction. Every failure throws StrXception naming the module and the
// cause.
class HostModule {
public:
    explicit HostModule(char const* path);
    HostModule(HostModule const&) = delete;
    HostModule& operator=(HostModule const&) = delete;
    ~HostModule();

    // Null when the module has no such server.
    ServerRecord const* find_server(char const* class_name, char const* name) const;
    // Activates the server with the active host's GlobalFunc; throws unless
    // the server answers AFUNC_OK.
    void activate(char const* class_name, char const* name, int version, void* local);

private:
    std::string path_;
    DynamicLibrary library_;
    ModuleDescriptor const* descriptor_ = nullptr;
    void* server_data_ = nullptr;
};
