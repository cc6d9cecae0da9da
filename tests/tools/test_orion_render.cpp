#include "tools/catalogue.h"
#include "tools/star_database.h"

#include "extracts.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

// As seen from inside the celestial sphere: north up, east on the left.
TEST(OrionPicture, ShowsBetelgeuseAboveAndLeftOfRigelWithTheBeltBetweenNotMirrored) {
    int const width = 800, height = 600;
    TempFolder folder;
    std::string const path = folder.file("orion.stars");
    std::vector<star> const stars =
        make_star_records(read_catalogue(data_file("kstars_extract.dat"), {}), {});
    write_database(path, stars, {});
    // clang-format off
    StarRendererData const data{
        -1.0, 1.0, -0.75, 0.75,  // window: two projected units wide, square pixels
        5.0, 5.0, 0.001, 10.0,   // 2-pixel spots, luminance threshold and ceiling
        1.0, 1.0, 1.0, 0.0, 0.0, // brightness, saturation, exponent, no tint, no parallax
        {1.0f, 1.0f, 1.0f}, OP_STARS_PERSPECTIVE, OP_STARS_ALL_LINES, true};
    // A camera at the origin aimed at RA 84, Dec 0 with +y up, in the host's
    // left-handed frame: world rows times (right = up x forward, up, forward).
    double const sa = std::sin(84.0 * M_PI / 180.0), ca = std::cos(84.0 * M_PI / 180.0);
    DblMatrix4 const aim{{sa,  0.0, ca,  0.0,
                          0.0, 1.0, 0.0, 0.0,
                          -ca, 0.0, sa,  0.0,
                          0.0, 0.0, 0.0, 1.0}};
    // clang-format on
    std::vector<float> r(width * height), g(width * height), b(width * height), a(width * height);
    Array<camera> cams;
    cams.append(camera{aim, 2.0, 1.0, -1.0});
    std::unique_ptr<StarInput> input(op_stars_file_input(path.c_str()));
    {
        StarFramebuffer const fb{r.data(), g.data(), b.data(), a.data(), width, height, width, 1};
        StarRenderer renderer(data, fb, *input, cams);
        bool drew = false;
        while (renderer.render_star(drew)) {
        }
    }
    auto value = [&](std::vector<float> const& plane, Vector2 const& p) {
        return plane[static_cast<size_t>(p[1]) * width + static_cast<size_t>(p[0])];
    };
    DblMatrix4 const m = aim * DblMatrix4::perspective(2.0, 1.0, -1.0);
    auto pixel = [&](double ra, double dec) { // of the star near this J2000 position
        star const s = star_near(stars, ra, dec);
        Vector2 p;
        EXPECT_TRUE(world_to_screen(s.ra, s.dec, s.dist, 0.0, m, OP_STARS_PERSPECTIVE, width,
                                    height, data.win_x0, data.win_x1, data.win_y0, data.win_y1, p));
        EXPECT_GT(value(g, p), 0.01f) << "drawn";
        return p;
    };
    Vector2 const betelgeuse = pixel(88.793, 7.407), rigel = pixel(78.634, -8.202);
    Vector2 const belt[] = {pixel(85.190, -1.943), pixel(84.053, -1.202), pixel(83.002, -0.299)};
    EXPECT_LT(betelgeuse[0], rigel[0]);
    EXPECT_LT(betelgeuse[1], rigel[1]); // rows grow downward
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(belt[i][0], i == 0 ? betelgeuse[0] : belt[i - 1][0]) << i; // Alnitak to Mintaka
        EXPECT_LT(belt[i][0], rigel[0]);
        EXPECT_GT(belt[i][1], betelgeuse[1]);
        EXPECT_LT(belt[i][1], rigel[1]);
    }
    EXPECT_EQ(value(g, Vector2{width - betelgeuse[0], betelgeuse[1]}), 0.0f); // mirrored: dark
    // The red supergiant is redder than the blue-white one.
    EXPECT_GT(value(r, betelgeuse) / value(b, betelgeuse), value(r, rigel) / value(b, rigel));
}
