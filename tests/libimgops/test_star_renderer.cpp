#include "float_image.h"
#include "memory_stars.h"

#include "libimgops/stars.h"

#include "base/xception.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// sRGB decoding with the catalogue's 0.03928 threshold, in double.
double srgb_to_linear(int byte) {
    double c = byte / 255.0;
    return c > 0.03928 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92;
}

DblMatrix4 turned(double heading_degrees) {
    double const hpb[] = {heading_degrees * M_PI / 180, 0, 0};
    return DblMatrix4::from_euler_angles(hpb).inverse();
}

} // namespace

// A 200 x 100 framebuffer over the window [-2, 2] x [-1, 1] (square pixels,
// 50 per projected unit); a star on the axis lands on pixel (100, 50). A size
// of 20 is a radius of 2 pixels.
class StarRendererTest : public testing::Test {
protected:
    StarRendererTest() : img(200, 100) {
        data.win_x0 = -2;
        data.win_x1 = 2;
        data.win_y0 = -1;
        data.win_y1 = 1;
        data.size_x = 20;
        data.size_y = 20;
        data.lum_threshold = 0;
        data.lum_max = 1e9;
        data.brightness = 1;
        data.saturation = 1;
        data.lum_exponent = 1;
        data.tint_strength = 0;
        data.parallax = 0;
        data.tint[0] = data.tint[1] = data.tint[2] = 0;
        data.projection = OP_STARS_PERSPECTIVE;
        data.lines = OP_STARS_ALL_LINES;
        data.three_d = false;
    }

    void add_camera(DblMatrix4 const& xform, double zoom = 1) {
        cams.append(camera{xform, zoom, 1.0, -1.0});
    }

    // Renders every star; returns whether any drew.
    bool render(StarInput& input) {
        if (cams.len() == 0) {
            add_camera(DblMatrix4::the_identity());
        }
        StarRenderer renderer(data, img.fb, input, cams);
        bool drew = false;
        while (renderer.render_star(drew)) {
        }
        return drew;
    }

    bool render_one(star const& s) {
        MemoryStars input("ORRELUX1", {s});
        return render(input);
    }

    StarRendererData data{};
    FloatImage img;
    Array<camera> cams;
};

TEST_F(StarRendererTest, HeaderOnlyDatabaseRendersNothing) {
    MemoryStars input("ORRELUX1");
    add_camera(DblMatrix4::the_identity());
    StarRenderer renderer(data, img.fb, input, cams);
    bool drew = false;
    EXPECT_FALSE(renderer.render_star(drew));
    EXPECT_FALSE(drew);
    EXPECT_EQ(input.reads, 1);
}

TEST_F(StarRendererTest, ZeroBrightnessReadsNoStar) {
    data.brightness = 0;
    MemoryStars input("ORRELUX1", {make_star(90, 0, 1)});
    add_camera(DblMatrix4::the_identity());
    StarRenderer renderer(data, img.fb, input, cams);
    bool drew = false;
    EXPECT_FALSE(renderer.render_star(drew));
    EXPECT_EQ(input.reads, 1);
    EXPECT_EQ(img.total_red(), 0);
}

TEST_F(StarRendererTest, RendersOneStarPerCall) {
    MemoryStars input("ORRELUX1", {make_star(90, 0, 1), make_star(91, 0, 1), make_star(92, 0, 1)});
    add_camera(DblMatrix4::the_identity());
    StarRenderer renderer(data, img.fb, input, cams);
    bool drew = false;
    EXPECT_TRUE(renderer.render_star(drew));
    EXPECT_TRUE(drew);
    EXPECT_EQ(input.reads, 2);
    EXPECT_TRUE(renderer.render_star(drew));
    EXPECT_FALSE(renderer.render_star(drew));
    EXPECT_EQ(input.reads, 4);
    EXPECT_FALSE(renderer.render_star(drew));
    EXPECT_EQ(input.reads, 4);
}

