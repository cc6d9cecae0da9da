#pragma once

#include <cstddef>
#include <string>

// A one-line progress counter on standard error, shown only when standard
// error is a terminal so that logs and build output stay clean.
class Progress {
public:
    Progress(std::string label, size_t total);
    Progress(Progress const&) = delete;
    Progress& operator=(Progress const&) = delete;
    ~Progress();

    void update(size_t done);

private:
    std::string label;
    size_t total;
    int shown_percent = -1;
    bool enabled;
};
