#include "base/xception.h"

#include <cstdarg>
#include <cstdio>

Xception::~Xception() = default;

void Xception::display_error(char const* label, char const* text) {
    fprintf(stderr, "%s: %s\n", label, text);
}

void Xception::warning(char const* function, char const* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    String text;
    try {
        text.vsprintf(fmt, ap);
    } catch (...) {
        va_end(ap);
        throw;
    }
    va_end(ap);
    fprintf(stderr, "warning: %s in <%s>\n", static_cast<char const*>(text), function);
}

AssertXception::AssertXception(char const* expr, char const* file, char const* function, int line)
    : expr(expr), file(file), function(function), line(line) {
    snprintf(report, sizeof report, "'%s' in <%s> (%s:%d)", expr, function, file, line);
}

AssertXception::~AssertXception() = default;

void AssertXception::print() const {
    Xception::display_error("Assertion Failed", report);
}

StrXception::StrXception(char const* file, char const* function, int line, char const* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    try {
        msg.vsprintf(fmt, ap);
    } catch (...) {
        va_end(ap);
        throw;
    }
    va_end(ap);
    msg += String::fmt(" in <%s> (%s:%d)", function, file, line);
}

StrXception::~StrXception() = default;

void StrXception::print() const {
    Xception::display_error("Error", msg);
}
