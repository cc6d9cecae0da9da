#include "libvellimage/image.h"

#include "tests/support/raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using Vell::Image;
using Vell::ImageSpec;

namespace {

std::string const OUT_OF_MEMORY =
    "out of memory in <char *Vell::malloc_pixels(uword)> (libvellimage/core:52)";

TEST(ImageSpecTest, NaturalStrideFollowsEachFormat) {
    struct Case {
        int width;
        ImageSpec::PixelFormat format;
        unsigned stride;
    } const cases[] = {
        {640, ImageSpec::BGRA_FLOAT, 10240},
        {10, ImageSpec::BGRA_U8, 40},
        {10, ImageSpec::G_U8, 10},
        {10, ImageSpec::G_FLOAT, 40},
        {10, ImageSpec::YCBCR_444_FLOAT, 120},
        {10, ImageSpec::CINEON, 40},
        {10, ImageSpec::G_U16, 20},
        {10, ImageSpec::BGRA_U16, 80},
        // Packed video rows are padded: 4:2:2 8-bit to 12 bytes, 10-bit to 128.
        {100, ImageSpec::YCBCR_422_8, 300},
        {101, ImageSpec::YCBCR_422_8, 312},
        {6, ImageSpec::YCBCR_422_10, 128},
        {49, ImageSpec::YCBCR_422_10, 256},
        {1280, ImageSpec::YCBCR_422_10, 3456},
        // Compressed formats have one row size for their one width.
        {720, ImageSpec::DV_NTSC, 250},
        {720, ImageSpec::DV50_NTSC, 500},
        {1280, ImageSpec::DV100_1080i60, 445},
        {1920, ImageSpec::DNXHD_1080i60_10BIT, 850},
        {0x7FFFFFFF, ImageSpec::G_U16, 0xFFFFFFFEu},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " " << ImageSpec::pixel_format_str(c.format));
        EXPECT_EQ(ImageSpec::natural_stride(c.width, c.format), c.stride);
        EXPECT_EQ(ImageSpec(c.width, 1, c.format).stride, c.stride);
    }
}

TEST(ImageSpecTest, StrideErrorsNameTheirCause) {
    std::string const in = " in <static unsigned int Vell::ImageSpec::natural_stride(int, "
                           "Vell::ImageSpec::PixelFormat)> (libvellimage/image:133)";
    EXPECT_EQ(raised([] { ImageSpec::natural_stride(1 << 30, ImageSpec::BGRA_FLOAT); }),
              "no 32-bit stride for a BGRA_FLOAT row of width 1073741824" + in);
    EXPECT_EQ(raised([] { ImageSpec::natural_stride(-1, ImageSpec::G_U8); }),
              "no 32-bit stride for a G_U8 row of width -1" + in);
}

TEST(ImageTest, AllocGivesHeightRowsOfStrideBytesAndChecksTheSpec) {
    Image image(ImageSpec(5, 3, 24, ImageSpec::BGRA_U8));
    EXPECT_EQ(image.allocated_size, 72u);
    image.make_blank();
    EXPECT_TRUE(std::all_of(image.pixels, image.pixels + 72, [](char c) { return c == 0; }));
    EXPECT_EQ(raised([] { Image(ImageSpec(64, 64, 64 * 4 - 1, ImageSpec::BGRA_U8)); }),
              "ImageSpec stride is too small for width - did you forget set_natural_stride? in "
              "<void Vell::Image::alloc()> (libvellimage/image:277)");
    EXPECT_EQ(raised([] { Image(ImageSpec(1, 1, 4, ImageSpec::INVALID_FORMAT)); }),
              "libvellimage/image:269 spec.format != ImageSpec::INVALID_FORMAT");
}

TEST(ImageTest, BlockSizeIsNeverTruncatedTo32Bits) {
    // 2^30 rows of 2^31 bytes: the 32-bit product would be 0.
    EXPECT_EQ(raised([] { Image(ImageSpec(1, 1 << 30, 0x80000000u, ImageSpec::G_U8)); }),
              OUT_OF_MEMORY);
    // 16 rows of 2^28 bytes: 4 GiB, or an error when refused, never a short block.
    try {
        Image image(ImageSpec(1, 16, 1u << 28, ImageSpec::G_U8));
        EXPECT_EQ(image.allocated_size, uword(16) << 28);
    } catch (StrXception const& e) {
        EXPECT_EQ(std::string(e.message()), OUT_OF_MEMORY);
    }
}

} // namespace
