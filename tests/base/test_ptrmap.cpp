#include "base/ptrmap.h"
#include "base/string.h"

#include <gtest/gtest.h>

namespace {

struct Key {
    int id;
};

Key keys[2] = {{0}, {1}};

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
