#include "base/hash.h"
#include "base/string.h"

#include <gtest/gtest.h>

namespace {

TEST(HashTest, EmptyInputsHashToZero) {
    unsigned char byte = 'x';
    EXPECT_EQ(hash_chars(""), 0u);
    EXPECT_EQ(hash_bytes(&byte, 0), 0u);
}

TEST(HashTest, RecurrenceTreatsBytesAsSigned) {
    // 'a' = 97: (97 * 16 + 0 + 6) * 11; 0xFF = -1: (-16 + 0 - 1) * 11.
    EXPECT_EQ(hash_chars("a"), 17138u);
    EXPECT_EQ(hash_chars("\xff"), static_cast<unsigned>(-187));
    // Second step feeds the first result back in.
    EXPECT_EQ(hash_chars("aa"), (1558u + 17138u) * 11u);
}

TEST(HashTest, CharsBytesAndStringAgree) {
    char const* texts[] = {"Orrelux", "\x80\x7f\xfe mixed", "hipparcos3D.stars"};
    for (char const* text : texts) {
        String s(text);
        EXPECT_EQ(hash_chars(text), s.hash());
        EXPECT_EQ(hash_bytes(reinterpret_cast<unsigned char const*>(text), s.len()), s.hash());
    }
}

TEST(HashTest, WordHashesFoldAndRotate) {
    EXPECT_EQ(hash_int(1), 65536u);
    EXPECT_EQ(hash_int(-1), 0xFFFFFFFFu);
    EXPECT_EQ(hash_ptr(reinterpret_cast<void const*>(0xAB12345678ul)), 0x56781234u);
    EXPECT_EQ(hash_s64(0x0000000100000002ll), 3u);
    EXPECT_EQ(hash_double(1.0), 0x3FF00000u);
    EXPECT_EQ(hash_float(1.0f), 0x3F800000u);
    unsigned char digest[16] = {0x01, 0x02, 0x03, 0x04, 0xFF};
    EXPECT_EQ(hash_md5sum(digest), 0x04030201u);
}

TEST(HashTest, AccumMatchesTheMixingSteps) {
    EXPECT_EQ(hash_accum(0, 0), 0x3a65c6c6u);
    EXPECT_EQ(hash_accum(1, 2), 0x38a7f5aau);
    EXPECT_EQ(hash_accum(0xDEADBEEF, 0x12345678), 0x7aead1a2u);
}

TEST(HashTest, AccumDependsOnOrderOfArguments) {
    EXPECT_NE(hash_accum(1, 2), hash_accum(2, 1));
    EXPECT_NE(hash_accum(hash_accum(0, 1), 2), hash_accum(hash_accum(0, 2), 1));
}

} // namespace
