#include "host/cli/worker_pool.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unistd.h>

using ::testing::HasSubstr;

namespace {

// A task that reports one monitor step and says which process rendered.
FrameTask pid_task() {
    return [](int frame, StepReport const& steps) {
        steps(1, 2);
        if (frame == 13) {
            abort(); // a worker that crashes mid-frame
        }
        return FrameResult{frame, FrameResult::WRITTEN, std::to_string(getpid()), 0.5};
    };
}

struct Collected {
    std::map<int, FrameResult> results;
    unsigned step_reports = 0;
};

Collected run(std::vector<int> const& frames, int jobs, std::function<FrameTask()> make_task) {
    Collected c;
    run_workers(
        frames, jobs, make_task, [&](unsigned, unsigned) { c.step_reports++; },
        [&](FrameResult const& r) { c.results[r.frame] = r; }, [] { return false; });
    return c;
}

} // namespace

TEST(WorkerPool, EveryFrameIsRenderedOnceInAnotherProcess) {
    std::vector<int> frames = {-2, -1, 0, 1, 2, 3, 4, 5};
    Collected c = run(frames, 3, pid_task);
    ASSERT_EQ(c.results.size(), frames.size());
    EXPECT_EQ(c.step_reports, frames.size());
    for (int frame : frames) {
        FrameResult const& r = c.results[frame];
        EXPECT_EQ(r.status, FrameResult::WRITTEN);
        EXPECT_NE(r.detail, std::to_string(getpid())) << "frame " << frame;
        EXPECT_EQ(r.seconds, 0.5);
    }
}

TEST(WorkerPool, ACrashedWorkerFailsItsFrameAndOthersCarryOn) {
    Collected c = run({12, 13, 14, 15}, 2, pid_task);
    ASSERT_EQ(c.results.size(), 4u);
    EXPECT_EQ(c.results[13].status, FrameResult::FAILED);
    EXPECT_THAT(c.results[13].detail, HasSubstr("killed by signal"));
    for (int frame : {12, 14, 15}) {
        EXPECT_EQ(c.results[frame].status, FrameResult::WRITTEN) << frame;
    }
}

TEST(WorkerPool, AWorkerThatCannotStartFailsTheFramesWithItsReason) {
    Collected c = run({1, 2}, 1, []() -> FrameTask { throw std::runtime_error("no module"); });
    ASSERT_EQ(c.results.size(), 2u);
    for (auto const& [frame, r] : c.results) {
        EXPECT_EQ(r.status, FrameResult::FAILED);
        EXPECT_EQ(r.detail, "no module");
    }
}

TEST(WorkerPool, AnAbortedFrameStopsTheHandingOut) {
    auto aborting = [] {
        return [](int frame, StepReport const&) {
            return FrameResult{frame, frame == 1 ? FrameResult::ABORTED : FrameResult::WRITTEN, "",
                               0};
        };
    };
    Collected c = run({1, 2, 3, 4, 5}, 1, aborting);
    ASSERT_EQ(c.results.size(), 1u);
    EXPECT_EQ(c.results[1].status, FrameResult::ABORTED);
}
