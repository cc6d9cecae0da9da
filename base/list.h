#pragma once

// An intrusive circular doubly linked list. The list object is the sentinel:
// begin() is its next, end() is the list itself, and an empty list points at
// itself both ways. Elements belong to their users; the list only links them.
class VoidList {
public:
    struct Element {
        Element* next = nullptr;
        Element* prev = nullptr;
    };

    // Negative, zero or positive like strcmp; arg is passed through.
    typedef int (*Compare)(Element const* a, Element const* b, void* arg);

    VoidList() { clear(); }
    VoidList(VoidList const&) = delete;
    VoidList& operator=(VoidList const&) = delete;

    Element* begin() const { return head.next; }
    Element* end() { return &head; }
    Element const* end() const { return &head; }
    bool empty() const { return head.next == &head; }

    // Forgets every element without touching them.
    void clear() { head.next = head.prev = &head; }

    void push_back(Element* e) { insert_before(end(), e); }
    void push_front(Element* e) { insert_before(begin(), e); }
    static void insert_before(Element* pos, Element* e);
    static void remove(Element* e);

    void sort(Compare cmp, void* arg);
    void check_consistency();

private:
    Element head;
};
