#include "host/scene/scene_block.h"

#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

// A line's blank-separated words, without its line end.
std::vector<std::string> words_of(std::string const& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

std::string without_line_end(std::string const& scene, std::size_t from, std::size_t to) {
    while (to > from && (scene[to - 1] == '\n' || scene[to - 1] == '\r')) {
        to--;
    }
    return scene.substr(from, to - from);
}

} // namespace

std::string with_filter_block(std::string const& scene, int position, std::string const& body) {
    std::vector<std::string> const opening = {"Plugin", "ImageFilterHandler",
                                              std::to_string(position), "Orrelux"};
    std::size_t body_start = std::string::npos;
    for (std::size_t at = 0; at < scene.size();) {
        std::size_t const end = scene.find('\n', at);
        std::size_t const next = end == std::string::npos ? scene.size() : end + 1;
        std::string const line = without_line_end(scene, at, next);
        if (body_start == std::string::npos) {
            if (words_of(line) == opening) {
                body_start = next;
            }
        } else if (line == "EndPlugin") {
            std::string text = body;
            if (!text.empty() && text.back() != '\n') {
                text += '\n';
            }
            return scene.substr(0, body_start) + text + scene.substr(at);
        }
        at = next;
    }
    throw std::runtime_error(body_start == std::string::npos
                                 ? "the scene has no Orrelux image filter in place " +
                                       std::to_string(position)
                                 : "the scene's Orrelux block has no EndPlugin line");
}
