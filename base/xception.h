#pragma once

#include "base/string.h"

// Root of every exception the library and the plug-in throw. Thrown by value,
// caught by reference; print() writes the report to standard error.
class Xception {
public:
    virtual ~Xception();
    virtual void print() const = 0;

    static void display_error(char const* label, char const* text);
    static void warning(char const* function, char const* fmt, ...) PRINTF_FORMAT(2, 3);
};

// A failed internal check. The texts are static literals and are not copied.
class AssertXception : public Xception {
public:
    AssertXception(char const* expr, char const* file, char const* function, int line);
    ~AssertXception() override;
    void print() const override;

    char const* expr;
    char const* file;
    char const* function;
    int line;
};

// An input or environment failure; the message carries its location suffix.
class StrXception : public Xception {
public:
    StrXception(char const* file, char const* function, int line, char const* fmt, ...)
        PRINTF_FORMAT(5, 6);
    ~StrXception() override;
    void print() const override;

    String const& message() const { return msg; }

private:
    String msg;
};

// Always-on precondition. The source unit, signature text and line are given
// explicitly because they are part of the report users and tests read.
#define XASSERT(cond, unit, function, line)                                                        \
    do {                                                                                           \
        if (!(cond))                                                                               \
            throw AssertXception(#cond, unit, function, line);                                     \
    } while (0)
