#include "base/list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Item : VoidList::Element {
    int key = 0;
};

int by_key(VoidList::Element const* a, VoidList::Element const* b, void*) {
    return static_cast<Item const*>(a)->key - static_cast<Item const*>(b)->key;
}

TEST(VoidListTest, SortIsStableAndAscendingForEveryLength) {
    for (int n = 0; n <= 70; ++n) {
        VoidList list;
        std::vector<Item> items(n);
        std::vector<Item*> expected, got;
        for (int i = 0; i < n; ++i) {
            items[i].key = (i * 7919 + 13) % 5;
            list.push_back(&items[i]);
            expected.push_back(&items[i]);
        }
        list.sort(by_key, nullptr);

        std::stable_sort(expected.begin(), expected.end(),
                         [](Item const* a, Item const* b) { return a->key < b->key; });
        for (VoidList::Element* e = list.begin(); e != list.end(); e = e->next)
            got.push_back(static_cast<Item*>(e));
        ASSERT_EQ(got, expected) << "length " << n;
        ASSERT_NO_THROW(list.check_consistency()) << "length " << n;
        list.clear();
    }
}

} // namespace
