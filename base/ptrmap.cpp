#include "base/ptrmap.h"

VoidPtrMap::VoidPtrMap(int n) : table(new Table) {
    u32 bits = 0;
    while (bits < 31 && (1 << bits) < n)
        ++bits;
    table->bits = bits;
    table->mask = (1u << bits) - 1;
    table->heads = new VoidList[1u << bits];
}

VoidPtrMap::~VoidPtrMap() {
    delete[] table->heads;
    delete table;
}

void VoidPtrMap::insert(unsigned hash, Entry* e) {
    bucket(hash).push_back(e);
}

VoidPtrMap::Entry* VoidPtrMap::lookup(unsigned hash, void const* key) const {
    VoidList& chain = bucket(hash);
    for (VoidList::Element* e = chain.begin(); e != chain.end(); e = e->next) {
        Entry* entry = static_cast<Entry*>(e);
        if (entry->key == key)
            return entry;
    }
    return nullptr;
}

VoidPtrMap::Entry* VoidPtrMap::remove(unsigned hash, void const* key) {
    Entry* e = lookup(hash, key);
    if (e)
        VoidList::remove(e);
    return e;
}

void VoidPtrMap::clear() {
    for (unsigned i = 0; i < buckets(); ++i)
        table->heads[i].clear();
}

bool VoidPtrMap::empty() const {
    for (unsigned i = 0; i < buckets(); ++i) {
        if (!table->heads[i].empty())
            return false;
    }
    return true;
}

void VoidPtrMap::for_each(ForEachFunc& f) {
    for_each_const(f);
}

void VoidPtrMap::for_each_const(ForEachFunc& f) const {
    for (unsigned i = 0; i < buckets(); ++i) {
        VoidList& chain = table->heads[i];
        for (VoidList::Element* e = chain.begin(); e != chain.end();) {
            VoidList::Element* next = e->next;
            if (f(static_cast<Entry*>(e)))
                return;
            e = next;
        }
    }
}

void VoidPtrMap::for_each_value(unsigned hash, void const* key, ForEachFunc& f) {
    VoidList& chain = bucket(hash);
    for (VoidList::Element* e = chain.begin(); e != chain.end();) {
        VoidList::Element* next = e->next;
        Entry* entry = static_cast<Entry*>(e);
        if (entry->key == key && f(entry))
            return;
        e = next;
    }
}
