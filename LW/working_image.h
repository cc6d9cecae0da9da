#pragma once

#include "libimgops/drawn_spans.h"
#include "libimgops/stars.h"

#include <cstddef>
#include <memory>

// The frame process's working image over the window of a frame. For an
// sRGB frame it holds only the light that the stars add, three floats a
// pixel (red, green and blue), drawn at full strength with nothing in front
// of it: the write-back dims each lit pixel's light by its alpha, which
// gives the sum of the stars each dimmed by it, adds it to the host's colour
// in linear light and hands every other pixel back as the host gave it, so
// that only lit pixels pass through the curves. A linear frame needs no
// curves: the host's pixels are filled in, four floats a pixel (alpha, red,
// green and blue), and the stars drawn over them. An instance keeps its
// image for the next frame of the same size, of either kind. The star
// renderer notes where it drew, so that light is looked for, taken and
// cleared only there.
class WorkingImage {
public:
    // Every value starts at zero. Throws std::bad_alloc when memory is short.
    WorkingImage(int width, int height);
    WorkingImage(WorkingImage const&) = delete;
    WorkingImage& operator=(WorkingImage const&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    // Readies the image for a frame of light only: no light anywhere,
    // nothing noted. After a frame whose write-back took the light, nothing
    // is left to clear; after one that stopped short of it, only where the
    // renderer drew.
    void start_frame();
    // The star renderer's view: it adds to the light, reads the alpha where
    // the pixels were filled, and notes where it drew.
    StarFramebuffer framebuffer();
    // Floats a pixel: 4 once pixels were filled, 3 for light only.
    int pixel_floats() const { return filled_ ? 4 : 3; }
    float* row(int y) {
        return pixels_.get() + std::size_t(pixel_floats()) * std::size_t(y) * std::size_t(width_);
    }
    // Where the light may be since the frame started.
    DrawnSpans const& drawn() const { return drawn_; }
    // The write-back has taken the light of every row's span and left zero
    // behind.
    void light_taken() { drawn_.forget(); }
    // For a caller that fills every pixel of the frame, four floats a pixel.
    float* fill_row(int y) {
        filled_ = true;
        return row(y);
    }

private:
    // From calloc, which reports a request it cannot meet instead of ending
    // the process as a sanitizer's operator new does, and hands out large
    // blocks already zero.
    struct Free {
        void operator()(float* p) const;
    };

    // Room for four floats a pixel, whichever the frame.
    std::size_t values() const { return 4 * std::size_t(width_) * std::size_t(height_); }
    // Zero over every row's span.
    void clear_drawn();

    int width_;
    int height_;
    std::unique_ptr<float[], Free> pixels_;
    DrawnSpans drawn_;
    // Pixels were filled, not only drawn on: any of them may be non-zero,
    // four floats each.
    bool filled_ = false;
};
