#pragma once

#include "host/services/load_input.h"
#include "lwsdk/lwio.h"

#include <cstdio>
#include <string>
#include <vector>

// A load state over bytes held in memory (the body of a plug-in block cut
// out of a scene file) or over a file read as far as asked. The modes and
// the text form are described in lwsdk/lwio.h; the members do what the
// record's functions do.
class LoadState {
public:
    LoadState(std::string data, int io_mode);
    // Takes the file and closes it at the end.
    LoadState(FILE* file, char const* path, int io_mode);
    LoadState(LoadState const&) = delete;
    LoadState& operator=(LoadState const&) = delete;

    LWLoadState* state() { return &record_; }
    static LoadState& of(LWLoadState* state);

    int read(char* buf, int len);
    // Binary: whole values from the bytes. Text: numbers from the value
    // line, up to the first that is missing or does not fit `T`.
    template <class T> int read_values(T* vals, int n);
    int read_str(char* buf, int max);
    LWID read_id(LWBlockIdent const* list);
    LWID find_block(LWBlockIdent const* list);
    void end_block();

private:
    bool text() const { return record_.ioMode == LWIO_ASCII; }
    bool in_leaf() const { return !leaves_.empty() && leaves_.back(); }
    bool next_line(std::string& line);
    bool value_line();
    void line_read();
    // The next blank-separated word of the value line; false when there is
    // none.
    bool next_word(std::string& word);
    void skip_block_body();

    LoadInput input_;
    // One entry per block entered, true for a leaf.
    std::vector<bool> leaves_;
    // The line whose values are being read, and the read position in it.
    std::string line_;
    std::size_t line_pos_ = 0;
    bool has_line_ = false;
    LWLoadState record_;
};
