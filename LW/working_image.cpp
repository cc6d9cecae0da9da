#include "LW/working_image.h"

#include "LW/image_framebuffer.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

// Four floats, 16 bytes, a pixel; calloc refuses a product that overflows.
float* zeroed_pixels(int width, int height) {
    void* p = std::calloc(std::size_t(width) * std::size_t(height), 4 * sizeof(float));
    if (!p && width > 0 && height > 0) {
        throw std::bad_alloc();
    }
    return static_cast<float*>(p);
}

} // namespace

void WorkingImage::Free::operator()(float* p) const {
    std::free(p);
}

WorkingImage::WorkingImage(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(zeroed_pixels(width_, height_)), drawn_(width_, height_) {}

void WorkingImage::start_frame() {
    if (filled_) {
        std::fill(pixels_.get(), pixels_.get() + values(), 0.0f);
    } else {
        clear_drawn();
    }
    drawn_.forget();
    filled_ = false;
}

// Only a frame of light only is drawn into without being filled first.
void WorkingImage::clear_drawn() {
    for (int y = 0; y < height_; y++) {
        int first, last;
        if (drawn_.span(y, first, last)) {
            std::fill(row(y) + 3 * first, row(y) + 3 * (last + 1), 0.0f);
        }
    }
}

StarFramebuffer WorkingImage::framebuffer() {
    StarFramebuffer fb = filled_
                             ? interleaved_framebuffer(pixels_.get(), width_, height_, 4 * width_)
                             : light_framebuffer(pixels_.get(), width_, height_);
    fb.drawn = &drawn_;
    return fb;
}
