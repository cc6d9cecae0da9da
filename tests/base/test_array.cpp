#include "base/array.h"
#include "base/string.h"

#include "tests/support/raised.h"

#include <gtest/gtest.h>

TEST(ByteArray, GrowthStartsAt32BytesDoublesAndWarnsOnSpuriousRealloc) {
    ByteArray a;
    a.grow_to_ool(5);
    EXPECT_EQ(a.capacity(), 32u);
    a.grow_to_ool(100);
    EXPECT_EQ(a.capacity(), 128u);
    ByteArray b;
    b.grow_to_ool(40);
    EXPECT_EQ(b.capacity(), 40u);
    testing::internal::CaptureStderr();
    b.realloc(40);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: spurious realloc in <void ByteArray::realloc(uword)>\n");
    EXPECT_EQ(b.capacity(), 40u);
}

TEST(ByteArray, OutOfMemoryLeavesArrayUnchangedAndNamesSizes) {
    ByteArray a;
    a.realloc(8);
    char* before = a.data();
    EXPECT_EQ(raised([&] { a.realloc(~0ul >> 1); }),
              std::string(String::fmt("out of memory (current size 8 bytes, failed allocation of "
                                      "%lu bytes) in <void ByteArray::realloc(uword)> "
                                      "(base/array:35)",
                                      ~0ul >> 1)));
    EXPECT_EQ(a.data(), before);
    EXPECT_EQ(a.capacity(), 8u);
}

TEST(Array, AppendClearAndTrimManageStrings) {
    Array<String> a;
    for (int i = 0; i < 20; ++i)
        a.append(String::fmt("item%d", i));
    EXPECT_STREQ(a[19], "item19");
    a.trim();
    EXPECT_EQ(a.capacity(), 20 * sizeof(String));
    a.append(a[0]); // an element of the array itself survives the move
    EXPECT_STREQ(a[20], "item0");
    a.clear();
    a.trim();
    EXPECT_EQ(a.len(), 0u);
    EXPECT_EQ(a.capacity(), 0u);
}
