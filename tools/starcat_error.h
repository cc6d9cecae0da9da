#pragma once

#include "base/xception.h"

#include <string>

// A bad catalogue, database or command-line value. The message is complete
// for the user: it names the file and, for catalogue lines, the line number.
class StarcatError : public Xception {
public:
    explicit StarcatError(std::string text);
    ~StarcatError() override;
    void print() const override;

    std::string const& message() const { return text; }

private:
    std::string text;
};
