#pragma once

#include "base/xception.h"

#include <string>

// A bad catalogue, database or command-line value. The message is complete
// for the user: it names the file and, for catalogue lines, the line number.
class StarcatError : public Xception {
public:
    explicit StarcatError(std::string text);
    ~StarcatError() override;
    char const* what() const noexcept override { return text.c_str(); }
    void print() const override;

private:
    std::string text;
};
