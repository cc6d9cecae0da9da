#pragma once

#include "base/string.h"

// Root of every exception the project throws. Thrown by value, caught by
// reference; what() is the report's text and print() writes it to standard
// error.
class Xception {
public:
    virtual ~Xception();
    virtual char const* what() const noexcept = 0;
    virtual void print() const = 0;

    static void display_error(char const* label, char const* text);
    static void warning(char const* function, char const* fmt, ...) PRINTF_FORMAT(2, 3);
};

// A failed internal check. The texts are static literals and are not copied;
// the report is composed once, without allocating, and cut when too long.
class AssertXception : public Xception {
public:
    AssertXception(char const* expr, char const* file, char const* function, int line);
    ~AssertXception() override;
    char const* what() const noexcept override { return report; }
    void print() const override;

    char const* expr;
    char const* file;
    char const* function;
    int line;

private:
    char report[4096];
};

// An input or environment failure; the message carries its location suffix.
class StrXception : public Xception {
public:
    StrXception(char const* file, char const* function, int line, char const* fmt, ...)
        PRINTF_FORMAT(5, 6);
    ~StrXception() override;
    char const* what() const noexcept override { return msg; }
    void print() const override;

    String const& message() const { return msg; }

private:
    String msg;
};

// A StrXception located where it is raised, in the source unit that the
// raising file names UNIT.
#define LOCATED_XCEPTION(...) StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, __VA_ARGS__)

// Always-on precondition. The source unit, signature text and line are given
// explicitly because they are part of the report users and tests read.
#define XASSERT(cond, unit, function, line)                                                        \
    do {                                                                                           \
        if (!(cond))                                                                               \
            throw AssertXception(#cond, unit, function, line);                                     \
    } while (0)
