#include "host/services/load_state.h"

#include "host/services/big_endian.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

std::string trimmed(std::string const& line) {
    std::size_t b = 0, e = line.size();
    while (b < e && blank(line[b])) {
        b++;
    }
    while (e > b && blank(line[e - 1])) {
        e--;
    }
    return line.substr(b, e - b);
}

bool opens_block(std::string const& t) {
    return !t.empty() && t[0] == '{';
}
bool closes_block(std::string const& t) {
    return t == "}";
}

// The token of a trimmed line, and where the line's values start.
std::string token_of(std::string const& t, std::size_t& values) {
    std::size_t b = opens_block(t) ? 1 : 0;
    while (b < t.size() && blank(t[b])) {
        b++;
    }
    std::size_t e = b;
    while (e < t.size() && !blank(t[e])) {
        e++;
    }
    values = e;
    return t.substr(b, e - b);
}

LWID match(LWBlockIdent const* list, std::string const& token) {
    for (; list && list->id; list++) {
        if (list->token && token == list->token) {
            return list->id;
        }
    }
    return 0;
}

bool listed(LWBlockIdent const* list, LWID id) {
    for (; list && list->id; list++) {
        if (list->id == id) {
            return true;
        }
    }
    return false;
}

int copy_out(std::string const& text, char* buf, int max) {
    if (max <= 0) {
        return 0;
    }
    std::size_t n = text.size() < std::size_t(max - 1) ? text.size() : std::size_t(max - 1);
    memcpy(buf, text.data(), n);
    buf[n] = 0;
    return static_cast<int>(n);
}

// The number at the start of `text`: signed integers decimal, unsigned ones
// hexadecimal. False, with `v` untouched, when there is none or it does not
// fit.
template <class T> bool parse_number(char const* text, char*& end, T& v) {
    if constexpr (std::is_floating_point_v<T>) {
        float parsed = strtof(text, &end);
        if (end == text) {
            return false;
        }
        v = parsed;
    } else if constexpr (std::is_signed_v<T>) {
        errno = 0;
        long parsed = strtol(text, &end, 10);
        if (end == text || errno == ERANGE || parsed < std::numeric_limits<T>::min() ||
            parsed > std::numeric_limits<T>::max()) {
            return false;
        }
        v = static_cast<T>(parsed);
    } else {
        char const* digits = text;
        while (blank(*digits)) {
            digits++;
        }
        // strtoul would take a minus sign and negate.
        if (!isxdigit(static_cast<unsigned char>(*digits))) {
            return false;
        }
        errno = 0;
        unsigned long parsed = strtoul(digits, &end, 16);
        if (errno == ERANGE || parsed > std::numeric_limits<T>::max()) {
            return false;
        }
        v = static_cast<T>(parsed);
    }
    return true;
}

LoadState& self(void* data) {
    return *static_cast<LoadState*>(data);
}

int read(void* data, char* buf, int len) {
    return self(data).read(buf, len);
}
// A char of I1 is signed whatever the platform's char is.
int read_i1(void* data, char* vals, int n) {
    return self(data).read_values(reinterpret_cast<signed char*>(vals), n);
}
template <class T> int read_typed(void* data, T* vals, int n) {
    return self(data).read_values(vals, n);
}
int read_str(void* data, char* buf, int max) {
    return self(data).read_str(buf, max);
}
LWID read_id(void* data, LWBlockIdent const* list) {
    return self(data).read_id(list);
}
LWID find_block(void* data, LWBlockIdent const* list) {
    return self(data).find_block(list);
}
void end_block(void* data) {
    self(data).end_block();
}

LWLoadState record_for(LoadState* state, int io_mode) {
    return {io_mode,
            state,
            ::read,
            read_i1,
            read_typed<short>,
            read_typed<int>,
            read_typed<unsigned char>,
            read_typed<unsigned short>,
            read_typed<unsigned int>,
            read_typed<float>,
            ::read_str,
            ::read_id,
            ::find_block,
            ::end_block};
}

} // namespace

LoadState::LoadState(std::string data, int io_mode)
    : input_(std::move(data)), record_(record_for(this, io_mode)) {}

LoadState::LoadState(FILE* file, char const* path, int io_mode)
    : input_(file, path), record_(record_for(this, io_mode)) {}

LoadState& LoadState::of(LWLoadState* state) {
    return self(state->readData);
}

