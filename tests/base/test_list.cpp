#include "base/list.h"
#include "base/xception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Item : VoidList::Element {
    int key = 0;
    int seq = 0;
};

int by_key(VoidList::Element const* a, VoidList::Element const* b, void* arg) {
    ++*static_cast<int*>(arg);
    return static_cast<Item const*>(a)->key - static_cast<Item const*>(b)->key;
}

class VoidListTest : public testing::Test {
protected:
    void fill(std::vector<Item>& items) {
        for (Item& item : items)
            list.push_back(&item);
    }

    std::vector<Item*> walk() {
        std::vector<Item*> out;
        for (VoidList::Element* e = list.begin(); e != list.end(); e = e->next)
            out.push_back(static_cast<Item*>(e));
        return out;
    }

    std::string consistency_failure() {
        testing::internal::CaptureStderr();
        std::string message;
        try {
            list.check_consistency();
        } catch (StrXception const& e) {
            message = static_cast<char const*>(e.message());
        }
        warning = testing::internal::GetCapturedStderr();
        return message;
    }

    VoidList list;
    std::string warning;
};

TEST_F(VoidListTest, NewListIsEmptyAndPointsAtItself) {
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.begin(), list.end());
    EXPECT_EQ(list.end()->prev, list.end());
}

TEST_F(VoidListTest, RemoveUnlinksOnlyThatElement) {
    std::vector<Item> items(3);
    fill(items);
    VoidList::remove(&items[1]);
    EXPECT_EQ(walk(), (std::vector<Item*>{&items[0], &items[2]}));
    EXPECT_NO_THROW(list.check_consistency());
    VoidList::remove(&items[0]);
    VoidList::remove(&items[2]);
    EXPECT_TRUE(list.empty());
}

TEST_F(VoidListTest, SortOfEmptyListCallsNothing) {
    int calls = 0;
    list.sort(by_key, &calls);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(VoidListTest, SortIsStableAndAscendingForEveryLength) {
    for (int n = 1; n <= 70; ++n) {
        list.clear();
        std::vector<Item> items(n);
        for (int i = 0; i < n; ++i) {
            items[i].key = (i * 7919 + 13) % 5;
            items[i].seq = i;
        }
        fill(items);
        int calls = 0;
        list.sort(by_key, &calls);

        std::vector<Item*> expected;
        for (Item& item : items)
            expected.push_back(&item);
        std::stable_sort(expected.begin(), expected.end(),
                         [](Item const* a, Item const* b) { return a->key < b->key; });
        ASSERT_EQ(walk(), expected) << "length " << n;
        ASSERT_NO_THROW(list.check_consistency()) << "length " << n;
    }
}

TEST_F(VoidListTest, SortReversesADescendingList) {
    std::vector<Item> items(9);
    for (int i = 0; i < 9; ++i)
        items[i].key = 9 - i;
    fill(items);
    int calls = 0;
    list.sort(by_key, &calls);
    std::vector<Item*> order = walk();
    ASSERT_EQ(order.size(), 9u);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(order[i]->key, i + 1);
    EXPECT_EQ(list.end()->prev, &items[0]);
}

TEST_F(VoidListTest, ConsistencyCheckRejectsBrokenFirstBackLink) {
    std::vector<Item> items(2);
    fill(items);
    items[0].prev = &items[1];
    EXPECT_EQ(consistency_failure(),
              "begin()->prev != end in <void VoidList::check_consistency()> (base/list:133)");
    EXPECT_EQ(warning, "warning: begin()->prev != end in <void VoidList::check_consistency()>\n");
}

TEST_F(VoidListTest, ConsistencyCheckRejectsBrokenSuccessorBackLink) {
    std::vector<Item> items(3);
    fill(items);
    items[2].prev = &items[0];
    EXPECT_EQ(consistency_failure(),
              "e->next->prev 1= e in <void VoidList::check_consistency()> (base/list:146)");
    EXPECT_EQ(warning, "warning: e->next->prev != e in <void VoidList::check_consistency()>\n");
}

TEST_F(VoidListTest, ConsistencyCheckRejectsHeadNotLinkedBackFromLast) {
    std::vector<Item> items(2);
    fill(items);
    list.end()->prev = &items[0];
    EXPECT_EQ(consistency_failure(),
              "e->next->prev 1= e in <void VoidList::check_consistency()> (base/list:146)");
}

} // namespace
