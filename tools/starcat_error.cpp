#include "tools/starcat_error.h"

#include <utility>

StarcatError::StarcatError(std::string text) : text(std::move(text)) {}

StarcatError::~StarcatError() = default;

void StarcatError::print() const {
    Xception::display_error("Error", text.c_str());
}
