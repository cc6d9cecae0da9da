#pragma once

#include <cstddef>
#include <vector>

// One frame in memory: linear-light RGBA, four floats per pixel, row 0 at the
// top. Colour and alpha are kept as given; nothing here premultiplies or
// divides by alpha, because a star plate carries light where alpha is 0.
struct FrameImage {
    FrameImage() = default;
    // Every sample 0.
    FrameImage(int width, int height);

    float* pixel(int x, int y) { return &pixels[offset(x, y)]; }
    float const* pixel(int x, int y) const { return &pixels[offset(x, y)]; }

    int width = 0;
    int height = 0;
    std::vector<float> pixels;

private:
    std::size_t offset(int x, int y) const {
        return (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
    }
};
