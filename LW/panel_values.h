#pragma once

#include "lwsdk/lwxpanel.h"

// The settings panel's get and set callbacks: they read and write an
// orrelux record directly, through the settings table, so that a control
// shows and edits the field whose table row names it.
void* panel_get(void* inst, unsigned int vid);
// LWXPRC_DRAW normally, LWXPRC_FULL when another control's value changed too,
// LWXPRC_NONE for an ID no setting is shown by. A star database that is not
// one, or "3D Stars" turned on over a database without distances, is refused
// with a message to the user and the record keeps its value.
LWXPRefreshCode panel_set(void* inst, unsigned int vid, void* value);
