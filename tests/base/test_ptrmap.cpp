#include "base/ptrmap.h"
#include "base/string.h"

#include <gtest/gtest.h>

namespace {

struct Key {
    int id;
};

Key keys[4] = {{0}, {1}, {2}, {3}};

// Counts the entries it is given; may stop the walk or delete each entry.
struct Visitor : VoidPtrMap::ForEachFunc {
    int operator()(VoidPtrMap::Entry* e) override {
        if (unlink_and_delete) {
            VoidList::remove(e);
            delete e;
        }
        return ++seen == stop_after;
    }
    int seen = 0;
    int stop_after = -1;
    bool unlink_and_delete = false;
};

TEST(VoidPtrMapTest, DuplicateKeyFindsEarliestUntilRemovedAndKeysNotHashesDecide) {
    VoidPtrMap map(4);
    VoidPtrMap::Entry first(&keys[0]), second(&keys[0]);
    map.insert(7, &first);
    map.insert(7, &second);
    EXPECT_EQ(map.lookup(7, &keys[1]), nullptr);
    EXPECT_EQ(map.lookup(7, &keys[0]), &first);
    EXPECT_EQ(map.remove(7, &keys[0]), &first);
    EXPECT_EQ(map.lookup(7, &keys[0]), &second);
    EXPECT_EQ(map.remove(7, &keys[0]), &second);
    EXPECT_TRUE(map.empty());
}

TEST(VoidPtrMapTest, WalksStopOnNonZeroAndMayDeleteTheEntryTheyAreGiven) {
    VoidPtrMap map(2);
    for (unsigned i = 0; i < 20; ++i)
        map.insert(i % 2, new VoidPtrMap::Entry(&keys[i % 4]));
    Visitor stopping;
    stopping.stop_after = 3;
    map.for_each_const(stopping);
    EXPECT_EQ(stopping.seen, 3);
    Visitor per_key;
    map.for_each_value(0, &keys[0], per_key);
    EXPECT_EQ(per_key.seen, 5);
    Visitor deleter;
    deleter.unlink_and_delete = true;
    map.for_each(deleter);
    EXPECT_EQ(deleter.seen, 20);
    EXPECT_TRUE(map.empty());
}

TEST(PtrMapTest, CopyIsIndependentAndEqualityAsksOnlyForTheLeftSideKeys) {
    PtrMap<Key, String> small(5);
    small.insert(&keys[0], "zero");
    PtrMap<Key, String> large(small);
    large.insert(&keys[1], "one");
    EXPECT_EQ(small.lookup(&keys[1]), nullptr);
    EXPECT_TRUE(small == large);
    EXPECT_FALSE(large == small);
    *large.lookup(&keys[0]) = "changed";
    EXPECT_EQ(*small.lookup(&keys[0]), "zero");
    EXPECT_FALSE(small == large);
}

TEST(StringMapTest, TextKeysAreInternedSoEqualTextsMeet) {
    StringMap<String> map(16);
    map.insert("Database", "stars.db");
    String key = String("Data") + "base";
    ASSERT_NE(map.lookup(key), nullptr);
    EXPECT_EQ(*map.lookup(key), "stars.db");
    EXPECT_EQ(map.lookup("Missing"), nullptr);
}

} // namespace
