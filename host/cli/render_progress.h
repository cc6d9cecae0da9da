#pragma once

#include <chrono>
#include <cstdio>
#include <string>

// Progress of a render on standard error. On a terminal one bar line is
// redrawn: frames done, the module's monitor steps within the current frame
// and the time left. Elsewhere (a log, a farm's output) each finished frame
// is one line. Problems are printed in both cases, even when quiet.
class RenderProgress {
public:
    RenderProgress(FILE* out, size_t total_frames, bool terminal, bool quiet);
    RenderProgress(RenderProgress const&) = delete;
    RenderProgress& operator=(RenderProgress const&) = delete;

    // The module's monitor within the frame being rendered.
    void frame_steps(unsigned done, unsigned total);
    void frame_written(int frame, std::string const& path, double seconds);
    void frame_failed(int frame, std::string const& why);
    // Clears the bar so that the next line starts clean.
    void finish();

private:
    void frame_done();
    void line(std::string const& text);
    void draw();

    FILE* out_;
    size_t total_;
    size_t done_ = 0;
    unsigned steps_ = 0;
    unsigned step_total_ = 0;
    bool terminal_;
    bool quiet_;
    bool bar_shown_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};
