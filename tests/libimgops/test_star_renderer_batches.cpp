#include "float_image.h"
#include "memory_stars.h"

#include "libimgops/stars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// Stars drawn after the ones read are neither lost nor drawn twice: a
// grid of stars far enough apart that no two footprints meet comes out as
// each star drawn on its own.
TEST(StarRendererBatches, EveryStarIsDrawnOnceByTheTimeTheLastCallReturns) {
    std::vector<star> grid;
    for (int dec = -20; dec <= 20; dec += 20) {
        for (int ra = 40; ra <= 140; ra += 10) {
            grid.push_back(make_star(ra, dec, 1));
        }
    }
    // 400 x 200 pixels over [-2, 2] x [-1, 1]; spots of radius two pixels.
    StarRendererData data{-2, 2, -1, 1, 10, 10, 0, 1e9, 1, 1, 1, 0, 0, {0, 0, 0}, {}, {}, false};
    Array<camera> cams;
    cams.append(camera{DblMatrix4::the_identity(), 1, 1, -1});

    FloatImage together(400, 200);
    MemoryStars all("ORRELUX1", grid);
    {
        StarRenderer renderer(data, together.fb, all, cams);
        bool drew = false;
        for (std::size_t i = 1; i < grid.size(); i++) {
            ASSERT_TRUE(renderer.render_star(drew)) << i;
        }
        EXPECT_FALSE(renderer.render_star(drew));
        EXPECT_TRUE(drew);
    }

    FloatImage apart(400, 200);
    for (star const& s : grid) {
        FloatImage alone(400, 200);
        MemoryStars one("ORRELUX1", {s});
        StarRenderer renderer(data, alone.fb, one, cams);
        bool drew = false;
        EXPECT_FALSE(renderer.render_star(drew));
        EXPECT_TRUE(drew) << s.ra << ", " << s.dec;
        alone.each_pixel([&](int x, int y) {
            if (alone.r(x, y) != 0) {
                EXPECT_EQ(apart.r(x, y), 0) << "footprints meet at " << x << ", " << y;
                apart.r(x, y) = alone.r(x, y);
            }
        });
    }
    together.each_pixel(
        [&](int x, int y) { ASSERT_EQ(together.r(x, y), apart.r(x, y)) << x << ", " << y; });
}

// The renderer draws stars grouped by where they land, in batches; drawn
// one after another in the order read instead, every pixel must come out
// the same but for the order in which overlapping stars add. More stars
// than a batch holds, piled on a small frame, with and without streaks.
TEST(StarRendererBatches, ManyOverlappingStarsComeOutAsDrawnInTheOrderRead) {
    int const width = 400, height = 200, stars = 40000;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> ra(30, 150), dec(-35, 35), exponent(-4, 0);
    std::vector<star> sky;
    for (int i = 0; i < stars; i++) {
        sky.push_back(make_star(ra(rng), dec(rng), std::pow(10.0f, float(exponent(rng))),
                                uint8_t(rng()), uint8_t(rng()), uint8_t(rng())));
    }
    // Brightness 0.25 and one segment: a gain of 1; sizes of 10 on a 400
    // pixel width: radii of 2 pixels; saturation 1 and no tint: the
    // catalogue colours.
    StarRendererData data{-2, 2, -1, 1, 10, 10, 0, 1e9, 0.25, 1, 1, 0, 0, {0, 0, 0}, {}, {}, false};
    auto decoded = [](uint8_t byte) {
        return byte * 0.0039215689f > 0.03928f ? std::pow(byte * 0.0037171270f + 0.052132703f, 2.4f)
                                               : byte * 0.00030352699f;
    };
    for (double turn : {0.0, 3.0}) {
        SCOPED_TRACE(turn == 0 ? "spots" : "streaks");
        Array<camera> cams;
        std::vector<DblMatrix4> xforms;
        for (double heading : turn == 0 ? std::vector<double>{0} : std::vector<double>{0, turn}) {
            double const hpb[] = {heading * M_PI / 180, 0, 0};
            cams.append(camera{DblMatrix4::from_euler_angles(hpb).inverse(), 1, 1, -1});
            xforms.push_back(cams[cams.len() - 1].xform * DblMatrix4::perspective(1, 1, -1));
        }

        FloatImage batched(width, height), in_order(width, height);
        MemoryStars input("ORRELUX1", sky);
        {
            StarRenderer renderer(data, batched.fb, input, cams);
            bool drew = false;
            while (renderer.render_star(drew)) {
            }
            EXPECT_TRUE(drew);
        }
        for (star const& s : sky) {
            std::vector<Vector2> at(xforms.size());
            std::vector<bool> seen(xforms.size());
            for (std::size_t i = 0; i < xforms.size(); i++) {
                seen[i] = world_to_screen(s.ra, s.dec, -1, 0, xforms[i], OP_STARS_PERSPECTIVE,
                                          width, height, -2, 2, -1, 1, at[i]);
            }
            Color3 const colour{decoded(s.r), decoded(s.g), decoded(s.b)};
            std::size_t const last = xforms.size() - 1;
            if (seen[0] && seen[last]) {
                op_star_streak(in_order.fb, at[0], at[last], s.lum, colour, 2, 2,
                               OP_STARS_ALL_LINES);
            }
        }

        double worst = 0;
        long lit = 0;
        in_order.each_pixel([&](int x, int y) {
            float const got[] = {batched.r(x, y), batched.g(x, y), batched.b(x, y)};
            float const want[] = {in_order.r(x, y), in_order.g(x, y), in_order.b(x, y)};
            for (int c = 0; c < 3; c++) {
                ASSERT_EQ(got[c] > 0, want[c] > 0) << "lit in one only at " << x << ", " << y;
                if (want[c] > 0) {
                    lit++;
                    worst = std::max(worst, std::fabs(double(got[c]) - want[c]) / want[c]);
                }
            }
        });
        EXPECT_LT(worst, 1e-5);
        EXPECT_GT(lit, 3 * width * height / 2) << "most of the frame is lit";
    }
}

