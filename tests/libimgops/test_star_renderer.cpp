#include "float_image.h"
#include "memory_stars.h"

#include "libimgops/stars.h"

#include "base/xception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// A 200 x 100 framebuffer over the window [-2, 2] x [-1, 1] (square pixels,
// 50 per projected unit); a star straight ahead lands on pixel (100, 50).
class StarRendererTest : public testing::Test {
protected:
    StarRendererTest() { add_camera(); }

    // Adds a camera sample turned right by the heading, in degrees.
    void add_camera(double heading = 0) {
        double const hpb[] = {heading * M_PI / 180, 0, 0};
        cams.append(camera{DblMatrix4::from_euler_angles(hpb).inverse(), 1, 1, -1});
    }

    // Renders one star into a fresh image; returns whether it drew.
    bool render(star const& s, char const* magic = "ORRELUX1") {
        input = MemoryStars(magic, {s});
        img = FloatImage(img.fb.width, img.fb.height);
        StarRenderer renderer(data, img.fb, input, cams);
        bool drew = false;
        EXPECT_FALSE(renderer.render_star(drew)) << "the only star is the last";
        return drew;
    }

    // Sizes 20 (two pixels), no threshold, a high ceiling, brightness,
    // saturation and exponent 1, no tint, no parallax, perspective, all lines.
    StarRendererData data{-2, 2, -1, 1, 20, 20, 0, 1e9, 1, 1, 1, 0, 0, {0, 0, 0}, {}, {}, false};
    FloatImage img{200, 100};
    Array<camera> cams;
    MemoryStars input{"ORRELUX1"};
};

TEST_F(StarRendererTest, UnknownMagicIsRefusedHereAndByTheValidityCheck) {
    EXPECT_FALSE(MemoryStars("ORRELUX").is_valid());
    EXPECT_THAT([&] { render(make_star(90, 0, 1), "ORRELUX3"); },
                testing::Throws<StrXception>(testing::Property(
                    &StrXception::message,
                    testing::StrEq("error in star database file in <StarRenderer::StarRenderer("
                                   "const StarRendererData &, const StarFramebuffer &, StarInput "
                                   "&, const Array<struct camera> &)> (libimgops/stars:526)"))));
}

TEST_F(StarRendererTest, PeakIsFourTimesBrightnessTimesTheShapedLuminance) {
    struct Case {
        char const* name;
        double brightness, threshold, exponent, ceiling, lum, peak;
    } const cases[] = {
        {"brightness", 0.75, 0, 1, 1e9, 0.5f, 1.5},   {"no brightness", 0, 0, 1, 1e9, 0.5f, 0},
        {"below threshold", 1, 0.6, 1, 1e9, 0.5f, 0}, {"at threshold", 1, 0.5, 1, 1e9, 0.5f, 2},
        {"exponent", 1, 0, 2, 1e9, 0.5f, 1},          {"ceiling", 1, 0, 1, 0.1, 7, 0.4}};
    for (Case const& c : cases) {
        data.brightness = c.brightness;
        data.lum_threshold = c.threshold;
        data.lum_exponent = c.exponent;
        data.lum_max = c.ceiling;
        EXPECT_EQ(render(make_star(90, 0, c.lum)), c.peak > 0) << c.name;
        EXPECT_NEAR(img.r(100, 50), c.peak, 1e-5) << c.name;
        EXPECT_EQ(input.cursor, c.brightness == 0 ? 1u : 2u) << c.name << ": records read";
    }
}

TEST_F(StarRendererTest, RadiiFollowWidthAndPixelAspectAndSubPixelSpotsDimInstead) {
    // Sizes are in 2000ths of the width; a sub-pixel radius is drawn as one, dimmer.
    struct Case {
        char const* name;
        int width;
        double win_y, size_x, size_y, rx, ry, peak;
    } const cases[] = {{"square", 200, 1, 30, 40, 3, 4, 4},
                       {"wider", 400, 1, 20, 20, 4, 4, 4},
                       {"pixels twice as tall", 200, 2, 20, 20, 4, 2, 4},
                       {"sub-pixel across", 200, 1, 5, 20, 1, 2, 2},
                       {"sub-pixel both ways", 200, 1, 5, 5, 1, 1, 1}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        img = FloatImage(c.width, c.width / 2);
        data.win_y0 = -c.win_y;
        data.win_y1 = c.win_y;
        data.size_x = c.size_x;
        data.size_y = c.size_y;
        render(make_star(90, 0, 1));
        int const x = c.width / 2, y = c.width / 4;
        EXPECT_NEAR(img.r(x, y), c.peak, 1e-4);
        EXPECT_NEAR(img.r(x + int(c.rx), y), c.peak / M_E, 1e-4);
        EXPECT_NEAR(img.r(x, y + int(c.ry)), c.peak / M_E, 1e-4);
    }
}

