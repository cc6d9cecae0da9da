#pragma once

#include "LW/module_state.h"

int const ORRELUX_INI_VERSION = 1;

// Sets the defaults and writes them to the file at once.
void default_orrelux_ini();
// Replaces the file whole: a failure leaves the previous file as it was. A
// file that cannot be created is silently not written.
void save_orrelux_ini();
// Reads the file; a missing or unreadable file, or one of another version,
// gives the defaults, which are then written.
void load_orrelux_ini();
