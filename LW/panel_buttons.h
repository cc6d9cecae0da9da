#pragma once

#include "lwsdk/lwxpanel.h"

// Button callbacks of the settings panel, whose user data is the orrelux
// record. Nothing escapes them: an Xception is reported on standard error.

// Chooses the parent item in a modal dialog; cancelling keeps the parent.
void parent_button(LWXPanelID panel, int cid);
// PANEL_LOAD reads a settings file chosen with the host's file requester and
// shows every loaded value; PANEL_SAVE writes one, without the parent item,
// which belongs to its scene.
void settings_file_button(LWXPanelID panel, int cid);
