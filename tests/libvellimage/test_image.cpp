#include "libvellimage/image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using Vell::Image;
using Vell::ImageSpec;

namespace {

std::string strx_message(StrXception const& e) {
    return static_cast<char const*>(e.message());
}

class ImageSpecTest : public testing::Test {};

TEST_F(ImageSpecTest, NaturalStridesFollowEachFormat) {
    EXPECT_EQ(ImageSpec(640, 480, ImageSpec::BGRA_FLOAT).stride, 10240u);
    EXPECT_EQ(ImageSpec::natural_stride(10, ImageSpec::BGRA_U8), 40u);
    EXPECT_EQ(ImageSpec::natural_stride(10, ImageSpec::G_U8), 10u);
    EXPECT_EQ(ImageSpec::natural_stride(10, ImageSpec::G_FLOAT), 40u);
    EXPECT_EQ(ImageSpec::natural_stride(10, ImageSpec::YCBCR_444_FLOAT), 120u);
    EXPECT_EQ(ImageSpec::natural_stride(10, ImageSpec::CINEON), 40u);
    EXPECT_EQ(ImageSpec::natural_stride(10, ImageSpec::G_U16), 20u);
    EXPECT_EQ(ImageSpec::natural_stride(10, ImageSpec::BGRA_U16), 80u);
}

TEST_F(ImageSpecTest, PackedVideoRowsArePadded) {
    EXPECT_EQ(ImageSpec(100, 1, ImageSpec::YCBCR_422_8).stride, 300u);
    EXPECT_EQ(ImageSpec(101, 1, ImageSpec::YCBCR_422_8).stride, 312u);
    EXPECT_EQ(ImageSpec(1280, 1, ImageSpec::YCBCR_422_10).stride, 3456u);
    EXPECT_EQ(ImageSpec::natural_stride(6, ImageSpec::YCBCR_422_10), 128u);
    EXPECT_EQ(ImageSpec::natural_stride(49, ImageSpec::YCBCR_422_10), 256u);
}

TEST_F(ImageSpecTest, FixedSizeVideoFormatsHaveFixedStrides) {
    EXPECT_EQ(ImageSpec::natural_stride(720, ImageSpec::DV_NTSC), 250u);
    EXPECT_EQ(ImageSpec::natural_stride(720, ImageSpec::DV50_NTSC), 500u);
    EXPECT_EQ(ImageSpec::natural_stride(1280, ImageSpec::DV100_1080i60), 445u);
    EXPECT_EQ(ImageSpec::natural_stride(1920, ImageSpec::DNXHD_1080i60_10BIT), 850u);
}

TEST_F(ImageSpecTest, FixedSizeVideoFormatRejectsOtherWidths) {
    struct Case {
        ImageSpec::PixelFormat format;
        char const* expr;
        int line;
    } cases[] = {{ImageSpec::DV_NTSC, "width == 720", 118},
                 {ImageSpec::DV50_NTSC, "width == 720", 121},
                 {ImageSpec::DV100_1080i60, "width == 1280", 125},
                 {ImageSpec::DNXHD_1080i60_10BIT, "width == 1920", 129}};
    for (Case const& c : cases) {
        try {
            ImageSpec(721, 486, c.format);
            ADD_FAILURE() << c.expr;
        } catch (AssertXception const& e) {
            EXPECT_STREQ(e.expr, c.expr);
            EXPECT_STREQ(e.file, "libvellimage/image");
            EXPECT_EQ(e.line, c.line);
        }
    }
}

TEST_F(ImageSpecTest, StrideThatDoesNotFitIn32BitsIsAnError) {
    try {
        ImageSpec::natural_stride(1 << 30, ImageSpec::BGRA_FLOAT);
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(strx_message(e),
                  "no 32-bit stride for a BGRA_FLOAT row of width 1073741824 in <static unsigned "
                  "int Vell::ImageSpec::natural_stride(int, Vell::ImageSpec::PixelFormat)> "
                  "(libvellimage/image:133)");
    }
    EXPECT_EQ(ImageSpec::natural_stride(0x7FFFFFFF, ImageSpec::G_U16), 0xFFFFFFFEu);
    EXPECT_THROW(ImageSpec::natural_stride(-1, ImageSpec::G_U8), StrXception);
}

TEST_F(ImageSpecTest, FormatNamesAndUnknownValues) {
    EXPECT_STREQ(ImageSpec::pixel_format_str(ImageSpec::DNXHD_1080i60_10BIT),
                 "DNXHD_1080i60_10BIT");
    EXPECT_STREQ(ImageSpec::pixel_format_str(ImageSpec::YCBCR_422_10), "YCBCR_422_10");
    std::string expected = "unknown format in <static const char "
                           "*Vell::ImageSpec::pixel_format_str(Vell::ImageSpec::PixelFormat)> "
                           "(libvellimage/image:194)";
    for (int value : {2, 5, 8, 9, 19, 9999}) {
        auto format = static_cast<ImageSpec::PixelFormat>(value);
        try {
            ImageSpec::pixel_format_str(format);
            ADD_FAILURE() << value;
        } catch (StrXception const& e) {
            EXPECT_EQ(strx_message(e), expected);
        }
        EXPECT_THROW(ImageSpec::bytes_per_pixel(format), StrXception) << value;
    }
}

TEST_F(ImageSpecTest, PrintWithoutMetadataPadsTheFormatName) {
    ImageSpec spec(64, 48, ImageSpec::G_U8);
    testing::internal::CaptureStdout();
    spec.print();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "G_U8           \t64 x 48");
}

