#include "tools/catalogue_lines.h"
#include "tools/conversions.h"

#include <cmath>
#include <cstdlib>

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// strtod alone would also take "nan", "inf" and hexadecimal numbers.
bool is_decimal_text(std::string_view text) {
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') {
            return false;
        }
    }
    return digit;
}

} // namespace

std::string_view field(std::string_view line, size_t begin, size_t end) {
    if (begin >= line.size()) {
        return {};
    }
    return line.substr(begin, end - begin);
}

std::optional<double> parse_number(std::string_view text, char const* what) {
    std::string const trimmed(trim(text));
    if (trimmed.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    double const value = is_decimal_text(trimmed) ? std::strtod(trimmed.c_str(), &end) : NAN;
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value)) {
        throw BadLine{std::string("bad ") + what + " \"" + trimmed + "\""};
    }
    return value;
}

double require_number(std::string_view text, char const* what) {
    std::optional<double> const value = parse_number(text, what);
    if (!value) {
        throw BadLine{std::string("missing ") + what};
    }
    return *value;
}

std::optional<double> parse_magnitude(std::string_view text) {
    std::optional<double> const value = parse_number(text, "magnitude");
    if (value && (*value < MIN_MAGNITUDE || *value > MAX_MAGNITUDE)) {
        throw BadLine{"magnitude out of range \"" + std::string(trim(text)) + "\" (" +
                      std::to_string(int(MIN_MAGNITUDE)) + " to " +
                      std::to_string(int(MAX_MAGNITUDE)) + ")"};
    }
    return value;
}

double require_magnitude(std::string_view text) {
    std::optional<double> const value = parse_magnitude(text);
    if (!value) {
        throw BadLine{"missing magnitude"};
    }
    return *value;
}

std::vector<std::string> split_csv(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}
