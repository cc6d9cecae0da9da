#include "host/frames/frame_file.h"
#include "host/frames/srgb.h"

#include "frames_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfRgbaFile.h>
#include <png.h>
#include <tiffio.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

int const W = 5;
int const H = 3;

// The value a foreign file stores for sample c of pixel (x, y): a whole
// number of 8-bit steps, different for every sample.
float stored(int x, int y, int c) {
    return float((17 * (x + W * y) + 61 * c) % 256) / 255.0f;
}

void expect_pixel(FrameImage const& frame, int x, int y, std::vector<float> const& rgba,
                  float tolerance = 1e-6f) {
    float const* p = frame.pixel(x, y);
    EXPECT_THAT(std::vector<float>(p, p + 4),
                testing::Pointwise(testing::FloatNear(tolerance), rgba))
        << "pixel " << x << "," << y;
}

float as_is(float value) {
    return value;
}

// Expects what a file of `samples` per pixel (grey, grey and alpha, RGB,
// RGBA) of stored() values reads as: colour through `decode`, alpha as
// stored or 1.
void expect_decoded(FrameImage const& frame, int samples, float (*decode)(float)) {
    ASSERT_EQ(frame.width, W);
    ASSERT_EQ(frame.height, H);
    bool grey = samples < 3;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            expect_pixel(frame, x, y,
                         {decode(stored(x, y, 0)), decode(stored(x, y, grey ? 0 : 1)),
                          decode(stored(x, y, grey ? 0 : 2)),
                          samples % 2 == 0 ? stored(x, y, samples - 1) : 1.0f});
        }
    }
}

struct PngLayout {
    char const* name;
    png_uint_32 format;
    int samples;
    float (*decode)(float);
};

TEST(ForeignFrames, PngGreyRgbAlphaAndLinearFilesRead) {
    TempFolder folder;
    // libpng writes its 16-bit linear layouts with a gAMA of 1.0.
    PngLayout const layouts[] = {{"grey.png", PNG_FORMAT_GRAY, 1, iec_srgb_to_linear},
                                 {"grey-alpha.png", PNG_FORMAT_GA, 2, iec_srgb_to_linear},
                                 {"rgb.png", PNG_FORMAT_RGB, 3, iec_srgb_to_linear},
                                 {"linear-16.png", PNG_FORMAT_LINEAR_RGB, 3, as_is}};
    for (PngLayout const& layout : layouts) {
        SCOPED_TRACE(layout.name);
        std::vector<unsigned char> narrow;
        std::vector<uint16_t> wide;
        for (int i = 0; i < W * H * layout.samples; ++i) {
            float value =
                stored(i / layout.samples % W, i / layout.samples / W, i % layout.samples);
            narrow.push_back((unsigned char)std::lround(value * 255));
            wide.push_back(uint16_t(std::lround(value * 65535)));
        }
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = W;
        image.height = H;
        image.format = layout.format;
        std::string path = folder.file(layout.name);
        void const* samples = PNG_IMAGE_PIXEL_COMPONENT_SIZE(layout.format) == 2
                                  ? static_cast<void const*>(wide.data())
                                  : narrow.data();
        ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, samples, 0, nullptr));
        expect_decoded(read_frame(path), layout.samples, layout.decode);
    }
}

TEST(ForeignFrames, LibpngReadsOurPngTopRowFirst) {
    TempFolder folder;
    FrameImage frame = ramp_frame(W, H);
    write_frame(folder.file("ours.png"), frame);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, folder.file("ours.png").c_str()));
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> samples(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, samples.data(), 0, nullptr));
    for (int i = 0; i < W * H * 4; ++i) {
        float value = frame.pixels[std::size_t(i)];
        EXPECT_EQ(samples[std::size_t(i)],
                  i % 4 == 3 ? linear_sample(value, 255) : srgb_sample(value, 255))
            << "sample " << i;
    }
}