TEST_F(ImageSpecTest, EqualityComparesGeometryAndFormat) {
    ImageSpec a(8, 8, ImageSpec::BGRA_U8);
    EXPECT_TRUE(a == ImageSpec(8, 8, 32, ImageSpec::BGRA_U8));
    EXPECT_FALSE(a == ImageSpec(8, 8, 36, ImageSpec::BGRA_U8));
    EXPECT_FALSE(a == ImageSpec(8, 8, 32, ImageSpec::CINEON));
}

class ImageTest : public testing::Test {
protected:
    void TearDown() override { Vell::TRACE_ALLOCATIONS = 0; }
};

TEST_F(ImageTest, AllocGivesHeightRowsOfStrideBytes) {
    Image image(ImageSpec(5, 3, 24, ImageSpec::BGRA_U8));
    EXPECT_EQ(image.allocated_size, 72u);
    EXPECT_EQ(image.pixels, image.allocation);
    image.make_blank();
    EXPECT_TRUE(std::all_of(image.pixels, image.pixels + 72, [](char c) { return c == 0; }));
}

TEST_F(ImageTest, StrideTooSmallForWidthIsRejected) {
    try {
        Image image(ImageSpec(64, 64, 64 * 4 - 1, ImageSpec::BGRA_U8));
        FAIL();
    } catch (StrXception const& e) {
        EXPECT_EQ(strx_message(e), "ImageSpec stride is too small for width - did you forget "
                                   "set_natural_stride? in <void Vell::Image::alloc()> "
                                   "(libvellimage/image:277)");
    }
}

TEST_F(ImageTest, InvalidFormatIsAnAssertion) {
    try {
        Image image(ImageSpec(1, 1, 4, ImageSpec::INVALID_FORMAT));
        FAIL();
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "spec.format != ImageSpec::INVALID_FORMAT");
        EXPECT_EQ(e.line, 269);
    }
}

TEST_F(ImageTest, HugeImageFailsInsteadOfWrappingToASmallBlock) {
    // 2^30 rows of 2^31 bytes: the 32-bit product would be 0.
    try {
        Image image(ImageSpec(1, 1 << 30, 0x80000000u, ImageSpec::G_U8));
        FAIL() << "allocated " << image.allocated_size;
    } catch (StrXception const& e) {
        EXPECT_EQ(strx_message(e),
                  "out of memory in <char *Vell::malloc_pixels(uword)> (libvellimage/core:52)");
    }
}

TEST_F(ImageTest, BlockSizeAbove4GiBIsNotTruncated) {
    // Rows of 2^28 bytes would give 0 as a 32-bit product for 16 rows.
    ImageSpec spec(1, 16, 1u << 28, ImageSpec::G_U8);
    uword expected = uword(16) << 28;
    try {
        Image image(spec);
        EXPECT_EQ(image.allocated_size, expected);
    } catch (StrXception const& e) {
        // Refused by the system: still an error, never a short block.
        EXPECT_EQ(strx_message(e),
                  "out of memory in <char *Vell::malloc_pixels(uword)> (libvellimage/core:52)");
    }
}

TEST_F(ImageTest, CopyFromNeedsIdenticalGeometry) {
    Image source(ImageSpec(4, 2, ImageSpec::G_U8));
    for (uword i = 0; i < source.allocated_size; ++i)
        source.pixels[i] = static_cast<char>(i + 1);
    Image target(ImageSpec(4, 2, ImageSpec::G_U8));
    target.copy_from(source);
    EXPECT_TRUE(std::equal(source.pixels, source.pixels + 8, target.pixels));

    Image wider(ImageSpec(4, 2, 8, ImageSpec::G_U8));
    Image taller(ImageSpec(4, 3, ImageSpec::G_U8));
    Image other_format(ImageSpec(1, 2, 4, ImageSpec::BGRA_U8));
    for (Image* mismatch : {&wider, &taller, &other_format}) {
        try {
            mismatch->copy_from(source);
            ADD_FAILURE();
        } catch (StrXception const& e) {
            EXPECT_EQ(strx_message(e), "formats don't match\n in <void Vell::Image::copy_from("
                                       "const Vell::Image &)> (libvellimage/image:321)");
        }
    }
}

TEST_F(ImageTest, TracingReportsEachBlock) {
    Vell::TRACE_ALLOCATIONS = 1;
    testing::internal::CaptureStderr();
    char* p;
    {
        Image image(ImageSpec(3, 1, ImageSpec::G_U8));
        p = image.allocation;
    }
    char expected[128];
    snprintf(expected, sizeof expected,
             "libvellimage: malloc_pixels(3) = %p\nlibvellimage: free_pixels(%p, 3)\n",
             static_cast<void*>(p), static_cast<void*>(p));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
}

TEST_F(ImageTest, DumpNamesSizeAndAddressBeforeTheSpec) {
    Image image(ImageSpec(2, 2, ImageSpec::G_U8));
    testing::internal::CaptureStdout();
    image.dump();
    char expected[128];
    snprintf(expected, sizeof expected, "Image (allocated_size 4 at %p) G_U8           \t2 x 2",
             static_cast<void*>(image.pixels));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

TEST(VellErrorTest, CodesHaveTheirTexts) {
    EXPECT_STREQ(Vell::Error(0).strerror(), "OK");
    EXPECT_STREQ(Vell::Error(4).strerror(), "error allocating memory");
    EXPECT_STREQ(Vell::Error(11).strerror(), "unimplemented image format translation");
    testing::internal::CaptureStderr();
    Vell::Error(6).print();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "libvellimage error: file is too short\n");
}

} // namespace
