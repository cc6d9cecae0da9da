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

#include <cstdint>
#include <vector>

namespace {

int const W = 5;
int const H = 3;

// A distinct 8-bit value for each pixel and channel.
unsigned char byte_at(int x, int y, int c) {
    return (unsigned char)(17 * (x + W * y) + 61 * c);
}

void expect_pixel(FrameImage const& frame, int x, int y, float r, float g, float b, float a) {
    float const* p = frame.pixel(x, y);
    EXPECT_THAT(std::vector<float>(p, p + 4),
                testing::Pointwise(testing::FloatNear(1e-6f), std::vector<float>{r, g, b, a}))
        << "pixel " << x << "," << y;
}

struct PngLayout {
    char const* name;
    png_uint_32 format;
    int channels;
};

TEST(ForeignFrames, PngGreyAndRgbWithOrWithoutAlphaRead) {
    TempFolder folder;
    PngLayout const layouts[] = {{"grey.png", PNG_FORMAT_GRAY, 1},
                                 {"grey-alpha.png", PNG_FORMAT_GA, 2},
                                 {"rgb.png", PNG_FORMAT_RGB, 3}};
    for (PngLayout const& layout : layouts) {
        SCOPED_TRACE(layout.name);
        std::vector<unsigned char> samples;
        for (int i = 0; i < W * H * layout.channels; ++i) {
            samples.push_back(
                byte_at(i / layout.channels % W, i / layout.channels / W, i % layout.channels));
        }
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = W;
        image.height = H;
        image.format = layout.format;
        std::string path = folder.file(layout.name);
        ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, samples.data(), 0, nullptr));
        FrameImage frame = read_frame(path);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                float grey = srgb_to_linear(byte_at(x, y, 0) / 255.0f);
                bool rgb = layout.channels == 3;
                float alpha = layout.channels == 2 ? byte_at(x, y, 1) / 255.0f : 1.0f;
                expect_pixel(frame, x, y, grey,
                             rgb ? srgb_to_linear(byte_at(x, y, 1) / 255.0f) : grey,
                             rgb ? srgb_to_linear(byte_at(x, y, 2) / 255.0f) : grey, alpha);
            }
        }
    }
}

TEST(ForeignFrames, PngWithLinearGammaReadsAsLinear) {
    TempFolder folder;
    std::vector<uint16_t> samples;
    for (int i = 0; i < W * H * 3; ++i) {
        samples.push_back(uint16_t(4099 * i));
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = W;
    image.height = H;
    // libpng writes 16-bit linear samples with a gAMA of 1.0.
    image.format = PNG_FORMAT_LINEAR_RGB;
    std::string path = folder.file("linear.png");
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, samples.data(), 0, nullptr));
    FrameImage frame = read_frame(path);
    for (int i = 0; i < W * H; ++i) {
        expect_pixel(frame, i % W, i / W, samples[3 * i] / 65535.0f, samples[3 * i + 1] / 65535.0f,
                     samples[3 * i + 2] / 65535.0f, 1.0f);
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

// Writes a TIFF with libtiff: `samples` per pixel of `bits` each, from the
// sample values given row by row, interleaved, in [0, 1].
void write_foreign_tiff(std::string const& path, int samples, int bits, bool planes, bool bottom_up,
                        std::vector<double> const& values) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_TRUE(tif);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples < 3 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, bottom_up ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (samples == 2) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    int per_line = planes ? 1 : samples;
    std::vector<unsigned char> line(std::size_t(W * per_line * bits / 8));
    for (int plane = 0; plane < (planes ? samples : 1); ++plane) {
        for (int row = 0; row < H; ++row) {
            int y = bottom_up ? H - 1 - row : row;
            for (int i = 0; i < W * per_line; ++i) {
                int sample = planes ? plane : i % samples;
                double v = values[std::size_t((y * W + i / per_line) * samples + sample)];
                if (bits == 32) {
                    float f = float(v);
                    std::memcpy(&line[std::size_t(4 * i)], &f, 4);
                } else if (bits == 16) {
                    uint16_t s = uint16_t(std::lround(v * 65535));
                    std::memcpy(&line[std::size_t(2 * i)], &s, 2);
                } else {
                    line[std::size_t(i)] = (unsigned char)std::lround(v * 255);
                }
            }
            ASSERT_EQ(TIFFWriteScanline(tif, line.data(), uint32_t(row), uint16_t(plane)), 1);
        }
    }
    TIFFClose(tif);
}

struct TiffLayout {
    char const* name;
    int samples;
    int bits;
    bool planes;
    bool bottom_up;
};

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
        std::vector<double> values;
        for (int i = 0; i < W * H * layout.samples; ++i) {
            values.push_back(
                byte_at(i / layout.samples % W, i / layout.samples / W, i % layout.samples) /
                255.0);
        }
        std::string path = folder.file(layout.name);
        write_foreign_tiff(path, layout.samples, layout.bits, layout.planes, layout.bottom_up,
                           values);
        FrameImage frame = read_frame(path);
        auto colour = [&](int x, int y, int c) {
            float v = float(values[std::size_t((y * W + x) * layout.samples + c)]);
            return layout.bits == 32 ? v : srgb_to_linear(v);
        };
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                bool grey = layout.samples < 3;
                float alpha = layout.samples == 2 || layout.samples == 4
                                  ? float(values[std::size_t((y * W + x) * layout.samples +
                                                             layout.samples - 1)])
                                  : 1.0f;
                expect_pixel(frame, x, y, colour(x, y, 0), colour(x, y, grey ? 0 : 1),
                             colour(x, y, grey ? 0 : 2), alpha);
            }
        }
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
    expect_pixel(frame, 3, 2, 23.0f, 23.0f, 23.0f, 1.0f);
}

TEST(ForeignFrames, ExrDataWindowLandsInTheDisplayWindowWithNothingAround) {
    TempFolder folder;
    write_foreign_exr(folder.file("window.exr"), {"B", "G", "R"},
                      Imath::Box2i({1, 1}, {W - 1, H + 4}), W, H);
    FrameImage frame = read_frame(folder.file("window.exr"));
    ASSERT_EQ(frame.width, W);
    ASSERT_EQ(frame.height, H);
    // Each channel carries its own tenth; a missing alpha reads as 1 inside.
    expect_pixel(frame, 2, 1, 12.2f, 12.1f, 12.0f, 1.0f);
    expect_pixel(frame, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
    expect_pixel(frame, 4, 0, 0.0f, 0.0f, 0.0f, 0.0f);
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
            float const* p = frame.pixel(x, y);
            EXPECT_THAT(std::vector<float>(p, p + 4),
                        testing::Pointwise(testing::FloatNear(5e-3f),
                                           std::vector<float>{0.5f, 0.25f, 0.125f, 0.75f}));
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