struct TiffLayout {
    char const* name;
    int samples;
    int bits;
    bool planes;
    bool bottom_up;
};

// Writes stored() values as `layout` says, with libtiff.
void write_foreign_tiff(std::string const& path, TiffLayout const& layout) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_TRUE(tif);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT,
                 layout.bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 layout.samples < 3 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG,
                 layout.planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION,
                 layout.bottom_up ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (layout.samples % 2 == 0) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    int per_line = layout.planes ? 1 : layout.samples;
    std::vector<unsigned char> line(std::size_t(W * per_line * layout.bits / 8));
    for (int plane = 0; plane < (layout.planes ? layout.samples : 1); ++plane) {
        for (int row = 0; row < H; ++row) {
            for (int i = 0; i < W * per_line; ++i) {
                float v = stored(i / per_line, layout.bottom_up ? H - 1 - row : row,
                                 layout.planes ? plane : i % per_line);
                uint16_t wide = uint16_t(std::lround(v * 65535));
                if (layout.bits == 8) {
                    line[std::size_t(i)] = (unsigned char)std::lround(v * 255);
                } else {
                    std::memcpy(&line[std::size_t(i * layout.bits / 8)],
                                layout.bits == 32 ? static_cast<void const*>(&v) : &wide,
                                std::size_t(layout.bits / 8));
                }
            }
            ASSERT_EQ(TIFFWriteScanline(tif, line.data(), uint32_t(row), uint16_t(plane)), 1);
        }
    }
    TIFFClose(tif);
}

TEST(ForeignFrames, TiffGreyRgbPlanesAndBottomUpRowsRead) {
    TempFolder folder;
    TiffLayout const layouts[] = {
        {"grey-alpha-16.tif", 2, 16, false, false},
        {"rgb-8.tif", 3, 8, false, true},
        {"rgb-float-planes.tif", 3, 32, true, true},
        {"rgba-float.tif", 4, 32, false, false},
    };
    for (TiffLayout const& layout : layouts) {
        SCOPED_TRACE(layout.name);
        write_foreign_tiff(folder.file(layout.name), layout);
        expect_decoded(read_frame(folder.file(layout.name)), layout.samples,
                       layout.bits == 32 ? as_is : iec_srgb_to_linear);
    }
}

TEST(ForeignFrames, LibtiffReadsOurTiffTopRowFirst) {
    TempFolder folder;
    FrameImage frame = ramp_frame(W, H);
    write_frame(folder.file("ours.tif"), frame, SampleType::UINT8);
    TIFF* tif = TIFFOpen(folder.file("ours.tif").c_str(), "r");
    ASSERT_TRUE(tif);
    std::vector<uint32_t> packed(W * H);
    ASSERT_TRUE(TIFFReadRGBAImageOriented(tif, W, H, packed.data(), ORIENTATION_TOPLEFT, 0));
    TIFFClose(tif);
    for (int i = 0; i < W * H; ++i) {
        float const* p = &frame.pixels[std::size_t(4 * i)];
        EXPECT_EQ(TIFFGetR(packed[i]), srgb_sample(p[0], 255)) << i;
        EXPECT_EQ(TIFFGetG(packed[i]), srgb_sample(p[1], 255)) << i;
        EXPECT_EQ(TIFFGetB(packed[i]), srgb_sample(p[2], 255)) << i;
        EXPECT_EQ(TIFFGetA(packed[i]), linear_sample(p[3], 255)) << i;
    }
}

