#include "host/services/module.h"

#include "host/services/host.h"
#include "base/xception.h"

namespace {

char const* const UNIT = "host/services/module";

} // namespace

#define CONSTRUCTOR "HostModule::HostModule(const char *)"
#define ACTIVATE "void HostModule::activate(const char *, const char *, int, void *)"

HostModule::HostModule(char const* path) : path_(path), library_(path) {
    char const* module = path_.c_str();
    if (!library_.is_open()) {
        throw StrXception(UNIT, CONSTRUCTOR, __LINE__, "module %s cannot be loaded: %s", module,
                          library_.error().c_str());
    }
    descriptor_ = static_cast<ModuleDescriptor const*>(library_.symbol("_mod_descrip"));
    if (!descriptor_) {
        throw StrXception(UNIT, CONSTRUCTOR, __LINE__, "module %s exports no _mod_descrip", module);
    }
    if (descriptor_->sysSync != MOD_SYSSYNC) {
        throw StrXception(UNIT, CONSTRUCTOR, __LINE__,
                          "module %s has the wrong sync word 0x%08X (expected 0x%08X)", module,
                          descriptor_->sysSync, MOD_SYSSYNC);
    }
    if (descriptor_->sysVersion != MOD_SYSVER) {
        throw StrXception(UNIT, CONSTRUCTOR, __LINE__,
                          "module %s has descriptor version %u (expected %u)", module,
                          descriptor_->sysVersion, MOD_SYSVER);
    }
    if (descriptor_->sysMachine != MOD_MACHINE) {
        throw StrXception(UNIT, CONSTRUCTOR, __LINE__,
                          "module %s is for machine 0x%X (expected 0x%X)", module,
                          descriptor_->sysMachine, MOD_MACHINE);
    }
    if (!descriptor_->startup || !descriptor_->shutdown) {
        throw StrXception(UNIT, CONSTRUCTOR, __LINE__, "module %s has no startup or shutdown entry",
                          module);
    }
    server_data_ = descriptor_->startup();
    if (!server_data_) {
        throw StrXception(UNIT, CONSTRUCTOR, __LINE__, "module %s failed to start up", module);
    }
}

HostModule::~HostModule() {
    descriptor_->shutdown(server_data_);
}

ServerRecord const* HostModule::find_server(char const* class_name, char const* name) const {
    for (ServerRecord const* server = descriptor_->serverDefs; server && server->className;
         server++) {
        if (std::string(server->className) == class_name && server->name &&
            std::string(server->name) == name) {
            return server;
        }
    }
    return nullptr;
}

void HostModule::activate(char const* class_name, char const* name, int version, void* local) {
    ServerRecord const* server = find_server(class_name, name);
    char const* module = path_.c_str();
    if (!server || !server->activate) {
        throw StrXception(UNIT, ACTIVATE, __LINE__, "module %s has no %s server \"%s\"", module,
                          class_name, name);
    }
    int code = server->activate(version, Host::global, local, server_data_);
    if (code == AFUNC_BADVERSION) {
        throw StrXception(UNIT, ACTIVATE, __LINE__,
                          "%s server \"%s\" of module %s refused version %d", class_name, name,
                          module, version);
    }
    if (code == AFUNC_BADGLOBAL) {
        throw StrXception(UNIT, ACTIVATE, __LINE__,
                          "%s server \"%s\" of module %s lacks a host global it needs", class_name,
                          name, module);
    }
    if (code != AFUNC_OK) {
        throw StrXception(UNIT, ACTIVATE, __LINE__,
                          "%s server \"%s\" of module %s failed with code %d", class_name, name,
                          module, code);
    }
}
