#pragma once

#include "LW/module_state.h"

int const ORRELUX_INI_VERSION = 1;

// Sets the defaults and writes them to the file at once.
void default_orrelux_ini();
// Replaces the file whole through a temporary file beside it, so that a
// failure leaves the previous file as it was; a link is written through.
// Where no temporary file can be made the file is written in place, and one
// that cannot be opened either is silently not written.
void save_orrelux_ini();
// Reads the file; a missing or unreadable file, or one of another version,
// gives the defaults, which are then written.
void load_orrelux_ini();
