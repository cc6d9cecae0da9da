#pragma once

#include "lwsdk/lwio.h"
#include "lwsdk/lwtypes.h"
#include "lwsdk/lwxpanel.h"

/* Instance callbacks of a handler, filled in by its activation. */
typedef struct st_LWInstanceFuncs {
    void* priv;
    /* `context` depends on the handler class; image filters get a pointer to
       LWFilterContext flags. On failure a callback returns null and may leave
       a text in `*error`. */
    LWInstance (*create)(void* priv, void* context, LWError* error);
    void (*destroy)(LWInstance inst);
    /* The host passes the receiving instance first and the source second. */
    LWError (*copy)(LWInstance to, LWInstance from);
    LWError (*load)(LWInstance inst, LWLoadState* load);
    LWError (*save)(LWInstance inst, LWSaveState* save);
    /* One line describing the instance, shown in the host's lists. */
    const char* (*descln)(LWInstance inst);
} LWInstanceFuncs;

/* What the host tells about a renamed item; no plug-in here looks inside. */
typedef struct st_LWNameChangeData LWNameChangeData;

/* Item callbacks of a handler. The activation may find this record absent
   (null) and then leaves it alone. */
typedef struct st_LWItemFuncs {
    /* Items the instance depends on, ended by a null ID; null for none. */
    const LWItemID* (*useItems)(LWInstance inst);
    /* `pairs` holds (old ID, new ID) pairs, ended by a pair whose old ID is
       null. */
    void (*changeID)(LWInstance inst, const LWItemID* pairs);
    /* Called after an item was renamed. */
    void (*changeName)(LWInstance inst, const LWNameChangeData* change);
} LWItemFuncs;

/* Filled in by an interface activation: the instance to edit, the panel that
   edits it, and optional callbacks (null when the panel does all the work). */
typedef struct st_LWInterface {
    LWInstance inst;
    LWXPanelID panel;
    LWError (*options)(LWInstance inst);
    LWError (*command)(LWInstance inst, const char* command);
} LWInterface;

#define LWINTERFACE_VERSION 5