TEST_F(StarRendererTest, DrewIsNeverCleared) {
    MemoryStars input("ORRELUX1", {make_star(90, 0, 1), make_star(270, 0, 1)});
    add_camera(DblMatrix4::the_identity());
    StarRenderer renderer(data, img.fb, input, cams);
    bool drew = false;
    renderer.render_star(drew);
    ASSERT_TRUE(drew);
    renderer.render_star(drew);
    EXPECT_TRUE(drew);
}

TEST_F(StarRendererTest, WrongMagicIsRefused) {
    MemoryStars input("ORRELUX3", {make_star(90, 0, 1)});
    add_camera(DblMatrix4::the_identity());
    try {
        StarRenderer renderer(data, img.fb, input, cams);
        FAIL() << "no exception";
    } catch (StrXception const& e) {
        EXPECT_STREQ(e.message(),
                     "error in star database file in <StarRenderer::StarRenderer(const "
                     "StarRendererData &, const StarFramebuffer &, StarInput &, const "
                     "Array<struct camera> &)> (libimgops/stars:526)");
    }
    EXPECT_FALSE(input.is_3d);
}

TEST_F(StarRendererTest, NoCameraSampleIsAnAssertion) {
    MemoryStars input("ORRELUX1", {make_star(90, 0, 1)});
    try {
        StarRenderer renderer(data, img.fb, input, cams);
        FAIL() << "no exception";
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "priv->cams.len() > 0");
        EXPECT_STREQ(e.file, "libimgops/stars");
        EXPECT_STREQ(e.function, "StarRenderer::StarRenderer(const StarRendererData &, const "
                                 "StarFramebuffer &, StarInput &, const Array<struct camera> &)");
        EXPECT_EQ(e.line, 472);
    }
    EXPECT_EQ(input.reads, 0);
}

TEST_F(StarRendererTest, SecondMagicMarksTheDatabase3D) {
    MemoryStars input("ORRELUX2", {make_star(90, 0, 1)});
    render(input);
    EXPECT_TRUE(input.is_3d);
}

TEST_F(StarRendererTest, SpotPeakIsFourTimesBrightnessTimesLuminance) {
    data.brightness = 0.75;
    EXPECT_TRUE(render_one(make_star(90, 0, 0.5f)));
    EXPECT_NEAR(img.r(100, 50), 4 * 0.75 * 0.5, 1e-5);
    EXPECT_NEAR(img.r(102, 50), 4 * 0.75 * 0.5 / M_E, 1e-5);
    EXPECT_NEAR(img.r(100, 52), 4 * 0.75 * 0.5 / M_E, 1e-5);
}

TEST_F(StarRendererTest, StarsBelowTheThresholdAreSkipped) {
    data.lum_threshold = 0.6;
    EXPECT_FALSE(render_one(make_star(90, 0, 0.5f)));
    EXPECT_EQ(img.total_red(), 0);
    EXPECT_TRUE(render_one(make_star(90, 0, 0.6f)));
}

TEST_F(StarRendererTest, ExponentShapesTheLuminance) {
    data.lum_exponent = 2;
    render_one(make_star(90, 0, 0.5f));
    EXPECT_NEAR(img.r(100, 50), 4 * 0.25, 1e-5);
}

TEST_F(StarRendererTest, CeilingLimitsTheShapedLuminance) {
    data.lum_max = 0.1;
    render_one(make_star(90, 0, 7));
    EXPECT_NEAR(img.r(100, 50), 4 * 0.1, 1e-5);
}

TEST_F(StarRendererTest, MotionBlurKeepsTheTotalLight) {
    render_one(make_star(90, 0, 1));
    double const still = img.total_red();
    for (int samples : {2, 3, 5}) {
        FloatImage blurred(200, 100);
        std::swap(img, blurred);
        cams.clear();
        for (int i = 0; i < samples; i++) {
            add_camera(turned(-40.0 * i / (samples - 1)));
        }
        EXPECT_TRUE(render_one(make_star(90, 0, 1)));
        EXPECT_NEAR(img.total_red(), still, still * 3e-3) << samples;
        EXPECT_GT(img.r(130, 50), 0) << samples;
    }
}

