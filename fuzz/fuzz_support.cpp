#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

void fuzz_property_failed(char const* property, char const* file, int line) {
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::abort();
}

uint8_t FuzzBytes::byte() {
    if (size == 0) {
        return 0;
    }
    size--;
    return *data++;
}

unsigned FuzzBytes::pick(unsigned count) {
    return byte() % count;
}

double FuzzBytes::in_range(double low, double high) {
    return low + (high - low) * byte() / 255.0;
}

std::string FuzzBytes::rest() {
    std::string text(reinterpret_cast<char const*>(data), size);
    data += size;
    size = 0;
    return text;
}

namespace {

struct PrivateFolder {
    PrivateFolder() {
        // Files are written and synced on every run: memory-backed when it can be.
        std::filesystem::path const base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = base / "orrelux-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("orrelux fuzz: cannot make a temporary folder");
            std::abort();
        }
        path = pattern;
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

} // namespace

std::string fuzz_folder() {
    static PrivateFolder const folder;
    return folder.path;
}

std::string fuzz_file(std::string const& name, std::string const& contents) {
    std::string const path = fuzz_folder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "orrelux fuzz: cannot write %s\n", path.c_str());
        std::abort();
    }
    return path;
}
