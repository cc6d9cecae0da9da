#include "float_image.h"
#include "memory_stars.h"

#include "libimgops/drawn_blocks.h"
#include "libimgops/stars.h"
#include "base/xception.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Blocks of 16 columns, 64 blocks a word: a row 2100 wide ends inside
// block 131, in its third word.
TEST(DrawnBlocks, NotesExactlyTheBlocksThatHoldTheColumns) {
    int const width = 2100;
    DrawnBlocks drawn(width, 3);
    drawn.note(0, 16, 31);
    drawn.note(1, 1000, width - 1);
    drawn.note(2, 15, 16);
    for (int x = 0; x < width; x++) {
        ASSERT_EQ(drawn.drawn(0, x), x >= 16 && x <= 31) << x;
        ASSERT_EQ(drawn.drawn(1, x), x >= 992) << x;
        ASSERT_EQ(drawn.drawn(2, x), x < 32) << x;
    }
    drawn.forget();
    for (int x = 0; x < width; x++) {
        ASSERT_FALSE(drawn.drawn(0, x) || drawn.drawn(1, x) || drawn.drawn(2, x)) << x;
    }
    int const outside[][3] = {{3, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, width}, {0, 5, 4}};
    for (auto const& o : outside) {
        EXPECT_THROW(drawn.note(o[0], o[1], o[2]), AssertXception) << o[0] << " " << o[1];
    }
}

// Spots and streaks all over a framebuffer and beyond its edges, a pass of
// every row and one of each field: every pixel given light lies in a noted
// block, and the rows a field leaves to the other are not noted.
TEST(DrawnBlocks, EveryPixelARendererLightsIsInANotedBlock) {
    int const width = 150, height = 70; // the last block holds 6 columns
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
            DrawnBlocks drawn(width, height);
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
                bool const is_lit = image.r(x, y) != 0 || image.g(x, y) != 0 || image.b(x, y) != 0;
                bool const other_field =
                    lines != OP_STARS_ALL_LINES && (y % 2 == 0) != (lines == OP_STARS_EVEN_LINES);
                lit += is_lit;
                lit_at_edges += is_lit && (x == width - 1 || y >= height - 2);
                unnoted += is_lit && !drawn.drawn(y, x);
                noted_for_other_field += other_field && drawn.drawn(y, x);
            });
            EXPECT_EQ(unnoted, 0);
            EXPECT_EQ(noted_for_other_field, 0);
            EXPECT_GT(lit, width * height / 4);
            EXPECT_GT(lit_at_edges, 10);
        }
    }
}

} // namespace
