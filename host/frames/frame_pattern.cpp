#include "host/frames/frame_pattern.h"

#include "host/frames/frame_error.h"

#include <utility>

namespace {

char const* const UNIT = "host/frames/frame_pattern";

} // namespace

FramePattern::FramePattern(std::string pattern) : pattern_(std::move(pattern)) {
    std::size_t start = pattern_.find('#');
    if (start == std::string::npos) {
        return;
    }
    std::size_t end = pattern_.find_first_not_of('#', start);
    if (end == std::string::npos) {
        end = pattern_.size();
    }
    if (pattern_.find('#', end) != std::string::npos) {
        throw FRAME_ERROR("frame pattern \"%s\" has more than one run of '#'", pattern_.c_str());
    }
    start_ = start;
    width_ = end - start;
}

std::string FramePattern::path(long long frame) const {
    if (!numbered()) {
        return pattern_;
    }
    // Through unsigned, so that the most negative frame has a magnitude too.
    unsigned long long magnitude = frame < 0 ? 0ULL - (unsigned long long)frame : frame;
    std::string digits = std::to_string(magnitude);
    if (digits.size() < width_) {
        digits.insert(0, width_ - digits.size(), '0');
    }
    if (frame < 0) {
        digits.insert(0, 1, '-');
    }
    std::string path = pattern_;
    path.replace(start_, width_, digits);
    return path;
}

void FramePattern::require_numbered(std::size_t frame_count) const {
    if (!numbered() && frame_count > 1) {
        throw FRAME_ERROR("output pattern \"%s\" has no run of '#' to number its %zu frames by "
                          "(for example \"out/frame_####.exr\")",
                          pattern_.c_str(), frame_count);
    }
}
