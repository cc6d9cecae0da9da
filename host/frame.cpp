#include "host/frame.h"

#include "base/xception.h"

#include <cstring>

namespace {

HostFrame* active_frame = nullptr;

HostFrame& active() {
    XASSERT(active_frame != nullptr, "host/frame", "HostFrame& active()", 12);
    return *active_frame;
}

float const* buffer_line(char const* buffer, int component, int row) {
    return active().input_row(buffer, component, row);
}

void set_rgb(int x, int y, float const rgb[3]) {
    active().set_rgb(x, y, rgb);
}

void set_alpha(int x, int y, float alpha) {
    active().set_alpha(x, y, alpha);
}

} // namespace

HostFrame::HostFrame(int width, int height)
    : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0), record_() {
    XASSERT(active_frame == nullptr, "host/frame", "HostFrame::HostFrame(int, int)", 32);
    std::size_t n = std::size_t(width_) * std::size_t(height_);
    for (int c = 0; c < 4; c++) {
        input_[c].assign(n, 0.0f);
        output_[c].assign(n, 0.0f);
    }
    rgb_written_.assign(n, false);
    alpha_written_.assign(n, false);
    active_frame = this;
}

HostFrame::~HostFrame() {
    active_frame = nullptr;
}

void HostFrame::set_input(int x, int y, float red, float green, float blue, float alpha) {
    if (!inside(x, y)) {
        return;
    }
    float const values[4] = {red, green, blue, alpha};
    for (int c = 0; c < 4; c++) {
        input_[c][index(x, y)] = values[c];
    }
}

float* HostFrame::input_row(char const* buffer, int component, int row) {
    if (!buffer || row < 0 || row >= height_) {
        return nullptr;
    }
    int plane = -1;
    if (strcmp(buffer, "Final_Render") == 0 && component >= 0 && component < 3) {
        plane = component;
    } else if (strcmp(buffer, "Alpha") == 0 && component == 0) {
        plane = 3;
    }
    return plane < 0 ? nullptr : input_[plane].data() + index(0, row);
}

LWFilterAccess const* HostFrame::access() {
    record_ = {width_, height_, frame, start, end, buffer_line, ::set_rgb, ::set_alpha, monitor};
    return &record_;
}

bool HostFrame::rgb_written(int x, int y) const {
    return inside(x, y) && rgb_written_[index(x, y)];
}

bool HostFrame::alpha_written(int x, int y) const {
    return inside(x, y) && alpha_written_[index(x, y)];
}

float HostFrame::output(int x, int y, int component) const {
    return inside(x, y) && component >= 0 && component < 4 ? output_[component][index(x, y)] : 0;
}

void HostFrame::set_rgb(int x, int y, float const rgb[3]) {
    if (!inside(x, y)) {
        return;
    }
    for (int c = 0; c < 3; c++) {
        output_[c][index(x, y)] = rgb[c];
    }
    rgb_written_[index(x, y)] = true;
}

void HostFrame::set_alpha(int x, int y, float alpha) {
    if (!inside(x, y)) {
        return;
    }
    output_[3][index(x, y)] = alpha;
    alpha_written_[index(x, y)] = true;
}
