#pragma once

#include "host/render/frame_result.h"

#include <vector>

// Renders `frames` in `jobs` worker processes. Each worker is forked before
// it does any work and builds its own renderer with `make_task` (so each
// loads its own copy of the module); frames are handed out in order, one at
// a time, to whichever worker is free. `on_steps` and `on_result` run in the
// calling process. Once `stop()` turns true or a frame is aborted, no new
// frame is handed out; the workers finish or abort what they hold. Returns
// after every worker has ended.
void run_workers(std::vector<int> const& frames, int jobs,
                 std::function<FrameTask()> const& make_task,
                 std::function<void(unsigned done, unsigned total)> const& on_steps,
                 std::function<void(FrameResult const&)> const& on_result,
                 std::function<bool()> const& stop);
