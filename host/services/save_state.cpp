#include "host/services/save_state.h"

#include "host/services/big_endian.h"

#include <cstdio>
#include <type_traits>

namespace {

SaveState& self(void* data) {
    return *static_cast<SaveState*>(data);
}

void write(void* data, char const* buf, int len) {
    self(data).write(buf, len);
}
// A char of I1 is signed whatever the platform's char is.
void write_i1(void* data, char const* vals, int n) {
    self(data).write_values(reinterpret_cast<signed char const*>(vals), n);
}
template <class T> void write_typed(void* data, T const* vals, int n) {
    self(data).write_values(vals, n);
}
void write_str(void* data, char const* str) {
    self(data).write_str(str);
}
void write_id(void* data, LWBlockIdent const* ident) {
    self(data).write_id(ident);
}
void begin_block(void* data, LWBlockIdent const* ident, int leaf) {
    self(data).begin_block(ident, leaf);
}
void end_block(void* data) {
    self(data).end_block();
}

// The token that stands for a block ID in text form: the ident's own, or
// else the ID's four characters.
std::string token_of(LWBlockIdent const* ident) {
    if (ident->token) {
        return ident->token;
    }
    std::string token;
    for (int shift = 24; shift >= 0; shift -= 8) {
        token += char((ident->id >> shift) & 0xFF);
    }
    return token;
}

} // namespace

SaveState::SaveState(int io_mode)
    : record_{io_mode,
              this,
              ::write,
              write_i1,
              write_typed<short>,
              write_typed<int>,
              write_typed<unsigned char>,
              write_typed<unsigned short>,
              write_typed<unsigned int>,
              write_typed<float>,
              ::write_str,
              ::write_id,
              ::begin_block,
              ::end_block} {}

SaveState::~SaveState() = default;

SaveState& SaveState::of(LWSaveState* state) {
    return self(state->writeData);
}

void SaveState::indent() {
    for (Open open : open_) {
        if (open == Open::NESTED) {
            data_ += "  ";
        }
    }
}

// Inside a leaf the values follow the token on its line; elsewhere each
// write call makes a line of its own.
void SaveState::begin_value() {
    if (!open_.empty() && open_.back() == Open::LEAF) {
        data_ += ' ';
    } else {
        indent();
    }
}

void SaveState::end_value() {
    if (open_.empty() || open_.back() != Open::LEAF) {
        data_ += '\n';
    }
}

// A line break would end the line early; the text form has no escape for it.
void SaveState::append_line_text(char const* text, std::size_t len) {
    for (std::size_t i = 0; i < len; i++) {
        data_ += text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
    }
}

void SaveState::write(char const* buf, int len) {
    if (len < 0) {
        return;
    }
    if (!text()) {
        data_.append(buf, std::size_t(len));
        return;
    }
    begin_value();
    append_line_text(buf, std::size_t(len));
    end_value();
}

template <class T> void SaveState::write_values(T const* vals, int n) {
    if (n <= 0) {
        return;
    }
    if (!text()) {
        for (int i = 0; i < n; i++) {
            unsigned char bytes[sizeof(T)];
            put_big_endian(vals[i], bytes);
            data_.append(reinterpret_cast<char const*>(bytes), sizeof bytes);
        }
        return;
    }
    begin_value();
    for (int i = 0; i < n; i++) {
        if (i) {
            data_ += ' ';
        }
        append_number(vals[i]);
    }
    end_value();
}

// Nine significant digits bring every float back bit-exact.
template <class T> void SaveState::append_number(T v) {
    char number[32];
    if constexpr (std::is_floating_point_v<T>) {
        snprintf(number, sizeof number, "%.9g", double(v));
    } else if constexpr (std::is_signed_v<T>) {
        snprintf(number, sizeof number, "%d", int(v));
    } else {
        snprintf(number, sizeof number, "%X", unsigned(v));
    }
    data_ += number;
}

void SaveState::write_str(char const* str) {
    std::string s = str ? str : "";
    if (!text()) {
        data_.append(s.c_str(), s.size() + 1);
        return;
    }
    begin_value();
    data_ += '"';
    append_line_text(s.data(), s.size());
    data_ += '"';
    end_value();
}

void SaveState::write_id(LWBlockIdent const* ident) {
    if (!ident) {
        return;
    }
    if (!text()) {
        unsigned char bytes[4];
        put_big_endian(ident->id, bytes);
        data_.append(reinterpret_cast<char const*>(bytes), sizeof bytes);
        return;
    }
    begin_value();
    data_ += token_of(ident);
    end_value();
}

void SaveState::begin_block(LWBlockIdent const* ident, int leaf) {
    if (!text() || !ident) {
        return;
    }
    // A leaf holds values only; a block begun inside one goes on a line of
    // its own.
    if (!open_.empty() && open_.back() == Open::LEAF) {
        data_ += '\n';
        open_.back() = Open::LEAF_LINE_ENDED;
    }
    std::string token = token_of(ident);
    indent();
    if (leaf) {
        data_ += token;
        open_.push_back(Open::LEAF);
    } else {
        data_ += "{ " + token + "\n";
        open_.push_back(Open::NESTED);
    }
}

void SaveState::end_block() {
    if (!text() || open_.empty()) {
        return;
    }
    Open open = open_.back();
    open_.pop_back();
    if (open == Open::LEAF) {
        data_ += '\n';
    } else if (open == Open::NESTED) {
        indent();
        data_ += "}\n";
    }
}
