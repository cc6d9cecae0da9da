#pragma once

#include <functional>
#include <string>

// What became of one frame.
struct FrameResult {
    // RENDERED: the image is made but not yet in a file; WRITTEN: it is in
    // the file named by `detail`.
    enum Status { RENDERED, WRITTEN, FAILED, ABORTED };
    int frame = 0;
    Status status = FAILED;
    // The file written, or why the frame failed.
    std::string detail;
    double seconds = 0;
};

// Renders one frame, reporting the module's monitor steps as it goes.
using StepReport = std::function<void(unsigned done, unsigned total)>;
using FrameTask = std::function<FrameResult(int frame, StepReport const& steps)>;
