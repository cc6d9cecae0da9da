#include "float_image.h"
#include "memory_stars.h"

#include "libimgops/stars.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Stars drawn behind the ones read are neither lost nor drawn twice: a
// grid of stars far enough apart that no two footprints meet comes out as
// each star drawn on its own.
TEST(StarRendererQueue, EveryStarIsDrawnOnceByTheTimeTheLastCallReturns) {
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

} // namespace
