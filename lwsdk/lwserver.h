#pragma once

/* Servers: the entries that a module offers to the host, and how the host
   activates them. */

/* Looks up a host global by name; null when the host has no such global.
   Plug-ins pass GFUSE_TRANSIENT as the use mode. Some globals are plain
   32-bit values returned in the pointer itself (see lwhost.h). */
typedef void* GlobalFunc(const char* name, int use_mode);

#define GFUSE_TRANSIENT 0
#define GFUSE_ACQUIRE 1
#define GFUSE_RELEASE 2

/* Called by the host to activate a server. `local` is the class's own record
   (an LWImageFilterHandler, an LWInterface, ...). Returns an AFUNC_ code. */
typedef int ActivateFunc(int version, GlobalFunc* global, void* local, void* serverData);

#define AFUNC_OK 0
#define AFUNC_BADVERSION 1
#define AFUNC_BADGLOBAL 2
#define AFUNC_BADLOCAL 3
#define AFUNC_BADAPP 4
/* As AFUNC_BADAPP, without telling the user. */
#define AFUNC_BADAPP_SILENT 5

/* One tag of a server; a list of tags ends with an entry whose string is null. */
typedef struct st_ServerTagInfo {
    const char* string;
    unsigned int tag;
} ServerTagInfo;

/* One server of a module; the table ends with an all-null record. */
typedef struct st_ServerRecord {
    const char* className;
    const char* name;
    ActivateFunc* activate;
    ServerTagInfo* tagInfo;
} ServerRecord;
