#pragma once

#include <cstdarg>

template <class T> class Array;

// Formats go to the C library's vsnprintf. On MinGW that is its own C99
// printf, which reads the conversions glibc does; GCC would otherwise check
// them against the older Microsoft runtime's.
#ifdef __MINGW32__
#define PRINTF_FORMAT(format_index, first_arg)                                                     \
    __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define PRINTF_FORMAT(format_index, first_arg)                                                     \
    __attribute__((format(printf, format_index, first_arg)))
#endif

// An owned, NUL-terminated byte string. A null pointer is the empty string;
// reading the text never yields a null pointer.
class String {
public:
    String() : p(nullptr) {}
    String(char const* text);
    String(char const* text, unsigned int len);
    explicit String(char c);
    String(String const& other);
    ~String();

    String& operator=(String const& other);
    String& operator=(char const* text);

    operator char const*() const { return p ? p : ""; }

    void clear();
    unsigned len() const;
    unsigned hash() const;
    int atoi() const;
    double atof() const;

    // Byte positions; 0xFFFFFFFF when absent or when this string is empty.
    unsigned find(char c) const;
    unsigned findr(char c) const;
    unsigned find(char const* text) const;

    String& operator+=(String const& other);
    String& operator+=(char const* text);
    String& operator+=(char c);

    void sprintf(char const* fmt, ...) PRINTF_FORMAT(2, 3);
    void vsprintf(char const* fmt, va_list ap);
    static String fmt(char const* fmt, ...) PRINTF_FORMAT(1, 2);
    static String vfmt(char const* fmt, va_list ap);

    static String chop(char const* text);
    static String chop(String const& text);
    static void split_by(char const* text, char const* separators, Array<String>& out);
    static void split_by(String const& text, char const* separators, Array<String>& out);
    static void split(char const* text, Array<String>& out);
    static void split(String const& text, Array<String>& out);

    friend bool operator==(String const& a, String const& b);
    friend bool operator<=(String const& a, String const& b);

private:
    void append(char const* text, unsigned n);

    char* p;
};

String operator+(String const& a, String const& b);
String operator+(String const& a, char const* b);
bool operator!=(String const& a, String const& b);
// Overloads against plain text keep comparisons with literals unambiguous.
bool operator==(String const& a, char const* b);
bool operator==(char const* a, String const& b);
bool operator!=(String const& a, char const* b);
bool operator!=(char const* a, String const& b);
