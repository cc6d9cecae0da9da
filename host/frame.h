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

    void set_rgb(int x, int y, float const rgb[3]);
    void set_alpha(int x, int y, float alpha);

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    std::size_t index(int x, int y) const {
        return std::size_t(y) * std::size_t(width_) + std::size_t(x);
    }

    int width_;
    int height_;
    // Planes red, green, blue, alpha of the input and of the output.
    std::vector<float> input_[4];
    std::vector<float> output_[4];
    std::vector<bool> rgb_written_;
    std::vector<bool> alpha_written_;
    LWFilterAccess record_;
};
