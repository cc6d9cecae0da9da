#pragma once

#include "lwsdk/lwio.h"

#include <cstddef>
#include <string>
#include <vector>

// A load state over bytes held in memory: a whole file, or the body of a
// plug-in block cut out of a scene file. The modes and the text form are
// described in lwsdk/lwio.h; the members do what the record's functions do.
class LoadState {
public:
    LoadState(std::string data, int io_mode);
    LoadState(LoadState const&) = delete;
    LoadState& operator=(LoadState const&) = delete;

    LWLoadState* state() { return &record_; }
    static LoadState& of(LWLoadState* state);

    int read(char* buf, int len);
    int read_i4(int* vals, int n);
    int read_fp(float* vals, int n);
    int read_str(char* buf, int max);
    LWID find_block(LWBlockIdent const* list);
    void end_block();

private:
    bool text() const { return record_.ioMode == LWIO_ASCII; }
    bool in_leaf() const { return !leaves_.empty() && leaves_.back(); }
    bool next_line(std::string& line);
    bool value_line();
    void line_read();
    void skip_block_body();
    // Binary: whole values from the bytes. Text: numbers from the value line.
    template <class T> int read_values(T* vals, int n);

    std::string data_;
    // Binary: the next byte. Text: the start of the next unread line.
    std::size_t pos_ = 0;
    // One entry per block entered, true for a leaf.
    std::vector<bool> leaves_;
    // The line whose values are being read, and the read position in it.
    std::string line_;
    std::size_t line_pos_ = 0;
    bool has_line_ = false;
    LWLoadState record_;
};
