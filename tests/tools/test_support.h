#pragma once

#include "tools/starcat_error.h"
#include "libimgops/stars.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A catalogue extract of tests/tools/data.
inline std::string data_file(char const* name) {
    return std::string(TOOLS_TEST_DATA) + "/" + name;
}

inline std::string file_bytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The message of the StarcatError that read() throws.
template <typename Read> std::string error_of(Read read) {
    try {
        read();
    } catch (StarcatError const& e) {
        return e.message();
    }
    return "no error";
}

// The first star within 0.01 degree of (ra, dec) in each coordinate.
inline star star_near(std::vector<star> const& stars, double ra, double dec) {
    for (star const& s : stars) {
        if (std::fabs(s.ra - ra) < 0.01 && std::fabs(s.dec - dec) < 0.01) {
            return s;
        }
    }
    throw std::string("no star there");
}

// A fresh empty folder, removed with everything in it at the end of scope.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "starcat-XXXXXX").string();
        path = mkdtemp(&pattern[0]);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }

    std::string file(char const* name) const { return path + "/" + name; }

    std::string path;
};
