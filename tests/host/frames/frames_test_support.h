#pragma once

#include "host/frames/frame_image.h"
#include "base/xception.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

// A fresh folder under the system temporary folder, removed with everything
// in it when the test ends.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "frames-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    TempFolder(TempFolder const&) = delete;
    TempFolder& operator=(TempFolder const&) = delete;
    ~TempFolder() { std::filesystem::remove_all(path); }

    std::string file(std::string const& name) const { return path + "/" + name; }

    // The names in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (auto const& entry : std::filesystem::directory_iterator(path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string path;
};

inline std::string file_bytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void put_file_bytes(std::string const& path, std::string const& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The message of the StrXception that `call` raises, or "nothing raised".
inline std::string message_of(std::function<void()> const& call) {
    try {
        call();
    } catch (StrXception const& e) {
        return static_cast<char const*>(e.message());
    }
    return "nothing raised";
}

// A frame whose every pixel differs from its neighbours: colour ramps across
// and down, alpha from 0 to 1, so a flipped, shifted or swapped channel shows.
inline FrameImage ramp_frame(int width, int height) {
    FrameImage frame(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float* p = frame.pixel(x, y);
            p[0] = float(x) / float(width - 1);
            p[1] = float(y) / float(height - 1);
            p[2] = float(x + y * width) / float(width * height - 1);
            p[3] = 1.0f - p[2];
        }
    }
    return frame;
}
