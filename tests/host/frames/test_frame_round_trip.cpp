#include "host/frames/frame_file.h"
#include "host/frames/srgb.h"

#include "frames_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A ramp with the values only float formats keep: above 1, below 0, tiny and
// huge.
FrameImage wide_range_frame() {
    FrameImage frame = ramp_frame(37, 23);
    float const extremes[] = {4.5f, -0.25f, 1e-30f, 3e38f, 60000.0f, 0.0f};
    for (std::size_t i = 0; i < frame.pixels.size(); i += 97) {
        frame.pixels[i] = extremes[(i / 97) % 6];
    }
    return frame;
}

float clamped(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

enum class Check { BIT_IDENTICAL, HALF_ROUNDING, INTEGER_STEP };

struct RoundTrip {
    char const* name;
    SampleType samples;
    Check check;
    unsigned max; // the largest integer sample
};

RoundTrip const ROUND_TRIPS[] = {
    {"float.exr", SampleType::FLOAT, Check::BIT_IDENTICAL, 0},
    {"default.EXR", SampleType::DEFAULT, Check::BIT_IDENTICAL, 0},
    {"half.exr", SampleType::HALF, Check::HALF_ROUNDING, 0},
    {"float.tif", SampleType::FLOAT, Check::BIT_IDENTICAL, 0},
    {"default.TIFF", SampleType::DEFAULT, Check::BIT_IDENTICAL, 0},
    {"8.tiff", SampleType::UINT8, Check::INTEGER_STEP, 255},
    {"16.tif", SampleType::UINT16, Check::INTEGER_STEP, 65535},
    {"8.png", SampleType::UINT8, Check::INTEGER_STEP, 255},
    {"default.Png", SampleType::DEFAULT, Check::INTEGER_STEP, 255},
    {"16.png", SampleType::UINT16, Check::INTEGER_STEP, 65535},
};

// Whether `back` is what `stored` holds once written as `trip` asks: integer
// colour within half a step of the sRGB encoding, integer alpha within half a
// linear step, half within half a unit in the last place.
bool within_quantisation(RoundTrip const& trip, float original, float back, bool alpha) {
    switch (trip.check) {
    case Check::BIT_IDENTICAL:
        return std::memcmp(&original, &back, sizeof original) == 0;
    case Check::HALF_ROUNDING:
        if (std::fabs(original) > 65504.0f) {
            return std::isinf(back);
        }
        return std::fabs(back - original) <= std::max(std::fabs(original) / 2048.0f, 0x1p-25f);
    case Check::INTEGER_STEP:
        float half_step = 0.5f / float(trip.max) + 1e-6f;
        if (alpha) {
            return std::fabs(back - clamped(original)) <= half_step;
        }
        return std::fabs(iec_linear_to_srgb(back) - iec_linear_to_srgb(clamped(original))) <=
               half_step;
    }
    return false;
}

TEST(FrameRoundTrip, EachFormatAndDepthGivesBackWhatItStores) {
    TempFolder folder;
    FrameImage original = wide_range_frame();
    for (RoundTrip const& trip : ROUND_TRIPS) {
        SCOPED_TRACE(trip.name);
        std::string path = folder.file(trip.name);
        write_frame(path, original, trip.samples);
        FrameImage back = read_frame(path);
        ASSERT_EQ(back.width, original.width);
        ASSERT_EQ(back.height, original.height);
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < original.pixels.size(); ++i) {
            wrong += !within_quantisation(trip, original.pixels[i], back.pixels[i], i % 4 == 3);
        }
        EXPECT_EQ(wrong, 0u);
        // Values once quantised are stored exactly the second time.
        write_frame(path, back, trip.samples);
        EXPECT_EQ(read_frame(path).pixels, back.pixels);
    }
    EXPECT_EQ(folder.entries().size(), std::size(ROUND_TRIPS));
}

TEST(FrameRoundTrip, DefaultsToFloatExceptForPng) {
    TempFolder folder;
    FrameImage frame = ramp_frame(16, 16);
    for (char const* name : {"a.exr", "a.tif", "a.png"}) {
        write_frame(folder.file(std::string("default-") + name), frame);
        write_frame(folder.file(std::string("explicit-") + name), frame,
                    std::string(name) == "a.png" ? SampleType::UINT8 : SampleType::FLOAT);
        EXPECT_EQ(file_bytes(folder.file(std::string("default-") + name)),
                  file_bytes(folder.file(std::string("explicit-") + name)))
            << name;
    }
}

struct Refusal {
    char const* name;
    SampleType samples;
};

TEST(FrameRoundTrip, RefusesSampleTypesTheFormatCannotStore) {
    TempFolder folder;
    Refusal const refusals[] = {
        {"a.exr", SampleType::UINT8}, {"a.exr", SampleType::UINT16}, {"a.png", SampleType::HALF},
        {"a.png", SampleType::FLOAT}, {"a.tif", SampleType::HALF},
    };
    for (Refusal const& r : refusals) {
        std::string path = folder.file(r.name);
        EXPECT_THAT(message_of([&] { write_frame(path, ramp_frame(4, 4), r.samples); }),
                    testing::HasSubstr("cannot write frame \"" + path +
                                       "\": the format stores no \"" + sample_type_name(r.samples) +
                                       "\" samples"));
    }
    EXPECT_TRUE(folder.entries().empty());
}

TEST(FrameRoundTrip, SampleTypesAreNamedBothWays) {
    for (SampleType s : {SampleType::DEFAULT, SampleType::UINT8, SampleType::UINT16,
                         SampleType::HALF, SampleType::FLOAT}) {
        EXPECT_EQ(sample_type_named(sample_type_name(s)), s);
    }
    EXPECT_THAT(message_of([] { sample_type_named("32"); }),
                testing::HasSubstr("unknown sample type \"32\" (choose one of default, 8, 16, "
                                   "half, float)"));
}

} // namespace
