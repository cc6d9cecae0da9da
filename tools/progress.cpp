#include "tools/progress.h"

#include <cstdio>
#include <unistd.h>
#include <utility>

Progress::Progress(std::string label, size_t total)
    : label(std::move(label)), total(total), enabled(isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    if (enabled && shown_percent >= 0) {
        fprintf(stderr, "\r%s: done\033[K\n", label.c_str());
    }
}

void Progress::update(size_t done) {
    if (!enabled || total == 0) {
        return;
    }
    int const percent = static_cast<int>(done * 100 / total);
    if (percent != shown_percent) {
        shown_percent = percent;
        fprintf(stderr, "\r%s: %3d%%", label.c_str(), percent);
        fflush(stderr);
    }
}
