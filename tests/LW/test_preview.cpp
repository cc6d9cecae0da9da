#include "panel_harness.h"

#include "LW/logo.h"
#include "LW/preview.h"
#include "LW/preview_stars.h"

#include <cmath>
#include <limits>

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Eq;

// A group of lit pixels touching one another, and the light of one channel
// in it as byte / 255: its sum, centre and variance along x and y.
struct Spot {
    double light = 0, cx = 0, cy = 0, vx = 0, vy = 0;
    int x0, y0, x1, y1;
};

bool lit(RgbPicture const& p, int x, int y) {
    std::array<int, 3> c = p.at(x, y);
    return c[0] + c[1] + c[2] > 0;
}

Spot measure(RgbPicture const& p, std::vector<std::pair<int, int>> const& pixels, int channel) {
    Spot s{0, 0, 0, 0, 0, p.width, p.height, 0, 0};
    double sx = 0, sy = 0, sxx = 0, syy = 0;
    for (auto [x, y] : pixels) {
        double v = p.at(x, y)[channel] / 255.0;
        s.light += v;
        sx += v * x, sy += v * y, sxx += v * x * x, syy += v * y * y;
        s.x0 = std::min(s.x0, x), s.y0 = std::min(s.y0, y);
        s.x1 = std::max(s.x1, x), s.y1 = std::max(s.y1, y);
    }
    s.cx = sx / s.light;
    s.cy = sy / s.light;
    s.vx = sxx / s.light - s.cx * s.cx;
    s.vy = syy / s.light - s.cy * s.cy;
    return s;
}

std::vector<Spot> spots(RgbPicture const& p, int channel = 1) {
    std::vector<Spot> found;
    std::vector<char> seen(std::size_t(p.width) * p.height, 0);
    for (int y = 0; y < p.height; y++) {
        for (int x = 0; x < p.width; x++) {
            if (seen[std::size_t(y) * p.width + x] || !lit(p, x, y)) {
                continue;
            }
            std::vector<std::pair<int, int>> pixels, todo = {{x, y}};
            seen[std::size_t(y) * p.width + x] = 1;
            while (!todo.empty()) {
                auto [px, py] = todo.back();
                todo.pop_back();
                pixels.push_back({px, py});
                for (int dy = -1; dy <= 1; dy++) {
                    for (int dx = -1; dx <= 1; dx++) {
                        int nx = px + dx, ny = py + dy;
                        if (nx >= 0 && ny >= 0 && nx < p.width && ny < p.height &&
                            !seen[std::size_t(ny) * p.width + nx] && lit(p, nx, ny)) {
                            seen[std::size_t(ny) * p.width + nx] = 1;
                            todo.push_back({nx, ny});
                        }
                    }
                }
            }
            found.push_back(measure(p, pixels, channel));
        }
    }
    return found;
}

// Spots clear of the picture's edges, whose measures are whole.
std::vector<Spot> inner(std::vector<Spot> const& all, RgbPicture const& p) {
    std::vector<Spot> kept;
    for (Spot const& s : all) {
        if (s.x0 > 0 && s.y0 > 0 && s.x1 < p.width - 1 && s.y1 < p.height - 1) {
            kept.push_back(s);
        }
    }
    return kept;
}

// The spots' mean variances along x and y.
std::pair<double, double> mean_variances(std::vector<Spot> const& all) {
    double vx = 0, vy = 0;
    for (Spot const& s : all) {
        vx += s.vx / all.size();
        vy += s.vy / all.size();
    }
    return {vx, vy};
}

class Preview : public PanelHarness {
protected:
    Preview() {
        inst = instance();
        open(inst);
    }
    RgbPicture draw(int w, int h) { return host.panels.draw(panel, PANEL_PREVIEW, w, h); }
    // Every star drawn at the same intensity, grey, with linear bytes: the
    // picture holds the spots' shapes undistorted.
    void even_look() {
        inst->srgb_framebuffer = 0;
        inst->saturation = 0;
        inst->lum_max = 0.0009;
        inst->brightness = 800; // peak 0.0009 × 800 × 2.5 × grey 0.5 = 0.9
    }

    orrelux* inst;
};

