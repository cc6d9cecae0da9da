#include "host/scene/scene_lines.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

std::string located(std::string const& path, int line, std::string const& reason) {
    return line > 0 ? path + ":" + std::to_string(line) + ": " + reason : path + ": " + reason;
}

std::string amount(std::size_t count, std::string const& noun) {
    return count == 1 ? "a " + noun : std::to_string(count) + " " + noun + "s";
}

} // namespace

SceneFileError::SceneFileError(std::string const& path, int line, std::string const& reason)
    : message_(located(path, line, reason)), line_(line) {}

void SceneFileError::print() const {
    Xception::display_error("Error", message_.c_str());
}

SceneLines::SceneLines(std::string text, std::string path)
    : text_(std::move(text)), path_(std::move(path)) {}

bool SceneLines::next() {
    keyword_.clear();
    rest_.clear();
    start_ = end_;
    if (end_ >= text_.size()) {
        return false;
    }
    std::size_t newline = text_.find('\n', start_);
    std::size_t e = newline == std::string::npos ? text_.size() : newline;
    end_ = newline == std::string::npos ? e : e + 1;
    number_++;
    std::size_t b = start_;
    while (e > b && (blank(text_[e - 1]) || text_[e - 1] == '\r')) {
        e--;
    }
    while (b < e && blank(text_[b])) {
        b++;
    }
    std::size_t k = b;
    while (k < e && !blank(text_[k])) {
        k++;
    }
    keyword_ = text_.substr(b, k - b);
    rest_ = k < e ? text_.substr(k + 1, e - k - 1) : std::string();
    return true;
}

std::string SceneLines::text_since(std::size_t from) const {
    return text_.substr(from, start_ - from);
}

void SceneLines::skip_block() {
    int opened = number_;
    for (int depth = 1; depth > 0;) {
        if (!next()) {
            fail("the file ends inside the block opened on line " + std::to_string(opened));
        }
        depth += opens_block() ? 1 : closes_block() ? -1 : 0;
    }
}

void SceneLines::fail(std::string const& reason) const {
    fail_at(number_, reason);
}

void SceneLines::fail_at(int line, std::string const& reason) const {
    throw SceneFileError(path_, line, reason);
}

std::string SceneLines::written() const {
    return rest_.empty() ? keyword_ : keyword_ + " " + rest_;
}

std::vector<std::string> SceneLines::words() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < rest_.size();) {
        std::size_t j = i;
        while (j < rest_.size() && !blank(rest_[j])) {
            j++;
        }
        if (j > i) {
            out.push_back(rest_.substr(i, j - i));
        }
        i = j + 1;
    }
    return out;
}

double SceneLines::parse_number(std::string const& word) const {
    char* end = nullptr;
    double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || !std::isfinite(v)) {
        fail(keyword_ + " \"" + word + "\" is not a number");
    }
    return v;
}

long SceneLines::parse_integer(std::string const& word) const {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE) {
        fail(keyword_ + " \"" + word + "\" is not a whole number");
    }
    return v;
}

std::vector<double> SceneLines::numbers(std::size_t count) const {
    std::vector<std::string> w = words();
    if (w.size() != count) {
        fail(written() + ": takes " + amount(count, "number") + ", not " +
             std::to_string(w.size()));
    }
    std::vector<double> out;
    for (std::string const& word : w) {
        out.push_back(parse_number(word));
    }
    return out;
}

double SceneLines::number_value() const {
    return numbers(1)[0];
}

std::vector<long> SceneLines::integers(std::size_t count) const {
    std::vector<std::string> w = words();
    if (w.size() != count) {
        fail(written() + ": takes " + amount(count, "whole number") + ", not " +
             std::to_string(w.size()));
    }
    std::vector<long> out;
    for (std::string const& word : w) {
        out.push_back(parse_integer(word));
    }
    return out;
}

long SceneLines::integer() const {
    return integers(1)[0];
}

long SceneLines::lone_integer(std::string const& what) const {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(keyword_.c_str(), &end, 10);
    if (keyword_.empty() || *end != '\0' || errno == ERANGE || !rest_.empty()) {
        fail("expected " + what + ", not \"" + (rest_.empty() ? keyword_ : keyword_ + " " + rest_) +
             "\"");
    }
    return v;
}

std::uint32_t SceneLines::item_id(std::string const& word) const {
    bool hex = !word.empty() && word.size() <= 8;
    for (char c : word) {
        hex = hex && std::isxdigit(static_cast<unsigned char>(c));
    }
    if (!hex) {
        fail(keyword_ + " \"" + word + "\" is not an item ID");
    }
    return static_cast<std::uint32_t>(std::strtoul(word.c_str(), nullptr, 16));
}
