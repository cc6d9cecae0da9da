#pragma once

#include "lwsdk/lwfilter.h"

#include <vector>

// A rendered frame as the host hands it to an image filter: float input
// buffers ("Final_Render" red, green, blue and "Alpha") and an output image
// that the filter writes through setRGB and setAlpha. The access record's
// functions take no context, so they act on the active frame: the one
// constructed last that still exists. Only one may exist at a time.
class HostFrame {
public:
    HostFrame(int width, int height);
    HostFrame(HostFrame const&) = delete;
    HostFrame& operator=(HostFrame const&) = delete;
    ~HostFrame();

    int width() const { return width_; }
    int height() const { return height_; }

    void set_input(int x, int y, float red, float green, float blue, float alpha);
    // "Final_Render" has three layers (red, green, blue), "Alpha" one.
    int layers(char const* buffer) const;
    float* input_row(char const* buffer, int layer, int row);

    // The record for the process callback, from the fields below.
    LWFilterAccess const* access();
    LWFrame frame = 0;
    LWTime start = 0;
    LWTime end = 0;
    LWMonitor* monitor = nullptr;

    // The output; a pixel reads 0 until written.
    bool rgb_written(int x, int y) const;
    bool alpha_written(int x, int y) const;
    float output(int x, int y, int component) const; // 0 red, 1 green, 2 blue, 3 alpha

    // What the record's setRGB and setAlpha do; a pixel outside the frame
    // is ignored.
    void set_rgb(int x, int y, float const rgb[3]) {
        if (inside(x, y)) {
            std::size_t const i = index(x, y);
            float* out = &output_[4 * i];
            out[0] = rgb[0];
            out[1] = rgb[1];
            out[2] = rgb[2];
            rgb_written_[i] = 1;
        }
    }
    void set_alpha(int x, int y, float alpha) {
        if (inside(x, y)) {
            std::size_t const i = index(x, y);
            output_[4 * i + 3] = alpha;
            alpha_written_[i] = 1;
        }
    }

private:
    // One unsigned comparison per axis: a negative value wraps past the size.
    bool inside(int x, int y) const {
        return unsigned(x) < unsigned(width_) && unsigned(y) < unsigned(height_);
    }
    std::size_t index(int x, int y) const {
        return std::size_t(y) * std::size_t(width_) + std::size_t(x);
    }

    int width_;
    int height_;
    // Planes red, green, blue, alpha of the input, as the buffers hand out
    // rows of one component.
    std::vector<float> input_[4];
    // Red, green, blue, alpha side by side: a filter writes a pixel at a
    // time. Bytes, not bits, so that marking a pixel is a plain store.
    std::vector<float> output_;
    std::vector<unsigned char> rgb_written_;
    std::vector<unsigned char> alpha_written_;
    LWFilterAccess record_;
};
