#include "host/services/filter_frame.h"

#include "host/services/frame_memory.h"
#include "base/xception.h"

#include <cstring>
#include <new>

namespace {

HostFrame* active_frame = nullptr;

HostFrame& active() {
    XASSERT(active_frame != nullptr, "host/services/filter_frame", "HostFrame& active()", __LINE__);
    return *active_frame;
}

int layers(char const* buffer) {
    return active().layers(buffer);
}

float* get_line(char const* buffer, int layer, int y) {
    return active().input_row(buffer, layer, y);
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
    XASSERT(active_frame == nullptr, "host/services/filter_frame", "HostFrame::HostFrame(int, int)",
            __LINE__);
    // Four input planes, the output's four values and two written flags.
    check_frame_fits_memory(width_, height_, 8 * sizeof(float) + 2, "frame buffers");
    std::size_t n = std::size_t(width_) * std::size_t(height_);
    try {
        for (int c = 0; c < 4; c++) {
            input_[c].assign(n, 0.0f);
        }
        output_.assign(4 * n, 0.0f);
        rgb_written_.assign(n, 0);
        alpha_written_.assign(n, 0);
    } catch (std::bad_alloc const&) {
        throw StrXception("host/services/filter_frame", "HostFrame::HostFrame(int, int)", __LINE__,
                          "out of memory for the buffers of a %d x %d frame", width_, height_);
    }
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

// The colour buffer's layers are planes 0 to 2, the alpha buffer's plane 3.
int HostFrame::layers(char const* buffer) const {
    if (buffer && strcmp(buffer, LWBUFFER_FINAL_RENDER_RGBA) == 0) {
        return 3;
    }
    if (buffer && strcmp(buffer, LWBUFFER_ALPHA) == 0) {
        return 1;
    }
    return 0;
}

float* HostFrame::input_row(char const* buffer, int layer, int row) {
    if (row < 0 || row >= height_ || layer < 0 || layer >= layers(buffer)) {
        return nullptr;
    }
    int plane = strcmp(buffer, LWBUFFER_ALPHA) == 0 ? 3 : layer;
    return input_[plane].data() + index(0, row);
}

LWFilterAccess const* HostFrame::access() {
    record_ = {width_,   height_,  frame,     start,       end,
               ::layers, get_line, ::set_rgb, ::set_alpha, monitor};
    return &record_;
}

bool HostFrame::rgb_written(int x, int y) const {
    return inside(x, y) && rgb_written_[index(x, y)] != 0;
}

bool HostFrame::alpha_written(int x, int y) const {
    return inside(x, y) && alpha_written_[index(x, y)] != 0;
}

float HostFrame::output(int x, int y, int component) const {
    return inside(x, y) && component >= 0 && component < 4 ? output_[4 * index(x, y) + component]
                                                           : 0;
}