TEST_F(StarRendererTest, MotionBlurSharesTheLightOfOneSpotOverTheSegments) {
    render(make_star(90, 0, 1));
    double const still = img.total_light();
    for (int samples : {2, 3, 5}) {
        cams.clear();
        for (int i = 0; i < samples; i++) {
            add_camera(-40.0 * i / (samples - 1));
        }
        EXPECT_TRUE(render(make_star(90, 0, 1)));
        EXPECT_NEAR(img.total_light(), still, still * 3e-3) << samples;
        EXPECT_GT(img.r(130, 50), 0) << samples;
    }
}

TEST_F(StarRendererTest, ColourIsDecodedTintedAndSaturated) {
    // sRGB decoding with the catalogue's 0.03928 threshold.
    auto linear = [](double c) {
        return c > 0.03928 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92;
    };
    struct Case {
        char const* name;
        int bytes[3];
        double tint_strength, tint[3], saturation, rgb[3];
    } const cases[] = {
        {"decoded",
         {10, 11, 200},
         0,
         {0, 0, 0},
         1,
         {linear(10 / 255.), linear(11 / 255.), linear(200 / 255.)}},
        {"full tint", {255, 0, 30}, 1, {0.2, 0.4, 0.8}, 1, {0.2, 0.4, 0.8}},
        {"half tint", {0, 255, 0}, 0.5, {1, 0, 0}, 1, {0.5, 0.5, 0}},
        {"grey", {255, 0, 30}, 1, {0, 0, 1}, 0, {0.5, 0.5, 0.5}},
        {"vivid", {255, 0, 0}, 0, {0, 0, 0}, 2, {1.5, -0.5, -0.5}},
    };
    for (Case const& c : cases) {
        data.tint_strength = c.tint_strength;
        std::copy(c.tint, c.tint + 3, data.tint);
        data.saturation = c.saturation;
        render(make_star(90, 0, 0.25f, c.bytes[0], c.bytes[1], c.bytes[2]));
        EXPECT_NEAR(img.r(100, 50), c.rgb[0], 1e-5) << c.name;
        EXPECT_NEAR(img.g(100, 50), c.rgb[1], 1e-5) << c.name;
        EXPECT_NEAR(img.b(100, 50), c.rgb[2], 1e-5) << c.name;
    }
}

TEST_F(StarRendererTest, PerspectiveSegmentsNeedBothEndsInViewFisheyeSegmentsEither) {
    // The second sample sees the star behind it or exactly beside the eye.
    for (auto projection :
         {OP_STARS_PERSPECTIVE, OP_STARS_HEMISPHERICAL, OP_STARS_AZIMUTHAL_EQUIDISTANT}) {
        for (double heading : {180.0, -90.0}) {
            data.projection = projection;
            cams.clear();
            add_camera();
            add_camera(heading);
            bool const drawn = projection != OP_STARS_PERSPECTIVE;
            EXPECT_EQ(render(make_star(90, 0, 1)), drawn) << projection << " " << heading;
            EXPECT_EQ(img.r(100, 50) > 0, drawn) << projection << " " << heading;
        }
    }
}

TEST_F(StarRendererTest, DistancesAreUsedOnlyWhenTheDatabaseAndTheSettingAgree) {
    // Seen from one unit right, a star ten units ahead is five pixels left.
    cams[0].xform(3, 0) = -1;
    for (char const* magic : {"ORRELUX1", "ORRELUX2"}) {
        for (bool three_d : {false, true}) {
            data.three_d = three_d;
            render(make_star(90, 0, 1, 255, 255, 255, 10), magic);
            int const column = three_d && magic[7] == '2' ? 95 : 100;
            EXPECT_NEAR(img.r(column, 50), 4, 1e-3) << magic << " " << three_d;
        }
    }
}
