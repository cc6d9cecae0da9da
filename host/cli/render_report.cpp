#include "host/cli/render_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>
#include <utility>

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
    std::string const temporary = path + ".inprogress";
    std::filesystem::path const folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::create_directories(folder, error) && error) {
        throw std::runtime_error("cannot write the report \"" + path + "\": " + error.message());
    }
    auto fail = [&](char const* what) {
        std::string const why = strerror(errno);
        ::unlink(temporary.c_str());
        throw std::runtime_error("cannot write the report \"" + path + "\": " + what + ": " + why);
    };
    int const fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail("open");
    }
    for (size_t done = 0; done < text.size();) {
        ssize_t const n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::close(fd);
            fail("write");
        }
        done += size_t(n);
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        fail("fsync");
    }
    if (::close(fd) != 0) {
        fail("close");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        fail("rename");
    }
}
