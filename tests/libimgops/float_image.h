#pragma once

#include "libimgops/stars.h"

#include <vector>

// Four float planes with a guard border, viewed through a StarFramebuffer
// that covers only the interior, so writes outside the view can be caught.
class FloatImage {
public:
    FloatImage(int width, int height, bool interleaved = true, int border = 3)
        : full_w(width + 2 * border), full_h(height + 2 * border), border(border),
          pixels(4 * full_w * full_h, 0.0f) {
        int channel_step = interleaved ? 1 : full_w * full_h;
        int pixel_stride = interleaved ? 4 : 1;
        int row_stride = full_w * pixel_stride;
        float* origin = pixels.data() + border * row_stride + border * pixel_stride;
        fb = StarFramebuffer{origin + channel_step,
                             origin + 2 * channel_step,
                             origin + 3 * channel_step,
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

    void fill_alpha(float alpha) {
        for (int y = 0; y < fb.height; y++) {
            for (int x = 0; x < fb.width; x++) {
                a(x, y) = alpha;
            }
        }
    }

    // Sum of the red plane over the view, in double.
    double total_red() {
        double sum = 0;
        for (int y = 0; y < fb.height; y++) {
            for (int x = 0; x < fb.width; x++) {
                sum += r(x, y);
            }
        }
        return sum;
    }

    // Whether every float outside the view is still zero.
    bool border_untouched() const {
        for (int y = 0; y < full_h; y++) {
            for (int x = 0; x < full_w; x++) {
                bool inside =
                    x >= border && x < full_w - border && y >= border && y < full_h - border;
                if (inside) {
                    continue;
                }
                for (int c = 0; c < 4; c++) {
                    if (plane_value(c, x, y) != 0) {
                        return false;
                    }
                }
            }
        }
        return true;
    }

    StarFramebuffer fb;

private:
    long index(int x, int y) const { return long(y) * fb.row_stride + long(x) * fb.pixel_stride; }

    float plane_value(int c, int x, int y) const {
        float const* planes[] = {fb.a, fb.r, fb.g, fb.b};
        long offset = long(y - border) * fb.row_stride + long(x - border) * fb.pixel_stride;
        return planes[c][offset];
    }

    int full_w;
    int full_h;
    int border;
    std::vector<float> pixels;
};
