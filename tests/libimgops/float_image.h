#pragma once

#include "libimgops/stars.h"

#include <algorithm>
#include <vector>

// Four float planes with a three-pixel guard border, viewed through a
// StarFramebuffer that covers only the interior, so writes outside the view
// can be caught.
class FloatImage {
public:
    FloatImage(int width, int height, bool interleaved = true)
        : pixels(4 * (width + 6) * (height + 6), 0.0f) {
        int const plane_step = interleaved ? 1 : (width + 6) * (height + 6);
        int const pixel_stride = interleaved ? 4 : 1, row_stride = (width + 6) * pixel_stride;
        float* origin = pixels.data() + 3 * (row_stride + pixel_stride);
        fb = StarFramebuffer{origin + plane_step,
                             origin + 2 * plane_step,
                             origin + 3 * plane_step,
                             origin,
                             width,
                             height,
                             row_stride,
                             pixel_stride};
    }

    float& r(int x, int y) { return fb.r[index(x, y)]; }
    float& g(int x, int y) { return fb.g[index(x, y)]; }
    float& b(int x, int y) { return fb.b[index(x, y)]; }
    float& a(int x, int y) { return fb.a[index(x, y)]; }

    template <class F> void each_pixel(F f) {
        for (int i = 0; i < fb.width * fb.height; i++) {
            f(i % fb.width, i / fb.width);
        }
    }

    // Sum of red, green and blue over the view; not finite when any pixel is not.
    double total_light() {
        double sum = 0;
        each_pixel([&](int x, int y) { sum += double(r(x, y)) + g(x, y) + b(x, y); });
        return sum;
    }

    // Whether every float outside the view is still zero.
    bool border_untouched() {
        long inside = 0;
        each_pixel([&](int x, int y) {
            inside += (r(x, y) != 0) + (g(x, y) != 0) + (b(x, y) != 0) + (a(x, y) != 0);
        });
        return std::count_if(pixels.begin(), pixels.end(), [](float v) { return v != 0; }) ==
               inside;
    }

    StarFramebuffer fb;

private:
    long index(int x, int y) const { return long(y) * fb.row_stride + long(x) * fb.pixel_stride; }

    std::vector<float> pixels;
};
