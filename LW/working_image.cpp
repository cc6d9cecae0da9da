#include "LW/working_image.h"

#include <algorithm>
#include <new>

namespace {

// Four floats a pixel; a count past what a vector can hold is a request no
// memory can meet.
std::size_t pixel_values(int width, int height) {
    std::size_t const pixels = std::size_t(width) * std::size_t(height);
    if (pixels > std::vector<float>().max_size() / 4) {
        throw std::bad_alloc();
    }
    return 4 * pixels;
}

} // namespace

WorkingImage::WorkingImage(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(pixel_values(width_, height_)) {}

void WorkingImage::start_frame() {
    if (!clear_) {
        std::fill(pixels_.begin(), pixels_.end(), 0.0f);
    }
    clear_ = false;
}

StarFramebuffer WorkingImage::framebuffer() {
    float* const p = pixels_.data();
    return {p + 1, p + 2, p + 3, p, width_, height_, 4 * width_, 4};
}