// A float EXR with only the named channels, each pixel (x + 10 y) + channel
// number / 10, over the data window inside a display window from (0, 0).
void write_foreign_exr(std::string const& path, std::vector<char const*> const& channels,
                       Imath::Box2i const& data_window, int display_width, int display_height) {
    Imf::Header header(display_width, display_height);
    header.dataWindow() = data_window;
    int width = data_window.max.x - data_window.min.x + 1;
    int height = data_window.max.y - data_window.min.y + 1;
    std::vector<float> values(std::size_t(width * height) * channels.size());
    Imf::FrameBuffer slices;
    for (std::size_t c = 0; c < channels.size(); ++c) {
        header.channels().insert(channels[c], Imf::Channel(Imf::FLOAT));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                values[(std::size_t(y * width + x)) * channels.size() + c] =
                    float(x + data_window.min.x + 10 * (y + data_window.min.y)) + float(c) / 10;
            }
        }
        slices.insert(channels[c], Imf::Slice::Make(Imf::FLOAT, values.data() + c, data_window,
                                                    sizeof(float) * channels.size(),
                                                    sizeof(float) * channels.size() * width));
    }
    Imf::OutputFile file(path.c_str(), header);
    file.setFrameBuffer(slices);
    file.writePixels(height);
}

TEST(ForeignFrames, ExrGreyFileReadsIntoEveryColour) {
    TempFolder folder;
    write_foreign_exr(folder.file("grey.exr"), {"Y"}, Imath::Box2i({0, 0}, {W - 1, H - 1}), W, H);
    FrameImage frame = read_frame(folder.file("grey.exr"));
    expect_pixel(frame, 3, 2, {23.0f, 23.0f, 23.0f, 1.0f});
}

TEST(ForeignFrames, ExrDataWindowLandsInTheDisplayWindowWithNothingAround) {
    TempFolder folder;
    write_foreign_exr(folder.file("window.exr"), {"B", "R"}, Imath::Box2i({1, 1}, {W - 1, H + 4}),
                      W, H);
    FrameImage frame = read_frame(folder.file("window.exr"));
    ASSERT_EQ(frame.width, W);
    ASSERT_EQ(frame.height, H);
    // Each channel carries its own tenth; missing green reads as 0 and
    // missing alpha as 1 inside.
    expect_pixel(frame, 2, 1, {12.1f, 0.0f, 12.0f, 1.0f});
    expect_pixel(frame, 0, 1, {0.0f, 0.0f, 0.0f, 0.0f});
    expect_pixel(frame, 4, 0, {0.0f, 0.0f, 0.0f, 0.0f});
}

TEST(ForeignFrames, ExrLuminanceChromaFileReadsAsColour) {
    TempFolder folder;
    std::string path = folder.file("yca.exr");
    Imf::Rgba const colour(0.5f, 0.25f, 0.125f, 0.75f);
    // Chroma is stored for every other pixel in both directions, and the
    // conversion back to colour costs a few half-precision steps.
    int const width = 6;
    int const height = 4;
    std::vector<Imf::Rgba> pixels(width * height, colour);
    {
        Imf::RgbaOutputFile file(path.c_str(), width, height, Imf::WRITE_YCA);
        file.setFrameBuffer(pixels.data(), 1, width);
        file.writePixels(height);
    }
    FrameImage frame = read_frame(path);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            expect_pixel(frame, x, y, {0.5f, 0.25f, 0.125f, 0.75f}, 5e-3f);
        }
    }
}

TEST(ForeignFrames, OpenExrReadsOurExrTopRowFirst) {
    TempFolder folder;
    FrameImage frame = ramp_frame(W, H);
    write_frame(folder.file("ours.exr"), frame);
    Imf::RgbaInputFile file(folder.file("ours.exr").c_str());
    std::vector<Imf::Rgba> pixels(W * H);
    file.setFrameBuffer(pixels.data(), 1, W);
    file.readPixels(0, H - 1);
    for (int i = 0; i < W * H; ++i) {
        float const* p = &frame.pixels[std::size_t(4 * i)];
        EXPECT_THAT((std::vector<float>{pixels[i].r, pixels[i].g, pixels[i].b, pixels[i].a}),
                    testing::Pointwise(testing::FloatNear(1e-3f), std::vector<float>(p, p + 4)))
            << i;
    }
}

} // namespace
