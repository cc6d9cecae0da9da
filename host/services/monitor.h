#pragma once

#include "lwsdk/lwmonitor.h"

#include <functional>

// A progress monitor that tells a callback about every step and answers
// "abort" to every step once asked to.
class HostMonitor {
public:
    HostMonitor();
    HostMonitor(HostMonitor const&) = delete;
    HostMonitor& operator=(HostMonitor const&) = delete;

    LWMonitor* monitor() { return &record_; }

    // Steps done so far and the count announced by init.
    std::function<void(unsigned done, unsigned total)> on_step;
    void request_abort() { abort_ = true; }

    unsigned total() const { return total_; }
    unsigned steps() const { return steps_; }
    bool finished() const { return finished_; }

    void init(unsigned count);
    int step(unsigned increment);
    void done();

private:
    unsigned total_ = 0;
    unsigned steps_ = 0;
    bool finished_ = false;
    bool abort_ = false;
    LWMonitor record_;
};
