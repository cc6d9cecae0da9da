#include "host/cli/render_progress.h"

#include <algorithm>

namespace {

std::string clock_text(double seconds) {
    long const s = long(seconds + 0.5);
    char text[32];
    if (s >= 3600) {
        snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    } else {
        snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    }
    return text;
}

} // namespace

RenderProgress::RenderProgress(FILE* out, size_t total_frames, bool terminal, bool quiet)
    : out_(out), total_(total_frames), terminal_(terminal), quiet_(quiet) {}

void RenderProgress::frame_steps(unsigned done, unsigned total) {
    steps_ = done;
    step_total_ = total;
    draw();
}

void RenderProgress::frame_written(int frame, std::string const& path, double seconds) {
    if (!quiet_ && !terminal_) {
        char text[64];
        snprintf(text, sizeof text, "frame %d: %.2f s, ", frame, seconds);
        line(text + path);
    }
    frame_done();
}

void RenderProgress::frame_failed(int frame, std::string const& why) {
    line("frame " + std::to_string(frame) + ": failed: " + why);
    frame_done();
}

void RenderProgress::finish() {
    if (bar_shown_) {
        fputs("\r\033[K", out_);
        fflush(out_);
        bar_shown_ = false;
    }
}

void RenderProgress::frame_done() {
    done_++;
    steps_ = step_total_ = 0;
    draw();
}

void RenderProgress::line(std::string const& text) {
    finish();
    fprintf(out_, "%s\n", text.c_str());
    fflush(out_);
    draw();
}

void RenderProgress::draw() {
    if (!terminal_ || quiet_ || total_ == 0) {
        return;
    }
    double const within = step_total_ > 0 ? std::min(1.0, double(steps_) / step_total_) : 0.0;
    double const fraction = std::min(1.0, (double(done_) + within) / double(total_));
    int const width = 30;
    int const filled = int(fraction * width);
    std::string bar(size_t(filled), '#');
    bar.append(size_t(width - filled), '.');
    double const elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    std::string left = fraction > 0 ? clock_text(elapsed * (1 - fraction) / fraction) : "?";
    fprintf(out_, "\r[%s] %zu/%zu frames, %3d%% of this frame, %s left\033[K", bar.c_str(), done_,
            total_, int(within * 100), left.c_str());
    fflush(out_);
    bar_shown_ = true;
}
