#pragma once

#include "lwsdk/lwio.h"

// The "File IO 5" record over the file system. A load state reads its file
// as far as it is asked, a piece at a time; a save state creates its file
// when opened and writes it when closed.
LWFileIOFuncs* host_file_io();
