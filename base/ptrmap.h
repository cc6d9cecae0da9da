#pragma once

#include "base/instring.h"
#include "base/list.h"
#include "base/types.h"

// An untyped chained hash table of caller-owned entries. The bucket count is
// a power of two fixed at construction; the table never rehashes. Duplicate
// keys are allowed and the earliest inserted one is found first.
class VoidPtrMap {
public:
    struct Entry : VoidList::Element {
        explicit Entry(void* key) : key(key) {}
        void* key;
    };

    // Non-zero from operator() stops the walk.
    class ForEachFunc {
    public:
        virtual int operator()(Entry* e) = 0;
        virtual ~ForEachFunc() = default;
    };

    explicit VoidPtrMap(int n);
    VoidPtrMap(VoidPtrMap const&) = delete;
    VoidPtrMap& operator=(VoidPtrMap const&) = delete;
    ~VoidPtrMap();

    unsigned buckets() const { return 1u << table->bits; }
    void insert(unsigned hash, Entry* e);
    Entry* lookup(unsigned hash, void const* key) const;
    Entry* remove(unsigned hash, void const* key);
    // Unlinks every entry; the entries themselves stay with their owners.
    void clear();
    bool empty() const;

    // The successor is read before f runs, so f may unlink or delete the
    // entry it is given.
    void for_each(ForEachFunc& f);
    void for_each_const(ForEachFunc& f) const;
    void for_each_value(unsigned hash, void const* key, ForEachFunc& f);

private:
    struct Table {
        u32 bits;
        u32 mask;
        VoidList* heads;
    };

    VoidList& bucket(unsigned hash) const { return table->heads[hash & table->mask]; }

    Table* table;
};

// A map keyed by object identity. Entries and their values belong to the map.
template <class K, class V> class PtrMap : public VoidPtrMap {
public:
    struct Entry : VoidPtrMap::Entry {
        Entry(K* key, V const& value) : VoidPtrMap::Entry(key), value(value) {}
        K* typed_key() const { return static_cast<K*>(key); }
        V value;
    };

    class ForEachFunc : public VoidPtrMap::ForEachFunc {
    public:
        int operator()(VoidPtrMap::Entry* e) override { return (*this)(static_cast<Entry*>(e)); }
        virtual int operator()(Entry* e) = 0;
    };

    class Deleter : public VoidPtrMap::ForEachFunc {
    public:
        int operator()(VoidPtrMap::Entry* e) override {
            delete static_cast<Entry*>(e);
            return 0;
        }
    };

    class Copier : public VoidPtrMap::ForEachFunc {
    public:
        explicit Copier(PtrMap& target) : target(target) {}
        int operator()(VoidPtrMap::Entry* e) override {
            Entry* entry = static_cast<Entry*>(e);
            target.insert(entry->typed_key(), entry->value);
            return 0;
        }

    private:
        PtrMap& target;
    };

    // Stops at the first key of the visited map that other lacks or holds
    // with another value.
    class Equaler : public ForEachFunc {
    public:
        explicit Equaler(PtrMap const& other) : other(other) {}
        using ForEachFunc::operator();
        int operator()(Entry* e) override {
            V const* theirs = other.lookup(e->typed_key());
            if (theirs && *theirs == e->value)
                return 0;
            differ = true;
            return 1;
        }
        bool differ = false;

    private:
        PtrMap const& other;
    };

    explicit PtrMap(int n) : VoidPtrMap(n) {}
    PtrMap(PtrMap const& other) : VoidPtrMap(static_cast<int>(other.buckets())) {
        Copier copier(*this);
        try {
            other.for_each_const(copier);
        } catch (...) {
            delete_entries();
            throw;
        }
    }
    PtrMap& operator=(PtrMap const&) = delete;
    ~PtrMap() { delete_entries(); }

    static unsigned hash(K const* key) {
        return static_cast<unsigned>(reinterpret_cast<uword>(key) >> 4);
    }

    // A new entry goes behind any earlier one with the same key.
    Entry* insert(K* key, V const& value) {
        Entry* e = new Entry(key, value);
        VoidPtrMap::insert(hash(key), e);
        return e;
    }
    V* lookup(K const* key) {
        Entry* e = static_cast<Entry*>(VoidPtrMap::lookup(hash(key), key));
        return e ? &e->value : nullptr;
    }
    V const* lookup(K const* key) const {
        Entry* e = static_cast<Entry*>(VoidPtrMap::lookup(hash(key), key));
        return e ? &e->value : nullptr;
    }
    // Deletes the earliest entry with this key; false when there is none.
    bool remove(K const* key) {
        Entry* e = static_cast<Entry*>(VoidPtrMap::remove(hash(key), key));
        delete e;
        return e != nullptr;
    }

    // True when every key of this map is in other with an equal value; keys
    // only in other are not considered.
    bool contained_in(PtrMap const& other) const {
        Equaler equaler(other);
        for_each_const(equaler);
        return !equaler.differ;
    }

private:
    void delete_entries() {
        Deleter deleter;
        for_each(deleter);
    }
};

template <class K, class V> bool operator==(PtrMap<K, V> const& a, PtrMap<K, V> const& b) {
    return a.contained_in(b);
}

// A map keyed by interned text; text keys are interned before use.
template <class V> class StringMap : public PtrMap<InString, V> {
public:
    explicit StringMap(int n) : PtrMap<InString, V>(n) {}

    using PtrMap<InString, V>::insert;
    using PtrMap<InString, V>::lookup;
    typename PtrMap<InString, V>::Entry* insert(char const* text, V const& value) {
        return insert(InString::intern(text), value);
    }
    V* lookup(char const* text) { return lookup(InString::intern(text)); }
    V const* lookup(char const* text) const { return lookup(InString::intern(text)); }
};
