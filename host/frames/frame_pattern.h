#pragma once

#include <cstddef>
#include <string>

// A file name with a frame number in it: "out/frame_####.exr" names frame 7
// "out/frame_0007.exr". The run of '#' gives the least number of digits;
// larger numbers use more. A negative frame puts '-' before its digits, so
// frame -7 is "out/frame_-0007.exr". A pattern holds at most one run.
//
// A pattern without '#' names the same file for every frame: fine for a
// still read behind every frame, an error for output of more than one frame
// (require_numbered says so).
class FramePattern {
public:
    // Raises when the pattern holds more than one run of '#'.
    explicit FramePattern(std::string pattern);

    bool numbered() const { return width_ > 0; }
    std::string path(long long frame) const;

    // Raises unless every one of `frame_count` frames gets a file of its own.
    void require_numbered(std::size_t frame_count) const;

    std::string const& pattern() const { return pattern_; }

private:
    std::string pattern_;
    // The run of '#': where it starts and how long it is; 0 long without one.
    std::size_t start_ = 0;
    std::size_t width_ = 0;
};
