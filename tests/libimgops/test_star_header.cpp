#include "libimgops/star_header.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

StarHeader sample_header() {
    StarHeader h;
    h.kind = STAR_HEADER_3D;
    h.star_count = 0x01020304;
    h.distance_unit = static_cast<uint32_t>(DistanceUnit::LIGHT_YEAR);
    h.epoch = 2000.0;
    h.per_parsec = 3.25;
    return h;
}

} // namespace

TEST(StarHeader, IsWrittenLittleEndianAtItsOffsetsAndReadBack) {
    unsigned char record[STAR_RECORD_SIZE];
    encode_star_header(sample_header(), record);
    EXPECT_EQ(std::memcmp(record, "ORRELUX2", 8), 0);
    unsigned char const count[] = {4, 3, 2, 1, 2, 0, 0, 0};
    EXPECT_EQ(std::memcmp(record + 8, count, sizeof count), 0);
    // 2000.0 is 0x409F400000000000, 3.25 is 0x400A000000000000.
    unsigned char const epoch_and_scale[] = {0, 0, 0, 0, 0, 0x40, 0x9f, 0x40,
                                             0, 0, 0, 0, 0, 0,    0x0a, 0x40};
    EXPECT_EQ(std::memcmp(record + 16, epoch_and_scale, sizeof epoch_and_scale), 0);

    StarHeader const back = decode_star_header(record);
    EXPECT_EQ(back.kind, STAR_HEADER_3D);
    EXPECT_EQ(back.star_count, 0x01020304u);
    EXPECT_EQ(back.distance_unit, 2u);
    EXPECT_EQ(back.epoch, 2000.0);
    EXPECT_EQ(back.per_parsec, 3.25);

    StarHeader flat = sample_header();
    flat.kind = STAR_HEADER_2D;
    encode_star_header(flat, record);
    EXPECT_EQ(decode_star_header(record).kind, STAR_HEADER_2D);
    record[7] = '3';
    EXPECT_EQ(decode_star_header(record).kind, STAR_HEADER_INVALID);
}

TEST(StarHeader, RecordsItsStarsOnlyWhenEveryFieldMakesSense) {
    StarHeader const good = sample_header();
    EXPECT_TRUE(star_header_has_metadata(good, 0x01020304));
    EXPECT_FALSE(star_header_has_metadata(good, 0x01020303));
    for (uint32_t unit : {0u, 4u}) {
        StarHeader h = good;
        h.distance_unit = unit;
        EXPECT_FALSE(star_header_has_metadata(h, h.star_count)) << unit;
    }
    for (uint32_t unit : {1u, 3u}) {
        StarHeader h = good;
        h.distance_unit = unit;
        EXPECT_TRUE(star_header_has_metadata(h, h.star_count)) << unit;
    }
    for (double scale : {0.0, -1.0, double(NAN), double(INFINITY)}) {
        StarHeader h = good;
        h.per_parsec = scale;
        EXPECT_FALSE(star_header_has_metadata(h, h.star_count)) << scale;
    }
    StarHeader h = good;
    h.epoch = NAN;
    EXPECT_FALSE(star_header_has_metadata(h, h.star_count));
}
