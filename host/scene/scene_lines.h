#pragma once

#include "base/xception.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A scene file that cannot be read: "path:line: reason", or "path: reason"
// when no one line is at fault.
class SceneFileError : public Xception {
public:
    SceneFileError(std::string const& path, int line, std::string const& reason);
    char const* what() const noexcept override { return message_.c_str(); }
    void print() const override;

    // 0 when no one line is at fault.
    int line() const { return line_; }

private:
    std::string message_;
    int line_;
};

// A scene file's text taken one statement line at a time: a keyword, then
// values separated by spaces. Line ends may be CRLF or LF; indentation and
// trailing blanks are not part of a statement.
class SceneLines {
public:
    SceneLines(std::string text, std::string path);

    // Moves to the next line; false at the end of the text.
    bool next();
    // 1-based; the last line once the text has ended.
    int number() const { return number_; }
    std::string const& keyword() const { return keyword_; }
    // Everything after the keyword and its space, as names and paths need.
    std::string const& rest() const { return rest_; }
    // The statement as written, without its indentation.
    std::string written() const;
    // Where the current line starts in the text, and the text from such a
    // start up to the current line, byte for byte.
    std::size_t start() const { return start_; }
    std::string text_since(std::size_t from) const;
    bool opens_block() const { return keyword_ == "{"; }
    bool closes_block() const { return keyword_ == "}"; }
    // Moves past the end of the block whose opening line is current.
    void skip_block();

    [[noreturn]] void fail(std::string const& reason) const;
    [[noreturn]] void fail_at(int line, std::string const& reason) const;

    // The values after the keyword; each fails naming the keyword when the
    // line does not hold what is asked.
    std::vector<std::string> words() const;
    double number_value() const;
    std::vector<double> numbers(std::size_t count) const;
    long integer() const;
    // A line that is one whole number and nothing else; `what` names it.
    long lone_integer(std::string const& what) const;
    std::vector<long> integers(std::size_t count) const;
    // An item ID: up to eight hex digits, either case.
    std::uint32_t item_id(std::string const& word) const;

private:
    double parse_number(std::string const& word) const;
    long parse_integer(std::string const& word) const;

    std::string text_;
    std::string path_;
    std::size_t start_ = 0; // of the current line
    std::size_t end_ = 0;   // just past the current line's end
    int number_ = 0;
    std::string keyword_;
    std::string rest_;
};
