#include "tests/support/text_files.h"

#include <fstream>
#include <iterator>

void write_text(std::string const& path, std::string const& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_text(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
