#pragma once

#include <filesystem>
#include <string>

// A catalogue extract of tests/tools/data.
inline std::string data_file(char const* name) {
    return std::string(TOOLS_TEST_DATA) + "/" + name;
}

// A fresh empty folder, removed with everything in it at the end of scope.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "starcat-XXXXXX").string();
        path = mkdtemp(&pattern[0]);
    }
    ScratchFolder(ScratchFolder const&) = delete;
    ScratchFolder& operator=(ScratchFolder const&) = delete;
    ~ScratchFolder() { std::filesystem::remove_all(path); }

    std::string file(char const* name) const { return path + "/" + name; }

    std::string path;
};
