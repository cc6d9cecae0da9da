#include "libimgops/drawn_spans.h"

#include "base/xception.h"

#include <algorithm>

namespace {

char const* const UNIT = "libimgops/drawn_spans";
char const* const NOTE = "void DrawnSpans::note(int, int, int)";

} // namespace

DrawnSpans::DrawnSpans(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      spans_(std::size_t(height_), Span{width_, -1}) {}

void DrawnSpans::note(int y, int first, int last) {
    XASSERT(y >= 0 && y < height_ && first >= 0 && first <= last && last < width_, UNIT, NOTE,
            __LINE__);
    Span& s = spans_[std::size_t(y)];
    s.first = std::min(s.first, first);
    s.last = std::max(s.last, last);
}

void DrawnSpans::forget() {
    std::fill(spans_.begin(), spans_.end(), Span{width_, -1});
}
