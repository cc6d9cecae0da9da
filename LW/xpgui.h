#pragma once

#include "lwsdk/lwhandler.h"
#include "lwsdk/lwserver.h"

// The interface activation's work: builds the settings panel of the orrelux
// record in `local->inst`, one panel per record, and hands it to the host in
// `local->panel`. AFUNC_OK, also when the record's panel is open already (and
// nothing is built); AFUNC_BADVERSION for any version but
// LWINTERFACE_VERSION; AFUNC_BADGLOBAL without "LWXPanel 3". Throws
// StrXception "error creating XPanel" when the host makes no panel.
int orrelux_xpgui(long version, GlobalFunc* global, LWInterface* local, void* server_data);