// Spots that fill the frame: the pass asks whether to stop by pixels drawn,
// between rows, and stops at the first yes; asked and never told to stop,
// it draws exactly what it draws unasked.
TEST(StarRendererBatches, APassOfHugeSpotsAsksWhetherToStopByPixelsDrawnAndStopsAtOnce) {
    int const width = 400, height = 200;
    std::vector<star> sky;
    for (int i = 0; i < 300; i++) {
        sky.push_back(make_star(80 + i * 0.05, 0, 1));
    }
    // Sizes of 2000 on a 400 pixel width: radii of 400 pixels, every
    // footprint the whole frame.
    StarRendererData data{-2, 2, -1, 1, 2000,      2000, 0,  1e9,  1,
                          1,  1, 0,  0, {0, 0, 0}, {},   {}, false};
    Array<camera> cams;
    cams.append(camera{DblMatrix4::the_identity(), 1, 1, -1});
    struct Asked {
        int times = 0;
        int yes_at = 0; // the question answered yes; 0 for never
    };
    auto draw = [&](FloatImage& image, Asked* asked) {
        StarRendererData d = data;
        if (asked) {
            d.should_stop = [](void* context) {
                Asked& a = *static_cast<Asked*>(context);
                return ++a.times == a.yes_at;
            };
            d.stop_context = asked;
        }
        MemoryStars input("ORRELUX1", sky);
        StarRenderer renderer(d, image.fb, input, cams);
        bool drew = false;
        int calls = 0;
        while (renderer.render_star(drew)) {
            calls++;
        }
        return std::make_pair(renderer.stopped(), calls);
    };
    FloatImage unasked(width, height), never(width, height), stopped(width, height);
    EXPECT_FALSE(draw(unasked, nullptr).first);
    Asked keep_going;
    EXPECT_FALSE(draw(never, &keep_going).first);
    long const pixels = long(sky.size()) * width * height;
    EXPECT_EQ(keep_going.times, pixels / STOP_CHECK_PIXELS);
    never.each_pixel(
        [&](int x, int y) { ASSERT_EQ(never.r(x, y), unasked.r(x, y)) << x << ", " << y; });

    Asked stop{0, 2};
    auto const [was_stopped, calls] = draw(stopped, &stop);
    EXPECT_TRUE(was_stopped);
    EXPECT_EQ(stop.times, 2);
    EXPECT_EQ(calls, int(sky.size()) - 1); // stopped in the last call's drawing
    // Two questions' worth of rows drawn, not all 300 spots: a fraction of
    // the light.
    float const share = stopped.r(200, 100) / unasked.r(200, 100);
    EXPECT_NEAR(share, 2.0 * STOP_CHECK_PIXELS / pixels, 0.2 * STOP_CHECK_PIXELS / pixels);
}

} // namespace
