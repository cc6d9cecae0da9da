#pragma once

#include "libvellimage/image.h"
#include "libimgops/stars.h"

// The star renderer's view of a working image of four floats a pixel:
// alpha, red, green, blue.
StarFramebuffer framebuffer_of(Vell::Image& image);
