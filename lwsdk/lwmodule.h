#pragma once

#include "lwsdk/lwserver.h"

/* The descriptor that every module exports as `_mod_descrip`. The host
   refuses a module whose sync word, version or machine differ from these. */
typedef struct st_ModuleDescriptor {
    unsigned int sysSync;
    unsigned int sysVersion;
    unsigned int sysMachine;
    /* Returns the module's server data, passed to every activation and to
       shutdown; null means the module failed to start. */
    void* (*startup)(void);
    void (*shutdown)(void* serverData);
    ServerRecord* serverDefs;
} ModuleDescriptor;

#define MOD_SYSSYNC 0x04121994u
#define MOD_SYSVER 3u
/* The platform a module is built for; the host loads only its own. */
#if defined(_WIN32)
#define MOD_MACHINE 0x300u
#elif defined(__APPLE__)
#define MOD_MACHINE 0x400u
#elif defined(__linux__)
#define MOD_MACHINE 0x500u
#else
#error "the host runs on Windows, macOS and Linux only"
#endif
