#include "host/cli/frame_chunk.h"

#include "base/xception.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

char const* const UNIT = "host/cli/frame_chunk";

[[noreturn]] void bad_chunk(std::string const& text, std::string const& why) {
    throw LOCATED_XCEPTION("--chunk \"%s\": %s", text.c_str(), why.c_str());
}

// A whole number of digits only: no sign, no spaces.
int read_count(std::string const& text, std::string const& digits) {
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
        bad_chunk(text, "expected I/N, share I of N counted from 0 (e.g. 3/40)");
    }
    errno = 0;
    long const value = std::strtol(digits.c_str(), nullptr, 10);
    if (errno == ERANGE || value > INT_MAX) {
        bad_chunk(text, "the number " + digits + " is too large");
    }
    return int(value);
}

} // namespace

FrameChunk parse_frame_chunk(std::string const& text) {
    size_t const slash = text.find('/');
    if (slash == std::string::npos) {
        bad_chunk(text, "expected I/N, share I of N counted from 0 (e.g. 3/40)");
    }
    FrameChunk chunk;
    chunk.index = read_count(text, text.substr(0, slash));
    chunk.count = read_count(text, text.substr(slash + 1));
    if (chunk.count < 1) {
        bad_chunk(text, "the number of shares must be at least 1");
    }
    if (chunk.index >= chunk.count) {
        bad_chunk(text, "share " + std::to_string(chunk.index) + " does not exist: the shares of " +
                            std::to_string(chunk.count) + " are numbered 0 to " +
                            std::to_string(chunk.count - 1));
    }
    return chunk;
}

std::vector<int> frames_of_chunk(std::vector<int> const& frames, FrameChunk chunk) {
    // In 64 bits: a frame count times a share count can pass INT_MAX.
    unsigned long long const total = frames.size();
    auto const start = [&](unsigned long long share) { return share * total / chunk.count; };
    return std::vector<int>(frames.begin() + long(start(chunk.index)),
                            frames.begin() + long(start(chunk.index + 1ULL)));
}
