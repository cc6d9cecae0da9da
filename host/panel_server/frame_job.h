#pragma once

#include "host/render/frame_result.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// A rendered frame as the page shows it.
struct RenderedFrame {
    FrameResult result;
    std::string png;  // the file bytes; empty unless rendered
    std::string view; // the same with alpha 1, for the eye: a star plate's alpha is 0
};

using FrameWork = std::function<RenderedFrame(int frame, StepReport const& steps,
                                              std::function<bool()> const& cancelled)>;

// One frame rendered on a thread of its own, so that the page can follow the
// module's monitor and cancel through it while the frame is in hand.
class FrameJob {
public:
    FrameJob() = default;
    FrameJob(FrameJob const&) = delete;
    FrameJob& operator=(FrameJob const&) = delete;
    // Cancels a frame in hand and waits for it.
    ~FrameJob();

    // Throws RequestError 409 while a frame is rendering.
    void start(int frame, FrameWork work);
    // Asks the frame in hand to stop at the monitor's next step; false when
    // none is rendering.
    bool cancel();
    // "state" (idle, rendering, rendered, cancelled, failed), "frame",
    // "done" and "total" monitor steps, "detail", "seconds".
    nlohmann::json status() const;
    // The last frame rendered, as written and as shown; empty before any.
    RenderedFrame last() const;

private:
    mutable std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> cancel_{false};
    std::atomic<unsigned> done_{0};
    std::atomic<unsigned> total_{0};
    std::string state_ = "idle";
    int frame_ = 0;
    std::string detail_;
    double seconds_ = 0;
    RenderedFrame last_;
};
