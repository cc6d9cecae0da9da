#include "host/cli/render_report.h"

#include "base/xception.h"
#include <osapi/osapi-unix.h>

#include <filesystem>
#include <utility>

namespace {

char const* const UNIT = "host/cli/render_report";
int const WRITE_ONLY = 2;

} // namespace

RenderReport::RenderReport(std::string scene, std::string output)
    : scene_(std::move(scene)), output_(std::move(output)) {}

void RenderReport::set_frames(std::vector<int> frames) {
    frames_ = std::move(frames);
}

void RenderReport::add_skipped(int frame) {
    skipped_.push_back(frame);
    done_.insert(frame);
}

void RenderReport::add(FrameResult const& result) {
    if (result.status == FrameResult::WRITTEN) {
        written_.push_back(result);
    } else if (result.status == FrameResult::FAILED) {
        failed_.push_back(result);
    } else {
        return;
    }
    done_.insert(result.frame);
}

void RenderReport::set_error(std::string message) {
    error_ = std::move(message);
}

std::vector<int> RenderReport::not_rendered() const {
    std::vector<int> left;
    for (int frame : frames_) {
        if (done_.count(frame) == 0) {
            left.push_back(frame);
        }
    }
    return left;
}

nlohmann::json RenderReport::json(bool interrupted, std::optional<int> exit_status) const {
    using nlohmann::json;
    json written = json::array(), failed = json::array();
    double seconds = 0;
    for (FrameResult const& r : written_) {
        written.push_back({{"frame", r.frame}, {"file", r.detail}, {"seconds", r.seconds}});
        seconds += r.seconds;
    }
    for (FrameResult const& r : failed_) {
        failed.push_back({{"frame", r.frame}, {"message", r.detail}, {"seconds", r.seconds}});
    }
    std::vector<int> const left = not_rendered();
    json report = {
        {"scene", scene_},
        {"output", output_},
        {"chunk", chunk_ ? json{{"index", chunk_->index}, {"count", chunk_->count}} : json()},
        {"frames", frames_},
        {"written", written},
        {"failed", failed},
        {"skipped", skipped_},
        {"not_rendered", left},
        {"seconds_per_frame", written_.empty() ? json() : json(seconds / written_.size())},
        {"interrupted", interrupted},
        // Every frame of the share is on disk: nothing to render again.
        {"complete", exit_status && error_.empty() && failed_.empty() && left.empty()},
        {"exit_status", exit_status ? json(*exit_status) : json()},
    };
    if (!error_.empty()) {
        report["error"] = error_;
    }
    return report;
}

void write_report_file(std::string const& path, nlohmann::json const& report) {
    std::string const text = report.dump(2) + "\n";
    std::filesystem::path const folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::create_directories(folder, error) && error) {
        throw LOCATED_XCEPTION("cannot write the report \"%s\": %s", path.c_str(),
                               error.message().c_str());
    }
    try {
        OSAPI::AtomicFileWrite out(path.c_str(), WRITE_ONLY);
        // Closed before the temporary's destructor removes an unfinished file.
        OSAPI::FileDescriptor descriptor(out.fd);
        OSAPI::write(out.fd, text.data(), text.size());
        // A failed flush or close still stops the rename.
        OSAPI::sync(out.fd);
        descriptor.close();
        out.complete_nosync();
    } catch (StrXception const& e) {
        throw LOCATED_XCEPTION("cannot write the report \"%s\": %s", path.c_str(), e.what());
    }
}
