#include "tests/support/temp_folder.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace {

// As mkdtemp makes them, which Windows lacks: six random letters and digits,
// tried until a name is free.
std::string fresh_folder(std::string const& prefix) {
    char const letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof letters - 2);
    std::filesystem::path const temp = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; attempt++) {
        std::string name = prefix;
        for (int i = 0; i < 6; i++) {
            name += letters[letter(pick)];
        }
        std::filesystem::path folder = temp / name;
        std::error_code error;
        if (std::filesystem::create_directory(folder, error)) {
            return std::filesystem::canonical(folder).string();
        }
        if (error) {
            throw std::system_error(error, "making folder " + folder.string());
        }
    }
    throw std::system_error(std::make_error_code(std::errc::file_exists),
                            "no free folder name under " + temp.string());
}

} // namespace

TempFolder::TempFolder(std::string const& prefix) : path(fresh_folder(prefix)) {}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempFolder::file(std::string const& name) const {
    return path + "/" + name;
}
