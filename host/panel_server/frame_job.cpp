#include "host/panel_server/frame_job.h"

#include "host/panel_server/request_checks.h"

FrameJob::~FrameJob() {
    cancel_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FrameJob::start(int frame, FrameWork work) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_) {
        throw RequestError(409, "frame " + std::to_string(frame_) +
                                    " is rendering; cancel it or wait for it first");
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = true;
    cancel_ = false;
    done_ = 0;
    total_ = 0;
    state_ = "rendering";
    frame_ = frame;
    detail_.clear();
    seconds_ = 0;
    thread_ = std::thread([this, frame, work = std::move(work)] {
        RenderedFrame rendered = work(
            frame,
            [this](unsigned done, unsigned total) {
                done_ = done;
                total_ = total;
            },
            [this] { return cancel_.load(); });
        std::lock_guard<std::mutex> done_lock(mutex_);
        FrameResult const& r = rendered.result;
        state_ = r.status == FrameResult::RENDERED  ? "rendered"
                 : r.status == FrameResult::ABORTED ? "cancelled"
                                                    : "failed";
        detail_ = r.status == FrameResult::ABORTED ? "cancelled through the monitor" : r.detail;
        seconds_ = r.seconds;
        if (r.status == FrameResult::RENDERED) {
            last_ = std::move(rendered);
        }
        running_ = false;
    });
}

bool FrameJob::cancel() {
    if (!running_) {
        return false;
    }
    cancel_ = true;
    return true;
}

nlohmann::json FrameJob::status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {{"state", state_},        {"frame", frame_},   {"done", done_.load()},
            {"total", total_.load()}, {"detail", detail_}, {"seconds", seconds_}};
}

RenderedFrame FrameJob::last() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
}
