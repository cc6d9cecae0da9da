#include "base/ptrmap.h"
#include "base/string.h"

#include <gtest/gtest.h>

namespace {

struct Key {
    int id;
};

struct CountingVisitor : VoidPtrMap::ForEachFunc {
    int operator()(VoidPtrMap::Entry*) override { return ++seen == stop_after; }
    int seen = 0;
    int stop_after = -1;
};

struct UnlinkAndDelete : VoidPtrMap::ForEachFunc {
    int operator()(VoidPtrMap::Entry* e) override {
        VoidList::remove(e);
        delete e;
        ++deleted;
        return 0;
    }
    int deleted = 0;
};

class VoidPtrMapTest : public testing::Test {
protected:
    Key keys[4] = {{0}, {1}, {2}, {3}};
};

TEST_F(VoidPtrMapTest, BucketCountIsSmallestPowerOfTwoAtLeastOne) {
    EXPECT_EQ(VoidPtrMap(0).buckets(), 1u);
    EXPECT_EQ(VoidPtrMap(1).buckets(), 1u);
    EXPECT_EQ(VoidPtrMap(5).buckets(), 8u);
    EXPECT_EQ(VoidPtrMap(16).buckets(), 16u);
    EXPECT_EQ(VoidPtrMap(17).buckets(), 32u);
}

TEST_F(VoidPtrMapTest, DuplicateKeyFindsEarliestUntilRemoved) {
    VoidPtrMap map(4);
    VoidPtrMap::Entry first(&keys[0]), second(&keys[0]);
    map.insert(7, &first);
    map.insert(7, &second);
    EXPECT_EQ(map.lookup(7, &keys[0]), &first);
    EXPECT_EQ(map.remove(7, &keys[0]), &first);
    EXPECT_EQ(map.lookup(7, &keys[0]), &second);
    EXPECT_EQ(map.remove(7, &keys[0]), &second);
    EXPECT_EQ(map.remove(7, &keys[0]), nullptr);
    EXPECT_TRUE(map.empty());
}

TEST_F(VoidPtrMapTest, LookupComparesKeysNotHashes) {
    VoidPtrMap map(1);
    VoidPtrMap::Entry entry(&keys[1]);
    map.insert(3, &entry);
    EXPECT_EQ(map.lookup(3, &keys[2]), nullptr);
    EXPECT_EQ(map.lookup(3, &keys[1]), &entry);
    map.clear();
    EXPECT_TRUE(map.empty());
}

TEST_F(VoidPtrMapTest, VisitorMayDeleteEveryEntryItIsGiven) {
    VoidPtrMap map(4);
    for (unsigned i = 0; i < 20; ++i)
        map.insert(i, new VoidPtrMap::Entry(&keys[i % 4]));
    UnlinkAndDelete visitor;
    map.for_each(visitor);
    EXPECT_EQ(visitor.deleted, 20);
    EXPECT_TRUE(map.empty());
}

TEST_F(VoidPtrMapTest, NonZeroResultStopsTheWalk) {
    VoidPtrMap map(2);
    VoidPtrMap::Entry entries[5] = {VoidPtrMap::Entry(&keys[0]), VoidPtrMap::Entry(&keys[1]),
                                    VoidPtrMap::Entry(&keys[2]), VoidPtrMap::Entry(&keys[3]),
                                    VoidPtrMap::Entry(&keys[0])};
    for (unsigned i = 0; i < 5; ++i)
        map.insert(i, &entries[i]);
    CountingVisitor visitor;
    visitor.stop_after = 3;
    map.for_each_const(visitor);
    EXPECT_EQ(visitor.seen, 3);
    map.clear();
}

TEST_F(VoidPtrMapTest, ForEachValueVisitsOnlyThatKey) {
    VoidPtrMap map(1);
    VoidPtrMap::Entry a(&keys[0]), b(&keys[1]), c(&keys[0]);
    map.insert(0, &a);
    map.insert(0, &b);
    map.insert(0, &c);
    CountingVisitor visitor;
    map.for_each_value(0, &keys[0], visitor);
    EXPECT_EQ(visitor.seen, 2);
    map.clear();
}

class PtrMapTest : public testing::Test {
protected:
    Key keys[3] = {{0}, {1}, {2}};
};

TEST_F(PtrMapTest, OwnsValuesAndRemovesEarliestDuplicate) {
    PtrMap<Key, String> map(8);
    map.insert(&keys[0], "first");
    map.insert(&keys[0], "second");
    ASSERT_NE(map.lookup(&keys[0]), nullptr);
    EXPECT_EQ(*map.lookup(&keys[0]), "first");
    EXPECT_TRUE(map.remove(&keys[0]));
    EXPECT_EQ(*map.lookup(&keys[0]), "second");
    EXPECT_EQ(map.lookup(&keys[1]), nullptr);
    EXPECT_FALSE(map.remove(&keys[1]));
}

TEST_F(PtrMapTest, CopyKeepsBucketCountAndValues) {
    PtrMap<Key, String> map(5);
    map.insert(&keys[0], "zero");
    map.insert(&keys[1], "one");
    PtrMap<Key, String> copy(map);
    EXPECT_EQ(copy.buckets(), 8u);
    EXPECT_EQ(*copy.lookup(&keys[1]), "one");
    map.remove(&keys[1]);
    EXPECT_EQ(*copy.lookup(&keys[1]), "one");
}

TEST_F(PtrMapTest, EqualityAsksOnlyForTheLeftSideKeys) {
    PtrMap<Key, String> small(4), large(4);
    small.insert(&keys[0], "zero");
    large.insert(&keys[0], "zero");
    large.insert(&keys[1], "one");
    EXPECT_TRUE(small == large);
    EXPECT_FALSE(large == small);
    *large.lookup(&keys[0]) = "changed";
    EXPECT_FALSE(small == large);
}

TEST_F(PtrMapTest, TypedVisitorSeesKeysAndValues) {
    struct Joiner : PtrMap<Key, String>::ForEachFunc {
        using PtrMap<Key, String>::ForEachFunc::operator();
        int operator()(PtrMap<Key, String>::Entry* e) override {
            total += e->typed_key()->id;
            text += e->value;
            return 0;
        }
        int total = 0;
        String text;
    } joiner;
    PtrMap<Key, String> map(1);
    map.insert(&keys[1], "a");
    map.insert(&keys[2], "b");
    map.for_each(joiner);
    EXPECT_EQ(joiner.total, 3);
    EXPECT_EQ(joiner.text, "ab");
}

TEST(StringMapTest, TextKeysAreInternedSoEqualTextsMeet) {
    StringMap<String> map(16);
    map.insert("Database", "stars.db");
    String key = String("Data") + "base";
    ASSERT_NE(map.lookup(key), nullptr);
    EXPECT_EQ(*map.lookup(key), "stars.db");
    EXPECT_EQ(map.lookup(InString::intern("Database")), map.lookup("Database"));
    StringMap<String> const& view = map;
    EXPECT_EQ(view.lookup("Missing"), nullptr);
}

} // namespace
