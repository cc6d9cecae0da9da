#pragma once

#include "base/xception.h"

#include <functional>
#include <string>

// A StrXception's message, an assertion as "file:line condition", or "nothing".
inline std::string raised(std::function<void()> const& call) {
    try {
        call();
    } catch (StrXception const& e) {
        return static_cast<char const*>(e.message());
    } catch (AssertXception const& e) {
        return std::string(e.file) + ":" + std::to_string(e.line) + " " + e.expr;
    }
    return "nothing";
}
