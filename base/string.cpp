#include "base/string.h"

#include "base/array.h"
#include "base/xception.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char const* const FORMAT_ROUTINE = "char *my_vsnprintf(const char *, __va_list_tag *)";

char* duplicate(char const* text, size_t n) {
    char* block = static_cast<char*>(malloc(n + 1));
    memcpy(block, text, n);
    block[n] = 0;
    return block;
}

// Formats into a fresh heap block, growing it until the text fits.
char* my_vsnprintf(char const* fmt, va_list ap) {
    int size = 100;
    char* buf = static_cast<char*>(malloc(size));
    if (!buf)
        throw StrXception("base/string", FORMAT_ROUTINE, 248, "out of memory");
    for (;;) {
        va_list copy;
        va_copy(copy, ap);
        int r = vsnprintf(buf, size, fmt, copy);
        va_end(copy);
        if (r >= 0 && r < size)
            return buf;
        size = r >= 0 ? r + 1 : size * 2;
        char* grown = static_cast<char*>(realloc(buf, size));
        if (!grown) {
            free(buf);
            throw StrXception("base/string", FORMAT_ROUTINE, 302, "out of memory");
        }
        buf = grown;
    }
}

} // namespace

String::String(char const* text) : p(nullptr) {
    if (text && *text)
        p = duplicate(text, strlen(text));
}

String::String(char const* text, unsigned int len) : p(nullptr) {
    if (len == 0)
        return;
    p = static_cast<char*>(malloc(len + 1));
    unsigned i = 0;
    if (text) {
        for (; i < len && text[i]; ++i)
            p[i] = text[i];
    }
    memset(p + i, 0, len + 1 - i);
}

String::String(char c) : p(static_cast<char*>(malloc(2))) {
    p[0] = c;
    p[1] = 0;
}

String::String(String const& other) : p(other.p ? duplicate(other.p, strlen(other.p)) : nullptr) {}

String::~String() {
    free(p);
}

String& String::operator=(String const& other) {
    return *this = other.p;
}

String& String::operator=(char const* text) {
    // The new block is in place before the old one goes, so assigning a
    // string's own text (or itself) is safe.
    char* fresh = text && *text ? duplicate(text, strlen(text)) : nullptr;
    free(p);
    p = fresh;
    return *this;
}

void String::clear() {
    free(p);
    p = nullptr;
}

unsigned String::len() const {
    return p ? strlen(p) : 0;
}

unsigned String::hash() const {
    unsigned h = 0;
    for (char const* q = p; q && *q; ++q) {
        int c = static_cast<signed char>(*q);
        h = ((static_cast<unsigned>(c) << 4) + h + static_cast<unsigned>(c >> 4)) * 11u;
    }
    return h;
}

int String::atoi() const {
    return p ? ::atoi(p) : 0;
}

double String::atof() const {
    return p ? ::atof(p) : 0.0;
}

unsigned String::find(char c) const {
    if (!p)
        return 0xFFFFFFFFu;
    char const* q = strchr(p, c);
    return q ? static_cast<unsigned>(q - p) : 0xFFFFFFFFu;
}

unsigned String::findr(char c) const {
    if (!p)
        return 0xFFFFFFFFu;
    char const* q = strrchr(p, c);
    return q ? static_cast<unsigned>(q - p) : 0xFFFFFFFFu;
}

unsigned String::find(char const* text) const {
    if (!p)
        return 0xFFFFFFFFu;
    char const* q = strstr(p, text ? text : "");
    return q ? static_cast<unsigned>(q - p) : 0xFFFFFFFFu;
}

void String::append(char const* text, unsigned n) {
    if (!p) {
        if (n)
            p = duplicate(text, n);
        return;
    }
    // The source may be this string's own block, which realloc can move.
    bool own = text >= p && text <= p + strlen(p);
    size_t offset = own ? static_cast<size_t>(text - p) : 0;
    size_t old = strlen(p);
    p = static_cast<char*>(realloc(p, old + n + 1));
    memmove(p + old, own ? p + offset : text, n);
    p[old + n] = 0;
}

String& String::operator+=(String const& other) {
    append(other, other.len());
    return *this;
}

String& String::operator+=(char const* text) {
    if (text)
        append(text, strlen(text));
    return *this;
}

String& String::operator+=(char c) {
    size_t old = len();
    p = static_cast<char*>(realloc(p, old + 2));
    p[old] = c;
    p[old + 1] = 0;
    return *this;
}

void String::sprintf(char const* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    try {
        vsprintf(fmt, ap);
    } catch (...) {
        va_end(ap);
        throw;
    }
    va_end(ap);
}

void String::vsprintf(char const* fmt, va_list ap) {
    char* text = my_vsnprintf(fmt, ap);
    free(p);
    p = text;
}

String String::fmt(char const* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    String s;
    try {
        s.vsprintf(fmt, ap);
    } catch (...) {
        va_end(ap);
        throw;
    }
    va_end(ap);
    return s;
}

String String::vfmt(char const* fmt, va_list ap) {
    String s;
    s.vsprintf(fmt, ap);
    return s;
}

String String::chop(char const* text) {
    if (!text)
        return String();
    return String(text, static_cast<unsigned>(strcspn(text, "\n\r")));
}

String String::chop(String const& text) {
    return chop(static_cast<char const*>(text));
}

void String::split_by(char const* text, char const* separators, Array<String>& out) {
    if (!text || !*text)
        return;
    char const* start = text;
    for (char const* q = text;; ++q) {
        if (*q == 0 || strchr(separators, *q)) {
            if (q > start)
                out.append(String(start, static_cast<unsigned>(q - start)));
            start = q + 1;
        }
        if (*q == 0)
            break;
    }
}

void String::split_by(String const& text, char const* separators, Array<String>& out) {
    split_by(static_cast<char const*>(text), separators, out);
}

void String::split(char const* text, Array<String>& out) {
    split_by(text, " \t\n\r", out);
}

void String::split(String const& text, Array<String>& out) {
    split_by(text, " \t\n\r", out);
}

bool operator==(String const& a, String const& b) {
    if (!a.p || !b.p)
        return !a.p && !b.p;
    return strcmp(a.p, b.p) == 0;
}

bool operator<=(String const& a, String const& b) {
    if (!a.p)
        return true;
    if (!b.p)
        return false;
    return strcmp(a.p, b.p) <= 0;
}

String operator+(String const& a, String const& b) {
    String s(a);
    s += b;
    return s;
}

String operator+(String const& a, char const* b) {
    String s(a);
    s += b;
    return s;
}

bool operator!=(String const& a, String const& b) {
    return !(a == b);
}

bool operator==(String const& a, char const* b) {
    return a == String(b);
}

bool operator==(char const* a, String const& b) {
    return String(a) == b;
}

bool operator!=(String const& a, char const* b) {
    return !(a == b);
}

bool operator!=(char const* a, String const& b) {
    return !(a == b);
}
