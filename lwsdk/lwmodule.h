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
#define MOD_MACHINE 0x400u
