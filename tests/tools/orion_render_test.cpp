#include "libimgops/stars.h"
#include "tools/catalogue.h"
#include "tools/star_database.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

int const WIDTH = 800;
int const HEIGHT = 600;
double const ZOOM = 2.0;
// A window two projected units wide with square pixels.
double const WIN_X0 = -1.0, WIN_X1 = 1.0, WIN_Y0 = -0.75, WIN_Y1 = 0.75;

// A camera at the origin looking at RA 84, Dec 0 (the middle of Orion), with
// +y up, in the host's left-handed frame: right = up x forward.
DblMatrix4 camera_towards_orion() {
    double const a = 84.0 * M_PI / 180.0;
    double const forward[3] = {std::cos(a), 0.0, std::sin(a)};
    double const up[3] = {0.0, 1.0, 0.0};
    double const right[3] = {up[1] * forward[2] - up[2] * forward[1],
                             up[2] * forward[0] - up[0] * forward[2],
                             up[0] * forward[1] - up[1] * forward[0]};
    // Row vectors: a world point times the matrix gives (right, up, forward).
    DblMatrix4 m = {};
    for (int i = 0; i < 3; ++i) {
        m(i, 0) = right[i];
        m(i, 1) = up[i];
        m(i, 2) = forward[i];
    }
    m(3, 3) = 1.0;
    return m;
}

struct OrionStar {
    char const* name;
    double ra, dec; // J2000, to find the record
    Vector2 pixel;
};

} // namespace

class OrionSeenFromInsideTheSphere : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<star> const stars =
            make_star_records(read_catalogue(data_file("kstars_extract.dat"), {}), {});
        write_database(path, stars, {});
        DblMatrix4 const m = camera_towards_orion() * DblMatrix4::perspective(ZOOM, 1.0, -1.0);
        for (OrionStar& o : orion) {
            bool found = false;
            for (star const& s : stars) {
                if (std::fabs(s.ra - o.ra) < 0.01 && std::fabs(s.dec - o.dec) < 0.01) {
                    EXPECT_TRUE(world_to_screen(s.ra, s.dec, s.dist, 0.0, m, OP_STARS_PERSPECTIVE,
                                                WIDTH, HEIGHT, WIN_X0, WIN_X1, WIN_Y0, WIN_Y1,
                                                o.pixel))
                        << o.name;
                    found = true;
                }
            }
            ASSERT_TRUE(found) << o.name;
        }
    }

    OrionStar const& named(char const* name) const {
        for (OrionStar const& o : orion) {
            if (std::string(o.name) == name) {
                return o;
            }
        }
        throw std::string(name);
    }

    ScratchFolder folder;
    std::string const path = folder.file("orion.stars");
    std::vector<OrionStar> orion = {
        {"Betelgeuse", 88.793, 7.407, {}}, {"Rigel", 78.634, -8.202, {}},
        {"Bellatrix", 81.283, 6.350, {}},  {"Saiph", 86.939, -9.670, {}},
        {"Alnitak", 85.190, -1.943, {}},   {"Alnilam", 84.053, -1.202, {}},
        {"Mintaka", 83.002, -0.299, {}},
    };
};

TEST_F(OrionSeenFromInsideTheSphere, BetelgeuseIsAboveAndLeftOfRigel) {
    Vector2 const betelgeuse = named("Betelgeuse").pixel, rigel = named("Rigel").pixel;
    EXPECT_LT(betelgeuse[0], rigel[0]);
    EXPECT_LT(betelgeuse[1], rigel[1]); // rows grow downward
}

TEST_F(OrionSeenFromInsideTheSphere, EastIsOnTheLeftWithNorthUp) {
    // Bellatrix, west of Betelgeuse, is the right shoulder in the picture;
    // Saiph, east of Rigel, is the left foot.
    EXPECT_GT(named("Bellatrix").pixel[0], named("Betelgeuse").pixel[0]);
    EXPECT_LT(named("Saiph").pixel[0], named("Rigel").pixel[0]);
    EXPECT_LT(named("Alnitak").pixel[0], named("Alnilam").pixel[0]);
    EXPECT_LT(named("Alnilam").pixel[0], named("Mintaka").pixel[0]);
}

