#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The bytes under a load state: held in memory, or read from a file only as
// far as they are asked for, so that probing the header of a large file
// reads little more than the header.
class LoadInput {
public:
    explicit LoadInput(std::string data);
    // Takes the file and closes it at the end; `path` names it in reports.
    LoadInput(FILE* file, std::string path);
    LoadInput(LoadInput const&) = delete;
    LoadInput& operator=(LoadInput const&) = delete;
    ~LoadInput();

    // Up to `n` bytes; fewer only at the end of the data.
    std::size_t read(char* dst, std::size_t n);
    // The bytes before the next `stop`, or before the end of the data;
    // `stop` is taken but not given. False when no byte is left.
    bool read_until(char stop, std::string& out);
    // Gives the bytes of the last read_until back; after a read it does
    // nothing.
    void unread() { pos_ = mark_; }

private:
    // Appends the next piece of the file to the buffer, first dropping what
    // can no longer be given back; false at the end of the file.
    bool fetch();
    std::size_t buffered() const { return start_ + buffer_.size() - pos_; }
    char const* next() const { return buffer_.data() + (pos_ - start_); }

    std::string buffer_;
    // Offsets in the data of buffer_[0], of the next byte, and of the first
    // byte that unread gives back.
    std::size_t start_ = 0;
    std::size_t pos_ = 0;
    std::size_t mark_ = 0;
    FILE* file_ = nullptr;
    std::string path_;
};
