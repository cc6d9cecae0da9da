#pragma once

#include "base/list.h"
#include "base/string.h"

// An interned, immutable string: two interned texts are equal exactly when
// their pointers are. Interned strings live until cleanup() or process exit.
class InString : public VoidList::Element {
public:
    InString(InString const&) = delete;
    InString& operator=(InString const&) = delete;

    static InString* intern(String const& s);
    static InString* intern(char const* p);
    // A fresh symbol "G<n>" that intern() never returns, even for its text.
    static InString* gensym();
    static void cleanup();
    // One line per chain, to standard output.
    static void dump();

    unsigned const hash;
    String const text;

private:
    friend class TempInString;
    InString(String const& s, unsigned hash);
};

// A scoped look-up that does not grow the table: an unknown text gets an
// InString outside the table, deleted with the handle unless made permanent.
class TempInString {
public:
    explicit TempInString(String const& s);
    TempInString(TempInString const&) = delete;
    TempInString& operator=(TempInString const&) = delete;
    ~TempInString();

    InString* get() const { return str; }
    bool is_temporary() const { return temporary; }
    InString* make_permanent();

private:
    InString* str;
    bool temporary;
};
