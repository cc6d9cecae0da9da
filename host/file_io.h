#pragma once

#include "lwsdk/lwio.h"

// The "File IO 5" record over the file system. A load state reads its whole
// file when opened; a save state creates its file when opened and writes it
// when closed.
LWFileIOFuncs* host_file_io();
