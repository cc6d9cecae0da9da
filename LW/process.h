#pragma once

#include "LW/settings.h"
#include "lwsdk/lwfilter.h"

// Draws the instance's stars into the host's frame. Returns null, also after
// a message shown to the user, or "Process Failed" after a failure that was
// reported on standard error; no output pixel is written unless the frame
// was rendered whole.
LWError process(orrelux* inst, LWFilterAccess const* access);
