#include "host/services/load_input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Large enough that a text line rarely spans two pieces, small beside any
// database.
std::size_t const PIECE = 64 * 1024;

} // namespace

LoadInput::LoadInput(std::string data) : buffer_(std::move(data)) {}

LoadInput::LoadInput(FILE* file, std::string path) : file_(file), path_(std::move(path)) {}

LoadInput::~LoadInput() {
    if (file_) {
        fclose(file_);
    }
}

// The host's read functions have no way to report; a failed read ends the
// data and is shown on standard error.
bool LoadInput::fetch() {
    if (!file_) {
        return false;
    }
    buffer_.erase(0, mark_ - start_);
    start_ = mark_;
    std::size_t kept = buffer_.size();
    buffer_.resize(kept + PIECE);
    std::size_t got = fread(&buffer_[kept], 1, PIECE, file_);
    buffer_.resize(kept + got);
    if (got < PIECE) {
        if (ferror(file_)) {
            fprintf(stderr, "host error: reading %s failed: %s\n", path_.c_str(), strerror(errno));
        }
        fclose(file_);
        file_ = nullptr;
    }
    return got > 0;
}

std::size_t LoadInput::read(char* dst, std::size_t n) {
    std::size_t done = 0;
    for (;;) {
        mark_ = pos_;
        if (done == n || (buffered() == 0 && !fetch())) {
            return done;
        }
        std::size_t take = std::min(n - done, buffered());
        memcpy(dst + done, next(), take);
        pos_ += take;
        done += take;
    }
}

bool LoadInput::read_until(char stop, std::string& out) {
    mark_ = pos_;
    std::size_t searched = 0;
    void const* found = nullptr;
    while (!(found = memchr(next() + searched, stop, buffered() - searched))) {
        searched = buffered();
        if (!fetch()) {
            break;
        }
    }
    std::size_t length = found ? std::size_t(static_cast<char const*>(found) - next()) : buffered();
    if (!found && length == 0) {
        return false;
    }
    out.assign(next(), length);
    pos_ += found ? length + 1 : length;
    return true;
}
