#include "host/frames/frame_error.h"

namespace {

char const* const UNIT = "host/frames/frame_error";

} // namespace

void check_frame_size(long long width, long long height, char const* path) {
    if (width <= 0 || height <= 0) {
        throw FRAME_ERROR("cannot read frame \"%s\": it holds no pixels (%lld x %lld)", path, width,
                          height);
    }
    if (width > MAX_FRAME_PIXELS / height) {
        throw FRAME_ERROR("cannot read frame \"%s\": %lld x %lld pixels is more than the %lld a "
                          "frame may hold",
                          path, width, height, MAX_FRAME_PIXELS);
    }
}
