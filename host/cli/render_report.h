#pragma once

#include "host/cli/frame_chunk.h"
#include "host/render/frame_result.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <set>
#include <string>
#include <vector>

// What one run of the renderer did with its frames, for a farm to gather:
// the frames written (with the seconds each took), those that failed (with
// why), those skipped because their file was already there, and those the
// run never finished because it was stopped.
class RenderReport {
public:
    RenderReport(std::string scene, std::string output);

    void set_chunk(FrameChunk chunk) { chunk_ = chunk; }
    // The frames this run is responsible for, skipped ones included.
    void set_frames(std::vector<int> frames);
    void add_skipped(int frame);
    void add(FrameResult const& result);
    // Why the run ended before it could render anything.
    void set_error(std::string message);

    size_t written() const { return written_.size(); }
    size_t failed() const { return failed_.size(); }
    size_t skipped() const { return skipped_.size(); }
    // Frames neither written, failed nor skipped: an aborted frame or one
    // never started.
    std::vector<int> not_rendered() const;

    // `exit_status` is empty while the run is going on.
    nlohmann::json json(bool interrupted, std::optional<int> exit_status) const;

private:
    std::string scene_;
    std::string output_;
    std::optional<FrameChunk> chunk_;
    std::vector<int> frames_;
    std::vector<FrameResult> written_;
    std::vector<FrameResult> failed_;
    std::vector<int> skipped_;
    std::set<int> done_;
    std::string error_;
};

// Replaces `path` with the text of `report` only once all of it is on disk,
// so that a reader finds the whole of an old or a new report, never a part.
// Makes the folder if need be. Throws StrXception naming the file.
void write_report_file(std::string const& path, nlohmann::json const& report);
