#pragma once

#include "base/xception.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A fresh directory under the system temporary folder, removed with
// everything in it when the test ends.
class TempDir {
public:
    TempDir() : path((std::filesystem::temp_directory_path() / "orrelux-osapi-XXXXXX").string()) {
        if (!mkdtemp(path.data())) {
            throw std::filesystem::filesystem_error("mkdtemp", path, std::error_code());
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    std::string file(std::string const& name) const { return path + "/" + name; }

    std::string path;
};

inline void write_text(std::string const& path, std::string const& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_text(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The message of the StrXception that `action` raises.
template <class Action> std::string message_of(Action action) {
    try {
        action();
    } catch (StrXception const& e) {
        return static_cast<char const*>(e.message());
    }
    return "(nothing raised)";
}
