#pragma once

#include "libvellimage/image.h"
#include "libimgops/stars.h"

#include <cstdint>

// The star renderer's view of four floats a pixel, alpha, red, green, blue,
// rows `row_stride` floats apart.
StarFramebuffer interleaved_framebuffer(float* pixels, int32_t width, int32_t height,
                                        int32_t row_stride);

// The star renderer's view of three floats a pixel, red, green, blue, rows
// one after the other, with nothing in front of the light.
StarFramebuffer light_framebuffer(float* pixels, int32_t width, int32_t height);

// The view of four floats a pixel of a working image of that layout.
StarFramebuffer framebuffer_of(Vell::Image& image);
