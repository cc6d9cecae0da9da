#include "LW/image_framebuffer.h"

#include <cstdint>

StarFramebuffer framebuffer_of(Vell::Image& image) {
    float* pixels = reinterpret_cast<float*>(image.pixels);
    StarFramebuffer fb;
    fb.a = pixels;
    fb.r = pixels + 1;
    fb.g = pixels + 2;
    fb.b = pixels + 3;
    fb.width = image.width;
    fb.height = image.height;
    fb.row_stride = static_cast<int32_t>(image.stride / sizeof(float));
    fb.pixel_stride = 4;
    return fb;
}