bool LoadState::next_line(std::string& line) {
    if (!input_.read_until('\n', line)) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

// Makes the line that the next value read takes from current: a leaf's own
// line, or else the next line of the block when it is neither a block
// opener nor the block's end.
bool LoadState::value_line() {
    if (in_leaf() || has_line_) {
        return has_line_;
    }
    std::string line;
    if (!next_line(line)) {
        return false;
    }
    std::string t = trimmed(line);
    if (opens_block(t) || closes_block(t)) {
        input_.unread();
        return false;
    }
    std::size_t indent = 0;
    while (indent < line.size() && blank(line[indent])) {
        indent++;
    }
    line_ = line.substr(indent);
    line_pos_ = 0;
    has_line_ = true;
    return true;
}

// Outside a leaf every read call consumes its whole line.
void LoadState::line_read() {
    if (!in_leaf()) {
        has_line_ = false;
    }
}

bool LoadState::next_word(std::string& word) {
    if (!value_line()) {
        return false;
    }
    std::size_t b = line_pos_;
    while (b < line_.size() && blank(line_[b])) {
        b++;
    }
    std::size_t e = b;
    while (e < line_.size() && !blank(line_[e])) {
        e++;
    }
    word = line_.substr(b, e - b);
    line_pos_ = e;
    line_read();
    return !word.empty();
}

void LoadState::skip_block_body() {
    int depth = 1;
    std::string line;
    while (depth > 0 && next_line(line)) {
        std::string t = trimmed(line);
        if (opens_block(t)) {
            depth++;
        } else if (closes_block(t)) {
            depth--;
        }
    }
}

int LoadState::read(char* buf, int len) {
    if (!text()) {
        return static_cast<int>(input_.read(buf, len > 0 ? std::size_t(len) : 0));
    }
    if (!value_line()) {
        copy_out(std::string(), buf, len);
        return -1;
    }
    if (line_pos_ < line_.size() && line_[line_pos_] == ' ') {
        line_pos_++;
    }
    int n = copy_out(line_.substr(line_pos_), buf, len);
    line_pos_ = line_.size();
    line_read();
    return n;
}

template <class T> int LoadState::read_values(T* vals, int n) {
    int count = 0;
    if (!text()) {
        unsigned char bytes[sizeof(T)];
        for (; count < n; count++) {
            if (input_.read(reinterpret_cast<char*>(bytes), sizeof bytes) < sizeof bytes) {
                break;
            }
            vals[count] = get_big_endian<T>(bytes);
        }
        return count;
    }
    if (!value_line()) {
        return 0;
    }
    for (char* end; count < n; count++) {
        if (!parse_number(line_.c_str() + line_pos_, end, vals[count])) {
            break;
        }
        line_pos_ = std::size_t(end - line_.c_str());
    }
    line_read();
    return count;
}

int LoadState::read_str(char* buf, int max) {
    if (!text()) {
        std::string s;
        if (!input_.read_until('\0', s)) {
            copy_out(std::string(), buf, max);
            return -1;
        }
        return copy_out(s, buf, max);
    }
    if (!value_line()) {
        copy_out(std::string(), buf, max);
        return -1;
    }
    std::size_t p = line_pos_;
    while (p < line_.size() && blank(line_[p])) {
        p++;
    }
    if (p >= line_.size()) {
        line_read();
        copy_out(std::string(), buf, max);
        return -1;
    }
    std::string s;
    std::size_t last_quote = line_.rfind('"');
    if (line_[p] == '"' && last_quote > p) {
        s = line_.substr(p + 1, last_quote - p - 1);
        line_pos_ = last_quote + 1;
    } else {
        std::size_t e = p;
        while (e < line_.size() && !blank(line_[e])) {
            e++;
        }
        s = line_.substr(p, e - p);
        line_pos_ = e;
    }
    line_read();
    return copy_out(s, buf, max);
}

LWID LoadState::read_id(LWBlockIdent const* list) {
    if (!text()) {
        unsigned char bytes[4];
        if (input_.read(reinterpret_cast<char*>(bytes), sizeof bytes) < sizeof bytes) {
            return 0;
        }
        LWID id = get_big_endian<LWID>(bytes);
        return listed(list, id) ? id : 0;
    }
    std::string word;
    return next_word(word) ? match(list, word) : 0;
}

LWID LoadState::find_block(LWBlockIdent const* list) {
    if (!text() || in_leaf()) {
        return 0;
    }
    has_line_ = false;
    for (;;) {
        std::string line;
        if (!next_line(line)) {
            return 0;
        }
        std::string t = trimmed(line);
        if (t.empty()) {
            continue;
        }
        if (closes_block(t)) {
            input_.unread();
            return 0;
        }
        std::size_t values;
        LWID id = match(list, token_of(t, values));
        if (opens_block(t)) {
            if (id) {
                leaves_.push_back(false);
                return id;
            }
            skip_block_body();
        } else if (id) {
            leaves_.push_back(true);
            line_ = t.substr(values);
            line_pos_ = 0;
            has_line_ = true;
            return id;
        }
    }
}

void LoadState::end_block() {
    if (!text() || leaves_.empty()) {
        return;
    }
    bool leaf = leaves_.back();
    leaves_.pop_back();
    has_line_ = false;
    if (!leaf) {
        skip_block_body();
    }
}
