#include "host/panel_server/request_checks.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// Paths longer than the module's buffers are cut there; refuse them instead.
std::size_t const MAX_TEXT = 4095;

std::string hex(unsigned id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", id);
    return text;
}

RequestError bad_value(HostPanel const& panel, unsigned control, std::string const& why) {
    return RequestError(400, "\"" + panel.control(control)->label + "\" (" + hex(control) +
                                 "): " + why + "; nothing was changed");
}

std::string number_text(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

double finite_number(HostPanel const& panel, unsigned control, nlohmann::json const& value) {
    if (!value.is_number()) {
        throw bad_value(panel, control, "the value must be a number, not " + value.dump());
    }
    double const v = value.get<double>();
    if (!std::isfinite(v)) {
        throw bad_value(panel, control, "the value must be a finite number");
    }
    return v;
}

// The settings keep single-precision floats: a control without a declared
// range takes what they hold, and nothing becomes infinite on saving.
void check_range(HostPanel const& panel, unsigned control, double v) {
    std::optional<PanelRange> const declared = panel.range(control);
    double const min = declared ? double(declared->min) : -double(FLT_MAX);
    double const max = declared ? double(declared->max) : double(FLT_MAX);
    if (v < min || v > max) {
        throw bad_value(panel, control,
                        number_text(v) + " is outside its range " + number_text(min) + " to " +
                            number_text(max));
    }
}

double ranged_number(HostPanel const& panel, unsigned control, nlohmann::json const& value) {
    double const v = finite_number(panel, control, value);
    check_range(panel, control, v);
    return v;
}

int whole_number(HostPanel const& panel, unsigned control, nlohmann::json const& value) {
    double const v = finite_number(panel, control, value);
    if (v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0) {
        throw bad_value(panel, control, number_text(v) + " is not a whole number");
    }
    return int(v);
}

bool inside(std::filesystem::path const& path, std::filesystem::path const& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty()) {
            continue; // a trailing separator
        }
        if (p == path.end() || *p != *f) {
            return false;
        }
    }
    return true;
}

} // namespace

unsigned value_control(HostPanel const& panel, std::string const& text) {
    char* end = nullptr;
    bool const is_hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
    unsigned long long const id =
        text.empty() ? 0 : std::strtoull(text.c_str() + (is_hex ? 2 : 0), &end, is_hex ? 16 : 10);
    bool const parsed = !text.empty() && end && *end == '\0' && text.size() <= 10;
    if (!parsed || id == 0 || id > UINT_MAX || !panel.value_kind(unsigned(id))) {
        throw RequestError(404, "the panel has no control \"" + text +
                                    "\" that holds a value; nothing was changed");
    }
    return unsigned(id);
}

PanelValue checked_value(HostPanel const& panel, unsigned control, nlohmann::json const& value) {
    PanelControl const& c = *panel.control(control);
    switch (*panel.value_kind(control)) {
    case PanelValue::REAL:
        return PanelValue::real(ranged_number(panel, control, value));
    case PanelValue::COLOR: {
        if (!value.is_array() || value.size() != 3) {
            throw bad_value(panel, control, "a colour is three numbers: red, green, blue");
        }
        return PanelValue::color(ranged_number(panel, control, value[0]),
                                 ranged_number(panel, control, value[1]),
                                 ranged_number(panel, control, value[2]));
    }
    case PanelValue::INTEGER: {
        int const v = whole_number(panel, control, value);
        std::vector<std::string> const choices = panel.choices(control);
        if (!choices.empty() && (v < 0 || std::size_t(v) >= choices.size())) {
            throw bad_value(panel, control,
                            "choice " + std::to_string(v) + " is not one of the " +
                                std::to_string(choices.size()) + " offered");
        }
        if (c.control_class == "iBoolean" && v != 0 && v != 1) {
            throw bad_value(panel, control, "a check box takes 0 or 1");
        }
        check_range(panel, control, v);
        return PanelValue::of_integer(v);
    }
    case PanelValue::TEXT:
        break;
    }
    if (!value.is_string()) {
        throw bad_value(panel, control, "the value must be a text");
    }
    std::string const text = value.get<std::string>();
    if (text.size() > MAX_TEXT) {
        throw bad_value(panel, control, "the text is longer than 4095 bytes");
    }
    if (c.control_class == "sFileName") {
        check_name(text);
    } else if (text.find('\0') != std::string::npos) {
        throw bad_value(panel, control, "the text holds a NUL byte");
    }
    return PanelValue::of_text(text);
}

bool is_keepable_name(std::string const& name) {
    for (char const c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '"') {
            return false;
        }
    }
    return true;
}

void check_name(std::string const& name) {
    if (!is_keepable_name(name)) {
        throw RequestError(400, "the name \"" + name +
                                    "\" holds a control character or a double quote, which "
                                    "settings and scenes cannot keep; nothing was changed");
    }
}

FolderGuard::FolderGuard(std::vector<std::string> const& folders) {
    for (std::string const& folder : folders) {
        std::error_code error;
        std::filesystem::path const resolved = std::filesystem::canonical(folder, error);
        if (error || !std::filesystem::is_directory(resolved)) {
            throw std::runtime_error("\"" + folder + "\" is no folder");
        }
        folders_.push_back(resolved);
    }
}

std::filesystem::path FolderGuard::resolve(std::string const& text) const {
    if (text.empty() || folders_.empty()) {
        throw RequestError(400, "no path was given");
    }
    std::filesystem::path const given(text);
    for (std::filesystem::path const& part : given) {
        if (part == "..") {
            throw RequestError(403, "the path \"" + text +
                                        "\" climbs out with \"..\"; nothing was read or written");
        }
    }
    std::error_code error;
    std::filesystem::path const resolved = std::filesystem::weakly_canonical(
        given.is_absolute() ? given : folders_.front() / given, error);
    for (std::filesystem::path const& folder : folders_) {
        if (!error && inside(resolved, folder)) {
            return resolved;
        }
    }
    std::string allowed;
    for (std::filesystem::path const& folder : folders_) {
        allowed += (allowed.empty() ? "" : ", ") + folder.string();
    }
    throw RequestError(403, "the path \"" + text +
                                "\" is outside the folders this panel may use (" + allowed +
                                "); nothing was read or written");
}
