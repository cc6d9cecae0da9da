#pragma once

#include "lwsdk/lwxpanel.h"

int const orrelux_wingui_logo_width = 292;
int const orrelux_wingui_logo_height = 61;

// The logo picture: blue, green, red bytes per pixel, the bottom row first,
// 876 bytes per row without padding. Made on first use.
unsigned char const* orrelux_wingui_logo();

// Draw callback of the logo thumbnail: the picture from its top left, cut to
// the area.
void draw_logo(LWXPanelID panel, unsigned int cid, LWXPDrAreaID area, int w, int h);
