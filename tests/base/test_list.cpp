#include "base/list.h"

#include "tests/support/raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Item : VoidList::Element {
    int key = 0;
};

int by_key(VoidList::Element const* a, VoidList::Element const* b, void*) {
    return static_cast<Item const*>(a)->key - static_cast<Item const*>(b)->key;
}

class VoidListTest : public testing::Test {
protected:
    void fill(std::vector<Item>& items) {
        for (Item& item : items)
            list.push_back(&item);
    }

    VoidList list;
};

TEST_F(VoidListTest, SortIsStableAndAscendingForEveryLength) {
    for (int n = 0; n <= 70; ++n) {
        list.clear();
        std::vector<Item> items(n);
        for (int i = 0; i < n; ++i)
            items[i].key = (i * 7919 + 13) % 5;
        fill(items);
        list.sort(by_key, nullptr);

        std::vector<Item*> expected, got;
        for (Item& item : items)
            expected.push_back(&item);
        std::stable_sort(expected.begin(), expected.end(),
                         [](Item const* a, Item const* b) { return a->key < b->key; });
        for (VoidList::Element* e = list.begin(); e != list.end(); e = e->next)
            got.push_back(static_cast<Item*>(e));
        ASSERT_EQ(got, expected) << "length " << n;
        ASSERT_NO_THROW(list.check_consistency()) << "length " << n;
    }
}

TEST_F(VoidListTest, ConsistencyCheckWarnsAndRaisesForEachBrokenLink) {
    std::vector<Item> items(3);
    struct Case {
        std::function<void()> corrupt;
        std::string warned, raised;
        int line;
    } const cases[] = {
        {[&] { items[0].prev = &items[1]; }, "begin()->prev != end", "begin()->prev != end", 133},
        {[&] { items[2].prev = &items[0]; }, "e->next->prev != e", "e->next->prev 1= e", 146},
    };
    std::string const in_check = " in <void VoidList::check_consistency()>";
    for (Case const& c : cases) {
        SCOPED_TRACE(c.line);
        list.clear();
        fill(items);
        c.corrupt();
        testing::internal::CaptureStderr();
        EXPECT_EQ(raised([&] { list.check_consistency(); }),
                  c.raised + in_check + " (base/list:" + std::to_string(c.line) + ")");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "warning: " + c.warned + in_check + "\n");
    }
    list.clear();
}

} // namespace
