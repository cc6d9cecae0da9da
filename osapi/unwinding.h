#pragma once

#include "base/xception.h"

#include <exception>

namespace OSAPI {

// A destructor that throws while another exception unwinds the stack ends the
// program, so a failure then only becomes a warning; otherwise it propagates.
template <class Step> void finish_in_destructor(char const* function, Step step) {
    if (std::uncaught_exceptions() == 0) {
        step();
        return;
    }
    try {
        step();
    } catch (StrXception const& e) {
        Xception::warning(function, "%s", static_cast<char const*>(e.message()));
    }
}

} // namespace OSAPI
