#pragma once

#include "lwsdk/lwmodule.h"
#include "lwsdk/lwserver.h"

// The entries the host looks up by name; the module exports nothing else.
#define ORRELUX_EXPORT __attribute__((visibility("default")))

extern "C" {
ORRELUX_EXPORT extern ModuleDescriptor _mod_descrip;
ORRELUX_EXPORT extern ServerRecord ServerDesc[];
ORRELUX_EXPORT extern ServerTagInfo ServerTags[];
// Zero-filled; the host's to use.
ORRELUX_EXPORT extern char const* UserNames[2];
ORRELUX_EXPORT void* Startup(void);
ORRELUX_EXPORT void Shutdown(void* server_data);
}
