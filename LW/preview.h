#pragma once

#include "lwsdk/lwxpanel.h"

// Draw callback of the preview thumbnail: the record's look (brightness and
// its bias, luminance threshold and ceiling, saturation, tint, spot size and
// aspect, sRGB or linear bytes) on fixed sample stars. Nothing else of the
// record plays a part. Stars are drawn for at most PREVIEW_BUDGET_US; the
// picture is always drawn whole. An Xception is reported on standard error.
void draw_preview(LWXPanelID panel, unsigned int cid, LWXPDrAreaID area, int w, int h);

unsigned long long const PREVIEW_BUDGET_US = 100000;

// The byte the preview shows for a float of light: looked up by the float's
// top 14 bits, so each bucket of 2^18 bit patterns shows as its middle
// value. Every float of 1.0 or more gives 255, every negative one 0.
unsigned char preview_byte(float value, bool srgb);
