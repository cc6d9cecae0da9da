#include "tests/support/temp_folder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

TempFolder::TempFolder(std::string const& prefix)
    : path((std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string()) {
    if (!mkdtemp(path.data())) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + path);
    }
    path = std::filesystem::canonical(path).string();
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempFolder::file(std::string const& name) const {
    return path + "/" + name;
}