TEST(PreviewStars, HaveTheDescribedRangesAndSpread) {
    EXPECT_THAT(std::vector<float>({preview_stars[0].x, preview_stars[0].y, preview_stars[0].lum,
                                    preview_stars[0].c, preview_stars[2].x, preview_stars[2].c}),
                ElementsAre(0.359694f, 0.09942f, 0.07894f, 0.714691f, 0.432467f, 0.131659f));
    EXPECT_EQ(preview_stars[1].lum, 0.013379f);
    float lo[4] = {1e9f, 1e9f, 1e9f, 1e9f}, hi[4] = {-1e9f, -1e9f, -1e9f, -1e9f};
    int bright = 0, outside = 0, decades[4] = {0, 0, 0, 0};
    std::vector<float> lums;
    for (PreviewStar const& s : preview_stars) {
        float const v[4] = {s.x, s.y, s.lum, s.c};
        for (int i = 0; i < 4; i++) {
            lo[i] = std::min(lo[i], v[i]), hi[i] = std::max(hi[i], v[i]);
        }
        bright += s.lum >= 0.001;
        outside += s.x < 0 || s.x >= 1 || s.y < 0 || s.y >= 1;
        decades[std::min(3, int(std::floor(std::log10(s.lum) + 4)))]++;
        lums.push_back(s.lum);
    }
    EXPECT_THAT(lo, ElementsAre(-0.084f, -0.091f, 0.0001f, 0.006f));
    EXPECT_THAT(hi, ElementsAre(1.099f, 1.099f, 0.99983f, 0.9986f));
    EXPECT_EQ(bright, 154);
    EXPECT_THAT(decades, Each(::testing::AllOf(::testing::Ge(40), ::testing::Le(60))));
    std::sort(lums.begin(), lums.end());
    EXPECT_NEAR((lums[99] + lums[100]) / 2, 0.012, 0.002);
    EXPECT_GT(outside, 0);
    EXPECT_LT(outside, 20);
}

TEST(PreviewBytes, MapBucketsThroughTheCurves) {
    EXPECT_EQ(preview_byte(0.5f, true), 189);
    EXPECT_EQ(preview_byte(0.5f, false), 129);
    float const at_least_one[] = {1.0f, 1.5f, 1e30f, std::numeric_limits<float>::infinity()};
    float const below_zero[] = {-0.0f, -0.5f, -1e30f};
    for (bool srgb : {true, false}) {
        for (float v : at_least_one) {
            EXPECT_EQ(preview_byte(v, srgb), 255) << v;
        }
        for (float v : below_zero) {
            EXPECT_EQ(preview_byte(v, srgb), 0) << v;
        }
        EXPECT_EQ(preview_byte(0.0f, srgb), 0);
        int previous = 0;
        for (float v = 1e-6f; v < 1; v *= 1.01f) {
            EXPECT_GE(preview_byte(v, srgb), previous) << v;
            previous = preview_byte(v, srgb);
            EXPECT_GE(preview_byte(v, true), preview_byte(v, false)) << v;
        }
    }
}

TEST_F(Preview, DefaultLookDrawsTheBrightStarsWhereTheyLie) {
    RgbPicture picture = draw(600, 600);
    EXPECT_EQ(picture.drawn, 600 * 600);
    EXPECT_EQ(picture.clipped, 0);
    std::vector<Spot> found = spots(picture);
    std::vector<PreviewStar> expected;
    for (PreviewStar const& s : preview_stars) {
        if (s.lum >= 0.001 && s.x >= 0 && s.x < 1 && s.y >= 0 && s.y < 1) {
            expected.push_back(s);
        }
    }
    ASSERT_EQ(found.size(), expected.size());
    for (PreviewStar const& s : expected) {
        int near = 0;
        for (Spot const& spot : found) {
            near += std::hypot(spot.cx + 0.5 - s.x * 600, spot.cy + 0.5 - s.y * 600) < 1.5;
        }
        EXPECT_EQ(near, 1) << s.x << ", " << s.y;
    }
}

TEST_F(Preview, SpotsAreRoundOfRadiusOneAndEquallyBrightWhenTheCeilingIsBelowTheThreshold) {
    even_look();
    RgbPicture picture = draw(600, 600);
    std::vector<Spot> found = inner(spots(picture), picture);
    ASSERT_GT(found.size(), 100u);
    auto [vx, vy] = mean_variances(found);
    // A spot of 1/e radius r has the variance r² / 2 along each axis, and
    // the light of its peak times pi r².
    EXPECT_NEAR(std::sqrt(vx + vy), 1.0, 0.05);
    EXPECT_NEAR(vx / vy, 1.0, 0.03);
    for (Spot const& s : found) {
        EXPECT_NEAR(s.light, 0.9 * M_PI, 0.03 * 0.9 * M_PI) << s.cx << ", " << s.cy;
    }
}

// Without saturation's pull to grey a star is (1 - 0.8 c, 1 - 0.8 c, c).
TEST_F(Preview, ColourGoesFromYellowToBlueWithTheColourParameter) {
    even_look();
    inst->saturation = 1;
    inst->brightness = 400; // intensity 0.9
    RgbPicture picture = draw(600, 600);
    std::vector<Spot> red = inner(spots(picture, 0), picture);
    std::vector<Spot> green = inner(spots(picture, 1), picture);
    std::vector<Spot> blue = inner(spots(picture, 2), picture);
    ASSERT_GT(red.size(), 100u);
    for (std::size_t i = 0; i < red.size(); i++) {
        PreviewStar const* nearest = &preview_stars[0];
        for (PreviewStar const& s : preview_stars) {
            auto distance = [&](PreviewStar const& t) {
                return std::hypot(t.x * 600 - red[i].cx, t.y * 600 - red[i].cy);
            };
            nearest = distance(s) < distance(*nearest) ? &s : nearest;
        }
        double expected_red = 1 - 0.8 * nearest->c;
        // A channel's light is its peak, 0.9 × the channel, times pi.
        EXPECT_NEAR(red[i].light, 0.9 * M_PI * expected_red, 0.05 + 0.03 * red[i].light) << i;
        EXPECT_NEAR(green[i].light, red[i].light, 0.03 + 0.01 * red[i].light) << i;
        EXPECT_NEAR(blue[i].light, 0.9 * M_PI * nearest->c, 0.05 + 0.03 * blue[i].light) << i;
    }
}

