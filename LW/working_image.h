#pragma once

#include "libimgops/stars.h"

#include <cstddef>
#include <memory>

// The frame process's working image over the window of a frame, four
// floats a pixel: alpha, red, green and blue. For an sRGB frame it holds
// only the light that the stars add, drawn at full strength over an alpha
// of zero: the write-back dims each lit pixel's light by its alpha, which
// gives the sum of the stars each dimmed by it, adds it to the host's colour
// in linear light and hands every other pixel back as the host gave it, so
// that only lit pixels pass through the curves. A linear frame needs no
// curves: the host's pixels are copied in and the stars drawn over them. An
// instance keeps its image for the next frame of the same size.
class WorkingImage {
public:
    // Every value starts at zero. Throws std::bad_alloc when memory is short.
    WorkingImage(int width, int height);
    WorkingImage(WorkingImage const&) = delete;
    WorkingImage& operator=(WorkingImage const&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // Readies the image for a frame: no light anywhere. Nothing to do after a
    // frame whose write-back took all the light.
    void start_frame();
    // The star renderer's view: it adds to the light and reads the alpha.
    StarFramebuffer framebuffer();
    float* row(int y) { return pixels_.get() + 4 * std::size_t(y) * std::size_t(width_); }
    // The write-back has taken every pixel's light and left zero behind.
    void light_taken() { clear_ = true; }
    // For a caller that fills every pixel of the frame.
    float* fill_row(int y) {
        clear_ = false;
        return row(y);
    }

private:
    // From calloc, which reports a request it cannot meet instead of ending
    // the process as a sanitizer's operator new does, and hands out large
    // blocks already zero.
    struct Free {
        void operator()(float* p) const;
    };

    std::size_t values() const { return 4 * std::size_t(width_) * std::size_t(height_); }

    int width_;
    int height_;
    std::unique_ptr<float[], Free> pixels_;
    bool clear_ = true;
};
