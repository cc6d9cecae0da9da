#pragma once

#include "libvellimage/image.h"
#include "libimgops/stars.h"

#include <cstdint>

// The star renderer's view of four floats a pixel, alpha, red, green, blue,
// rows `row_stride` floats apart.
StarFramebuffer interleaved_framebuffer(float* pixels, int32_t width, int32_t height,
                                        int32_t row_stride);

// The same view of a working image of that layout.
StarFramebuffer framebuffer_of(Vell::Image& image);
