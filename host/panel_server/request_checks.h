#pragma once

#include "host/services/panel.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

// A request the page server refuses: the HTTP status and the sentence the
// user reads. Nothing has been changed when one is thrown.
class RequestError : public std::runtime_error {
public:
    RequestError(int status, std::string const& message)
        : std::runtime_error(message), status(status) {}
    int status;
};

// A control ID as the page writes it: "0x8001" or decimal. Throws 404 for
// text that names no control of `panel` holding a value.
unsigned value_control(HostPanel const& panel, std::string const& text);

// The value a page sends for `control`, checked against what the control
// takes: a finite number inside its range (a float control without one
// takes what single precision holds), a whole number for integers,
// one of its choices, 0 or 1 for a check box, three finite numbers for a
// colour, a text without NUL bytes, a file name as check_name takes it.
// Throws 400 naming the control.
PanelValue checked_value(HostPanel const& panel, unsigned control, nlohmann::json const& value);

// A file name from the page, kept in settings and scenes between double
// quotes on a line of its own. Throws 400 for a control character (a line
// end among them) or a double quote, which could not be read back as given.
void check_name(std::string const& name);
bool is_keepable_name(std::string const& name);

// The folders a command was given; paths from the page must lie inside one.
class FolderGuard {
public:
    // Each folder must exist; throws std::runtime_error otherwise.
    explicit FolderGuard(std::vector<std::string> const& folders);

    // The absolute, resolved path of `text`, relative paths taken from the
    // first folder. Throws 403 for a path with a ".." part or one that leads
    // outside every folder (through symbolic links too), 400 for an empty one.
    std::filesystem::path resolve(std::string const& text) const;
    std::vector<std::filesystem::path> const& folders() const { return folders_; }

private:
    std::vector<std::filesystem::path> folders_;
};
