#pragma once

#include "lwsdk/lwio.h"

// The host's "File IO 5" record, as obtained by the handler activation; null
// before the first activation.
LWFileIOFuncs* orrelux_file_io();
void set_orrelux_file_io(LWFileIOFuncs* file_io);