TEST_F(StarRendererTest, StillSegmentsShareTheGain) {
    for (int i = 0; i < 5; i++) {
        add_camera(DblMatrix4::the_identity());
    }
    render_one(make_star(90, 0, 1));
    EXPECT_NEAR(img.r(100, 50), 4, 1e-5);
}

TEST_F(StarRendererTest, SubPixelSpotIsOnePixelWideAndDimmer) {
    data.size_x = data.size_y = 10;
    render_one(make_star(90, 0, 1));
    double const one_pixel = img.total_red();
    EXPECT_NEAR(img.r(101, 50), img.r(100, 50) / M_E, 1e-5);

    FloatImage small(200, 100);
    std::swap(img, small);
    data.size_x = data.size_y = 5;
    render_one(make_star(90, 0, 1));
    EXPECT_NEAR(img.total_red(), one_pixel * 0.25, one_pixel * 1e-5);
    EXPECT_NEAR(img.r(101, 50), img.r(100, 50) / M_E, 1e-5);
}

TEST_F(StarRendererTest, NonSquarePixelsStretchTheSpotSideways) {
    // Twice as many pixels per projected unit across as down.
    data.win_y0 = -2;
    data.win_y1 = 2;
    render_one(make_star(90, 0, 1));
    float const peak = img.r(100, 50);
    EXPECT_NEAR(img.r(104, 50), peak / M_E, 1e-5);
    EXPECT_NEAR(img.r(100, 52), peak / M_E, 1e-5);
}

TEST_F(StarRendererTest, SizeIsInTwoThousandthsOfTheWidth) {
    FloatImage wide(2000, 1000);
    std::swap(img, wide);
    data.win_x0 = -1;
    data.win_x1 = 1;
    data.win_y0 = -0.5;
    data.win_y1 = 0.5;
    data.size_x = 3;
    data.size_y = 2;
    render_one(make_star(90, 0, 1));
    // Float radians leave 90 degrees a few millionths of a pixel off centre.
    float const peak = img.r(1000, 500);
    EXPECT_NEAR(img.r(1003, 500), peak / M_E, 1e-4);
    EXPECT_NEAR(img.r(1000, 502), peak / M_E, 1e-4);
}

TEST_F(StarRendererTest, ColourBytesDecodeOnBothSidesOfTheThreshold) {
    render_one(make_star(90, 0, 0.25f, 10, 11, 200));
    float const I = 4 * 0.25f;
    EXPECT_NEAR(img.r(100, 50), I * srgb_to_linear(10), 1e-6);
    EXPECT_NEAR(img.g(100, 50), I * srgb_to_linear(11), 1e-6);
    EXPECT_NEAR(img.b(100, 50), I * srgb_to_linear(200), 1e-5);
}

TEST_F(StarRendererTest, FullTintReplacesTheStarColour) {
    data.tint_strength = 1;
    data.tint[0] = 0.2f;
    data.tint[1] = 0.4f;
    data.tint[2] = 0.8f;
    render_one(make_star(90, 0, 0.25f, 255, 0, 30));
    EXPECT_NEAR(img.r(100, 50), 0.2, 1e-6);
    EXPECT_NEAR(img.g(100, 50), 0.4, 1e-6);
    EXPECT_NEAR(img.b(100, 50), 0.8, 1e-6);
}

TEST_F(StarRendererTest, HalfTintMixesLinearly) {
    data.tint_strength = 0.5;
    data.tint[0] = 1;
    render_one(make_star(90, 0, 0.25f, 0, 255, 0));
    EXPECT_NEAR(img.r(100, 50), 0.5, 1e-6);
    EXPECT_NEAR(img.g(100, 50), 0.5, 1e-6);
    EXPECT_NEAR(img.b(100, 50), 0, 1e-6);
}

