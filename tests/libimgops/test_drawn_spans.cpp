#include "float_image.h"
#include "memory_stars.h"

#include "libimgops/drawn_spans.h"
#include "libimgops/stars.h"
#include "base/xception.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

TEST(DrawnSpans, EachRowSpansFromTheFirstColumnNotedToTheLast) {
    int const width = 90;
    DrawnSpans drawn(width, 3);
    drawn.note(0, 40, 50);
    drawn.note(0, 10, 20);
    drawn.note(0, 45, 60);
    drawn.note(1, 0, width - 1);
    int first, last;
    EXPECT_TRUE(drawn.span(0, first, last));
    EXPECT_EQ(first, 10);
    EXPECT_EQ(last, 60);
    EXPECT_TRUE(drawn.span(1, first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, width - 1);
    EXPECT_FALSE(drawn.span(2, first, last));
    drawn.forget();
    for (int y = 0; y < 3; y++) {
        EXPECT_FALSE(drawn.span(y, first, last)) << y;
    }
    drawn.note(2, 7, 7);
    EXPECT_TRUE(drawn.span(2, first, last));
    EXPECT_EQ(first, 7);
    EXPECT_EQ(last, 7);
    int const outside[][3] = {{3, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, width}, {0, 5, 4}};
    for (auto const& o : outside) {
        EXPECT_THROW(drawn.note(o[0], o[1], o[2]), AssertXception) << o[0] << " " << o[1];
    }
}

// Spots and streaks all over a framebuffer and beyond its edges, a pass of
// every row and one of each field: every pixel given light lies in its
// row's span, and the rows a field leaves to the other have none.
TEST(DrawnSpans, EveryPixelARendererLightsLiesInItsRowsSpan) {
    int const width = 150, height = 70;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> ra(35, 145), dec(-40, 40);
    std::uniform_real_distribution<float> lum(0.01f, 5);
    std::vector<star> stars;
    for (int i = 0; i < 400; i++) {
        stars.push_back(make_star(ra(random), dec(random), lum(random)));
    }
    MemoryStars input("ORRELUX1", stars);
    for (unsigned samples : {1u, 2u}) {
        for (op_stars_lines lines : {OP_STARS_ALL_LINES, OP_STARS_EVEN_LINES, OP_STARS_ODD_LINES}) {
            SCOPED_TRACE(testing::Message() << samples << " samples, lines " << lines);
            StarRendererData data{-2, 2, -1, 1, 6,         6,  0,     1e9,  1,
                                  1,  1, 0,  0, {0, 0, 0}, {}, lines, false};
            Array<camera> cams;
            cams.append(camera{DblMatrix4::the_identity(), 1, 1, -1});
            if (samples == 2) {
                cams.append(camera{DblMatrix4::the_identity(), 1.15, 1, -1});
            }
            FloatImage image(width, height);
            DrawnSpans drawn(width, height);
            image.fb.drawn = &drawn;
            input.rewind();
            {
                StarRenderer renderer(data, image.fb, input, cams);
                bool drew = false;
                while (renderer.render_star(drew)) {
                }
            }
            // The single-call path notes too, here at the last column and row.
            Vector2 const corner{width - 0.5f, height - 0.5f};
            op_star_streak(image.fb, corner, corner, 1, Color3{1, 1, 1}, 2, 2, lines);

            int lit = 0, lit_at_edges = 0, unnoted = 0, noted_for_other_field = 0;
            image.each_pixel([&](int x, int y) {
                int first, last;
                bool const spanned = drawn.span(y, first, last) && x >= first && x <= last;
                bool const is_lit = image.r(x, y) != 0 || image.g(x, y) != 0 || image.b(x, y) != 0;
                bool const other_field =
                    lines != OP_STARS_ALL_LINES && (y % 2 == 0) != (lines == OP_STARS_EVEN_LINES);
                lit += is_lit;
                lit_at_edges += is_lit && (x == width - 1 || y >= height - 2);
                unnoted += is_lit && !spanned;
                noted_for_other_field += other_field && spanned;
            });
            EXPECT_EQ(unnoted, 0);
            EXPECT_EQ(noted_for_other_field, 0);
            EXPECT_GT(lit, width * height / 4);
            EXPECT_GT(lit_at_edges, 10);
        }
    }
}

} // namespace
