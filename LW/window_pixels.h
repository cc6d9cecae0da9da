#pragma once

#include "LW/working_image.h"
#include "lwsdk/lwfilter.h"

// Inclusive pixel bounds of the window that a frame renders, in the host's
// buffers.
struct PixelWindow {
    int x0;
    int y0;
    int x1;
    int y1;
};

// For a frame of linear values: copies the window's alpha and colours in.
void copy_in(WorkingImage& image, LWFilterAccess const* access, PixelWindow const& win);

// For a frame of linear values: hands the image's pixels to the host.
void hand_back(WorkingImage& image, LWFilterAccess const* access, PixelWindow const& win);

// Hands the host's own pixels outside the window back unchanged.
void keep_outside(LWFilterAccess const* access, PixelWindow const& win);

// For a frame of sRGB values, whose image holds only light: hands every
// pixel of the window to the host's setters, the host's own where the image
// holds no light; where it does, the host's colour with the light added in
// linear light, dimmed by the pixel's alpha. Light is looked for only where
// the renderer noted drawing. Alpha is never drawn on, so the host's own goes
// back. The image's light is taken, leaving it ready for the next frame.
void write_back(WorkingImage& image, LWFilterAccess const* access, PixelWindow const& win);
