#include "LW/image_framebuffer.h"

StarFramebuffer interleaved_framebuffer(float* pixels, int32_t width, int32_t height,
                                        int32_t row_stride) {
    return {pixels + 1, pixels + 2, pixels + 3, pixels, width, height, row_stride, 4};
}

StarFramebuffer light_framebuffer(float* pixels, int32_t width, int32_t height) {
    return {pixels, pixels + 1, pixels + 2, nullptr, width, height, 3 * width, 3};
}

StarFramebuffer framebuffer_of(Vell::Image& image) {
    return interleaved_framebuffer(reinterpret_cast<float*>(image.pixels), image.width,
                                   image.height,
                                   static_cast<int32_t>(image.stride / sizeof(float)));
}
