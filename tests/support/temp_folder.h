#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything
// in it at the end of scope. Tests write here, never into the build tree. The
// path is resolved, as a module resolves the folder it was loaded from.
class TempFolder {
public:
    // Throws std::system_error when the folder cannot be made.
    explicit TempFolder(std::string const& prefix = "orrelux-test-");
    TempFolder(TempFolder const&) = delete;
    TempFolder& operator=(TempFolder const&) = delete;
    ~TempFolder();

    std::string file(std::string const& name) const;

    std::string path;
};
