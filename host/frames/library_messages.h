#pragma once

#include <cstdarg>

// The errors and warnings an image library reports through its callbacks, in
// the order they came, kept for the message of a failure instead of going to
// standard error. Adding neither allocates nor throws, so the callbacks may
// run inside the library's C code; what does not fit is cut off.
class LibraryMessages {
public:
    // `kind` is "" for an error and "warning: " for a warning; `module`,
    // the part of the library that speaks, may be null.
    void add(char const* kind, char const* module, char const* fmt, va_list ap);
    void add(char const* kind, char const* text);

    char const* text() const { return text_; }

private:
    char text_[512] = "";
};
