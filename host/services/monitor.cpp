#include "host/services/monitor.h"

namespace {

HostMonitor& self(void* data) {
    return *static_cast<HostMonitor*>(data);
}

void init(void* data, unsigned count) {
    self(data).init(count);
}
int step(void* data, unsigned increment) {
    return self(data).step(increment);
}
void done(void* data) {
    self(data).done();
}

} // namespace

HostMonitor::HostMonitor() : record_{this, ::init, ::step, ::done} {}

void HostMonitor::init(unsigned count) {
    total_ = count;
    steps_ = 0;
    finished_ = false;
}

int HostMonitor::step(unsigned increment) {
    steps_ += increment;
    if (on_step) {
        on_step(steps_, total_);
    }
    return abort_ ? 1 : 0;
}

void HostMonitor::done() {
    finished_ = true;
}