TEST_F(OrionSeenFromInsideTheSphere, TheBeltLiesBetweenBetelgeuseAndRigel) {
    Vector2 const betelgeuse = named("Betelgeuse").pixel, rigel = named("Rigel").pixel;
    for (char const* belt : {"Alnitak", "Alnilam", "Mintaka"}) {
        Vector2 const p = named(belt).pixel;
        EXPECT_GT(p[0], betelgeuse[0]) << belt;
        EXPECT_LT(p[0], rigel[0]) << belt;
        EXPECT_GT(p[1], betelgeuse[1]) << belt;
        EXPECT_LT(p[1], rigel[1]) << belt;
    }
}

TEST_F(OrionSeenFromInsideTheSphere, TheMiddleOfTheBeltIsNearTheMiddleOfThePicture) {
    Vector2 const alnilam = named("Alnilam").pixel;
    // RA 84.05, Dec -1.2 against an aim of RA 84, Dec 0, at 2 projected
    // units per 800 pixels and a zoom of 2.
    EXPECT_NEAR(alnilam[0], WIDTH / 2.0, 2.0);
    EXPECT_NEAR(alnilam[1], HEIGHT / 2.0 + 400.0 * ZOOM * std::tan(1.202 * M_PI / 180.0), 2.0);
}

TEST_F(OrionSeenFromInsideTheSphere, TheRendererDrawsEachStarWhereItProjects) {
    std::vector<float> r(WIDTH * HEIGHT), g(WIDTH * HEIGHT), b(WIDTH * HEIGHT), a(WIDTH * HEIGHT);
    StarFramebuffer const fb{r.data(), g.data(), b.data(), a.data(), WIDTH, HEIGHT, WIDTH, 1};
    StarRendererData data{};
    data.win_x0 = WIN_X0;
    data.win_x1 = WIN_X1;
    data.win_y0 = WIN_Y0;
    data.win_y1 = WIN_Y1;
    data.size_x = data.size_y = 5.0; // 2 pixels
    data.lum_threshold = 0.001;
    data.lum_max = 10.0;
    data.brightness = 1.0;
    data.saturation = 1.0;
    data.lum_exponent = 1.0;
    data.tint[0] = data.tint[1] = data.tint[2] = 1.0f;
    data.projection = OP_STARS_PERSPECTIVE;
    data.lines = OP_STARS_ALL_LINES;
    data.three_d = true;
    Array<camera> cams;
    cams.append(camera{camera_towards_orion(), ZOOM, 1.0, -1.0});
    std::unique_ptr<StarInput> input(op_stars_file_input(path.c_str()));
    {
        StarRenderer renderer(data, fb, *input, cams);
        bool drew = false;
        while (renderer.render_star(drew)) {
        }
        EXPECT_TRUE(drew);
    }
    auto at = [&](std::vector<float> const& plane, Vector2 const& p) {
        return plane[static_cast<size_t>(p[1]) * WIDTH + static_cast<size_t>(p[0])];
    };
    for (OrionStar const& o : orion) {
        EXPECT_GT(at(g, o.pixel), 0.01f) << o.name;
    }
    // Nothing lands mirrored: the spot where Betelgeuse would fall if east
    // were on the right stays dark.
    Vector2 const betelgeuse = named("Betelgeuse").pixel;
    Vector2 const mirrored{WIDTH - betelgeuse[0], betelgeuse[1]};
    EXPECT_EQ(at(g, mirrored), 0.0f);
    // The red supergiant is redder than the blue-white one.
    Vector2 const rigel = named("Rigel").pixel;
    EXPECT_GT(at(r, betelgeuse) / at(b, betelgeuse), at(r, rigel) / at(b, rigel));
}
