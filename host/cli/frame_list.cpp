#include "host/cli/frame_list.h"

#include "base/xception.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>
#include <sstream>

namespace {

char const* const UNIT = "host/cli/frame_list";

[[noreturn]] void bad_item(std::string const& item, char const* why) {
    throw LOCATED_XCEPTION("frame list item \"%s\": %s", item.c_str(), why);
}

// Reads a signed integer at `pos`, moving past it.
int read_int(std::string const& item, size_t& pos) {
    char const* start = item.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(start, &end, 10);
    if (end == start || (*start != '-' && (*start < '0' || *start > '9'))) {
        bad_item(item, "expected a frame number");
    }
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        bad_item(item, "frame number out of range");
    }
    pos += size_t(end - start);
    return int(value);
}

void add_item(std::string const& item, std::vector<int>& frames, std::set<int>& seen) {
    if (item.empty()) {
        bad_item(item, "empty item");
    }
    size_t pos = 0;
    int const first = read_int(item, pos);
    int last = first;
    int step = 1;
    if (pos < item.size() && item[pos] == '-') {
        last = read_int(item, ++pos);
        if (last < first) {
            bad_item(item, "the range ends before it starts");
        }
        if (pos < item.size() && item[pos] == ':') {
            step = read_int(item, ++pos);
            if (step < 1) {
                bad_item(item, "the step must be at least 1");
            }
        }
    }
    if (pos != item.size()) {
        bad_item(item, "expected N, A-B or A-B:STEP");
    }
    for (int frame : frame_range(first, last, step)) {
        if (seen.insert(frame).second) {
            frames.push_back(frame);
        }
    }
}

} // namespace

std::vector<int> parse_frame_list(std::string const& text) {
    std::vector<int> frames;
    std::set<int> seen;
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        add_item(item, frames, seen);
    }
    if (frames.empty()) {
        throw LOCATED_XCEPTION("the frame list \"%s\" names no frame", text.c_str());
    }
    return frames;
}

std::vector<int> frame_range(int first, int last, int step) {
    std::vector<int> frames;
    for (long long frame = first; frame <= last; frame += step > 0 ? step : 1) {
        frames.push_back(int(frame));
    }
    return frames;
}