TEST_F(Preview, AspectTwoMakesSpotsTwiceAsWideAsHigh) {
    even_look();
    inst->star_aspect = 2;
    RgbPicture picture = draw(600, 600);
    auto [vx, vy] = mean_variances(inner(spots(picture), picture));
    EXPECT_NEAR(std::sqrt(vx / vy), 2.0, 0.05);
    EXPECT_NEAR(std::sqrt(2 * vy), 1.0, 0.05);
}

TEST_F(Preview, SpotSizeIsCappedAtTen) {
    even_look();
    inst->star_size = 25;
    RgbPicture large = draw(900, 900);
    inst->star_size = 10;
    RgbPicture capped = draw(900, 900);
    EXPECT_EQ(large.rgb, capped.rgb);
    auto [vx, vy] = mean_variances(inner(spots(capped), capped));
    EXPECT_NEAR(std::sqrt(vx + vy), 4.0, 0.2);
}

TEST_F(Preview, ThresholdAboveTheBrightestStarOrNoBrightnessGivesABlackPicture) {
    struct Case {
        double lum_threshold, brightness;
    };
    for (Case c : {Case{0.99984, 5}, Case{1.0, 5}, Case{0.001, 0}}) {
        inst->lum_threshold = c.lum_threshold;
        inst->brightness = c.brightness;
        EXPECT_THAT(draw(300, 200).rgb, Each(Eq(0))) << c.lum_threshold << ", " << c.brightness;
    }
    inst->lum_threshold = 0.9998;
    inst->brightness = 5;
    EXPECT_EQ(spots(draw(300, 200)).size(), 1u);
}

TEST_F(Preview, SettingsOutsideTheLookLeaveThePreviewAlone) {
    std::vector<unsigned char> const look = draw(320, 240).rgb;
    inst->projection = 2;
    inst->blur_segs = 9;
    inst->starfile = folder.file("elsewhere.stars").c_str();
    inst->starfile_3d = true;
    inst->three_d = 1;
    inst->parallax = 4;
    inst->anamorphic_dof = 1;
    inst->parent_id = host.scene.add(LWI_OBJECT, "Ball");
    EXPECT_EQ(draw(320, 240).rgb, look);
}

TEST_F(Preview, LinearBytesNeverExceedSRGBOnesOfTheSameLight) {
    std::vector<unsigned char> const srgb = draw(320, 240).rgb;
    inst->srgb_framebuffer = 0;
    std::vector<unsigned char> const linear = draw(320, 240).rgb;
    ASSERT_NE(srgb, linear);
    for (std::size_t i = 0; i < srgb.size(); i++) {
        ASSERT_LE(linear[i], srgb[i]) << i;
    }
}

TEST_F(Preview, LogoIsDrawnFromItsTopLeftAndCutToTheArea) {
    int const w = orrelux_wingui_logo_width, h = orrelux_wingui_logo_height;
    RgbPicture big = host.panels.draw(panel, PANEL_LOGO, w + 8, h + 9);
    RgbPicture small = host.panels.draw(panel, PANEL_LOGO, 100, 20);
    unsigned char const* logo = orrelux_wingui_logo();
    int letters = 0;
    for (int y = 0; y < h + 9; y++) {
        for (int x = 0; x < w + 8; x++) {
            std::array<int, 3> shown = big.at(x, y);
            if (x >= w || y >= h) {
                ASSERT_THAT(shown, ElementsAre(0, 0, 0)) << x << ", " << y;
                continue;
            }
            unsigned char const* stored = logo + ((h - 1 - y) * w + x) * 3;
            ASSERT_THAT(shown, ElementsAre(stored[2], stored[1], stored[0])) << x << ", " << y;
            letters += shown[0] > 200 && shown[1] > 200;
            if (x < 100 && y < 20) {
                ASSERT_EQ(small.at(x, y), shown);
            }
        }
    }
    EXPECT_GT(letters, w * h / 10);
    EXPECT_EQ(big.drawn, w * h);
    EXPECT_EQ(small.drawn, 100 * 20);
    EXPECT_EQ(big.clipped + small.clipped, 0);
}

} // namespace
