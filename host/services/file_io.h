#pragma once

#include "lwsdk/lwio.h"

// The "File IO 5" record over the file system. A load state reads its file
// as far as it is asked, a piece at a time; a save state creates a temporary
// file beside its file when opened, and writes it and puts it in the file's
// place when closed.
LWFileIOFuncs* host_file_io();
