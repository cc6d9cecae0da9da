#include "base/list.h"

#include "base/xception.h"

namespace {

char const* const CHECK_SIGNATURE = "void VoidList::check_consistency()";

[[noreturn]] void link_failure(char const* warning, char const* message, int line) {
    Xception::warning(CHECK_SIGNATURE, "%s", warning);
    throw StrXception("base/list", CHECK_SIGNATURE, line, "%s", message);
}

} // namespace

void VoidList::insert_before(Element* pos, Element* e) {
    e->next = pos;
    e->prev = pos->prev;
    pos->prev->next = e;
    pos->prev = e;
}

void VoidList::remove(Element* e) {
    e->prev->next = e->next;
    e->next->prev = e->prev;
    e->next = e->prev = nullptr;
}

// Bottom-up merge sort. During a pass the elements form a null-terminated
// chain whose prev links are rebuilt as it grows; the sentinel is linked back
// in once a pass needed at most one merge.
void VoidList::sort(Compare cmp, void* arg) {
    if (empty())
        return;
    Element* chain = head.next;
    head.prev->next = nullptr;
    for (unsigned long run = 1;; run *= 2) {
        Element* p = chain;
        Element* tail = nullptr;
        chain = nullptr;
        unsigned merges = 0;
        while (p) {
            ++merges;
            Element* q = p;
            unsigned long psize = 0;
            while (psize < run && q) {
                ++psize;
                q = q->next;
            }
            unsigned long qsize = run;
            while (psize > 0 || (qsize > 0 && q)) {
                Element* e;
                // Ties take from p, the earlier run, which keeps the sort stable.
                if (psize > 0 && (qsize == 0 || !q || cmp(p, q, arg) <= 0)) {
                    e = p;
                    p = p->next;
                    --psize;
                } else {
                    e = q;
                    q = q->next;
                    --qsize;
                }
                if (tail)
                    tail->next = e;
                else
                    chain = e;
                e->prev = tail;
                tail = e;
            }
            p = q;
        }
        tail->next = nullptr;
        if (merges <= 1) {
            chain->prev = &head;
            head.next = chain;
            tail->next = &head;
            head.prev = tail;
            return;
        }
    }
}

void VoidList::check_consistency() {
    if (begin()->prev != end())
        link_failure("begin()->prev != end", "begin()->prev != end", 133);
    for (Element* e = begin(); e != end(); e = e->next) {
        if (e->prev->next != e)
            link_failure("e->prev->next != e", "e->prev->next != e", 142);
        if (e->next->prev != e)
            link_failure("e->next->prev != e", "e->next->prev 1= e", 146);
    }
}