TEST_F(StarRendererTest, SaturationBlendsWithMidGrey) {
    data.saturation = 0;
    data.tint_strength = 1;
    data.tint[2] = 1;
    render_one(make_star(90, 0, 0.25f, 255, 0, 30));
    EXPECT_NEAR(img.r(100, 50), 0.5, 1e-6);
    EXPECT_NEAR(img.g(100, 50), 0.5, 1e-6);
    EXPECT_NEAR(img.b(100, 50), 0.5, 1e-6);

    FloatImage vivid(200, 100);
    std::swap(img, vivid);
    data.saturation = 2;
    data.tint_strength = 0;
    render_one(make_star(90, 0, 0.25f, 255, 0, 0));
    EXPECT_NEAR(img.r(100, 50), 1.5, 1e-5);
    EXPECT_NEAR(img.g(100, 50), -0.5, 1e-6);
}

TEST_F(StarRendererTest, PerspectiveSkipsSegmentsThatLeaveTheView) {
    add_camera(DblMatrix4::the_identity());
    add_camera(turned(180));
    EXPECT_FALSE(render_one(make_star(90, 0, 1)));
    EXPECT_EQ(img.total_red(), 0);
}

TEST_F(StarRendererTest, FisheyeDrawsSegmentsWithOneEndInView) {
    data.projection = OP_STARS_HEMISPHERICAL;
    add_camera(DblMatrix4::the_identity());
    add_camera(turned(180));
    EXPECT_TRUE(render_one(make_star(90, 0, 1)));
    EXPECT_GT(img.r(100, 50), 0);
}

TEST_F(StarRendererTest, PerspectiveSegmentEndBesideTheEyeAddsNoLight) {
    // The second sample sees the star exactly 90 degrees off its axis.
    add_camera(DblMatrix4::the_identity());
    add_camera(turned(-90));
    EXPECT_FALSE(render_one(make_star(90, 0, 1)));
    EXPECT_EQ(img.total_red(), 0);
    add_camera(turned(-89.9999));
    EXPECT_FALSE(render_one(make_star(90, 0, 1)));
}

TEST_F(StarRendererTest, UnknownProjectionSurfacesWithTheFirstVisibleStar) {
    data.projection = static_cast<op_stars_projection>(3);
    data.lum_threshold = 0.5;
    MemoryStars input("ORRELUX1", {make_star(90, 0, 0.1f), make_star(90, 0, 1)});
    add_camera(DblMatrix4::the_identity());
    StarRenderer renderer(data, img.fb, input, cams);
    bool drew = false;
    EXPECT_TRUE(renderer.render_star(drew));
    EXPECT_THROW(renderer.render_star(drew), StrXception);
}

class StarRendererDistances : public StarRendererTest {
protected:
    // Column of the brightest pixel on the middle row.
    int brightest_column() {
        int best = 0;
        for (int x = 1; x < img.fb.width; x++) {
            if (img.r(x, 50) > img.r(best, 50)) {
                best = x;
            }
        }
        return best;
    }

    int render_from_the_side(char const* magic, bool three_d) {
        FloatImage fresh(200, 100);
        std::swap(img, fresh);
        cams.clear();
        DblMatrix4 shifted = DblMatrix4::the_identity();
        shifted(3, 0) = -1;
        add_camera(shifted);
        data.three_d = three_d;
        MemoryStars input(magic, {make_star(90, 0, 1, 255, 255, 255, 10)});
        render(input);
        return brightest_column();
    }
};

TEST_F(StarRendererDistances, AreUsedOnlyWhenTheDatabaseAndTheSettingAgree) {
    EXPECT_EQ(render_from_the_side("ORRELUX2", true), 95);
    EXPECT_EQ(render_from_the_side("ORRELUX2", false), 100);
    EXPECT_EQ(render_from_the_side("ORRELUX1", true), 100);
}
