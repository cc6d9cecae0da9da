#include "base/instring.h"

#include <cstdio>

namespace {

unsigned const CHAIN_COUNT = 256;

// Built on first use, so interning works from other static initialisers;
// its destruction at exit releases every string.
struct InternTable {
    VoidList chains[CHAIN_COUNT];
    VoidList gensyms;
    int gensym_counter = 0;

    ~InternTable() { release(); }

    void release();

    VoidList& chain_for(unsigned hash) { return chains[hash & (CHAIN_COUNT - 1)]; }
};

InternTable& table() {
    static InternTable t;
    return t;
}

InString* find(String const& s, unsigned hash) {
    VoidList& chain = table().chain_for(hash);
    for (VoidList::Element* e = chain.begin(); e != chain.end(); e = e->next) {
        InString* candidate = static_cast<InString*>(e);
        if (candidate->hash == hash && candidate->text == s)
            return candidate;
    }
    return nullptr;
}

void delete_all(VoidList& list) {
    while (!list.empty()) {
        InString* s = static_cast<InString*>(list.begin());
        VoidList::remove(s);
        delete s;
    }
}

void InternTable::release() {
    for (VoidList& chain : chains)
        delete_all(chain);
    delete_all(gensyms);
}

} // namespace

InString::InString(String const& s, unsigned hash) : hash(hash), text(s) {}

InString* InString::intern(String const& s) {
    unsigned hash = s.hash();
    if (InString* found = find(s, hash))
        return found;
    InString* created = new InString(s, hash);
    table().chain_for(hash).push_back(created);
    return created;
}

InString* InString::intern(char const* p) {
    return intern(String(p));
}

InString* InString::gensym() {
    InternTable& t = table();
    String text = String::fmt("G%d", t.gensym_counter++);
    InString* created = new InString(text, text.hash());
    t.gensyms.push_back(created);
    return created;
}

void InString::cleanup() {
    table().release();
}

void InString::dump() {
    InternTable& t = table();
    for (unsigned i = 0; i < CHAIN_COUNT; ++i) {
        printf("chain %u: ", i);
        VoidList& chain = t.chains[i];
        for (VoidList::Element* e = chain.begin(); e != chain.end(); e = e->next)
            printf(" %s", static_cast<char const*>(static_cast<InString*>(e)->text));
        printf("\n");
    }
}

TempInString::TempInString(String const& s) : str(find(s, s.hash())), temporary(false) {
    if (!str) {
        str = new InString(s, s.hash());
        temporary = true;
    }
}

TempInString::~TempInString() {
    if (temporary)
        delete str;
}

InString* TempInString::make_permanent() {
    if (temporary) {
        table().chain_for(str->hash).push_back(str);
        temporary = false;
    }
    return str;
}
