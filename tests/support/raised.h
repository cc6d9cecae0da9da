#pragma once

#include "base/xception.h"

#include <gmock/gmock.h>

#include <string>

// What `call` raises, as text: the message of an Error (a StrXception unless
// named), a failed check as "file:line condition", or "nothing".
template <class Error = StrXception, class Call> std::string raised(Call call) {
    try {
        call();
    } catch (Error const& e) {
        return e.what();
    } catch (AssertXception const& e) {
        return std::string(e.file) + ":" + std::to_string(e.line) + " " + e.expr;
    }
    return "nothing";
}

// Matches a call that throws StrXception with a message matching `text`.
template <typename Matcher> auto throws_message(Matcher text) {
    return ::testing::Throws<StrXception>(::testing::Property(&StrXception::message, text));
}
