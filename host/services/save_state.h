#pragma once

#include "lwsdk/lwio.h"

#include <cstddef>
#include <string>
#include <vector>

// A save state that collects what is written in memory; file_io writes it to
// a file when the state is closed, a scene writer into a plug-in block. The
// modes and the text form are described in lwsdk/lwio.h; the members do what
// the record's functions do.
class SaveState {
public:
    explicit SaveState(int io_mode);
    SaveState(SaveState const&) = delete;
    SaveState& operator=(SaveState const&) = delete;
    virtual ~SaveState();

    LWSaveState* state() { return &record_; }
    static SaveState& of(LWSaveState* state);
    // Everything written so far; in text form, blocks still open are not yet
    // closed.
    std::string const& data() const { return data_; }

    void write(char const* buf, int len);
    // Binary: each value's bytes, most significant first. Text: the numbers,
    // blank-separated; signed integers decimal, unsigned ones hexadecimal.
    template <class T> void write_values(T const* vals, int n);
    void write_str(char const* str);
    void write_id(LWBlockIdent const* ident);
    void begin_block(LWBlockIdent const* ident, int leaf);
    void end_block();

private:
    enum class Open { NESTED, LEAF, LEAF_LINE_ENDED };

    bool text() const { return record_.ioMode == LWIO_ASCII; }
    void begin_value();
    void end_value();
    void indent();
    void append_line_text(char const* text, std::size_t len);
    template <class T> void append_number(T v);

    std::string data_;
    std::vector<Open> open_;
    LWSaveState record_;
};
