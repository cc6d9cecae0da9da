#include "float_image.h"
#include "memory_stars.h"

#include "libimgops/sky_index.h"
#include "libimgops/sky_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

double const DEG = M_PI / 180;

// Stars uniform on the sphere with luminances spread over four decades,
// plus `near` more within `radius` degrees of (ra, dec) = (90, 0), the
// direction a camera that is not turned looks along.
std::vector<star> sky(unsigned all, unsigned near, double radius, unsigned seed) {
    std::mt19937 random(seed);
    auto uniform = [&] { return (random() + 0.5) / 4294967296.0; };
    std::vector<star> stars;
    for (unsigned i = 0; i < all + near; i++) {
        double ra = 360 * uniform();
        double dec = std::asin(2 * uniform() - 1) / DEG;
        if (i >= all) {
            ra = 90 + radius * (2 * uniform() - 1);
            dec = radius * (2 * uniform() - 1);
        }
        float const lum = float(std::pow(10.0, -4 * uniform()));
        stars.push_back(
            make_star(ra, dec, lum, uint8_t(random()), uint8_t(random()), uint8_t(random())));
    }
    return stars;
}

// A camera turned by heading, pitch and bank (degrees) with the given zoom.
camera turned(double heading, double pitch = 0, double bank = 0, double zoom = 1) {
    double const hpb[] = {heading * DEG, pitch * DEG, bank * DEG};
    return camera{DblMatrix4::from_euler_angles(hpb).inverse(), zoom, 1, -1};
}

struct Frame {
    char const* name;
    op_stars_projection projection;
    std::vector<camera> samples;
    double window; // half the window's height in the projected plane
    double size;   // spot size, grown as depth of field grows it
    double threshold;
    op_stars_lines lines;
};

class Pass {
public:
    Pass(Frame const& f, int width, int height)
        : image(width, height), data{-f.window * width / height,
                                     f.window * width / height,
                                     -f.window,
                                     f.window,
                                     f.size,
                                     f.size,
                                     f.threshold,
                                     0.5,
                                     5,
                                     0.4,
                                     1,
                                     0,
                                     0,
                                     {0, 0, 0},
                                     f.projection,
                                     f.lines,
                                     false} {
        for (camera const& c : f.samples) {
            cams.append(c);
        }
    }

    // Draws every star of `input`; the number of stars it read.
    unsigned draw(StarInput& input) {
        StarRenderer renderer(data, image.fb, input, cams);
        bool drew = false;
        unsigned n = 0;
        for (bool more = input.count > 1; more; n++) {
            more = renderer.render_star(drew);
        }
        return n;
    }

    FloatImage image;
    StarRendererData data;
    Array<camera> cams;
};

} // namespace

// The indexed pass against the full scan, frame by frame: the same pixels
// lit, each within single-precision noise of the other, while the indexed
// one reads only a small part of the database for a long lens.
TEST(SkyIndex, IndexedPassesLightThePixelsOfTheFullScan) {
    std::vector<star> const stars = sky(150000, 40000, 6, 7);
    MemoryStars full("ORRELUX1", stars);
    MemoryStars indexed("ORRELUX1", stars);
    SkyIndex const index(indexed.records.data() + 1, u32(stars.size()));

    // A 2.5 degree field is about 0.0218 projected units across half of it.
    double const tele = std::tan(1.25 * DEG);
    Frame const frames[] = {
        {"long lens, still",
         OP_STARS_PERSPECTIVE,
         {turned(0)},
         tele,
         2.5,
         1e-4,
         OP_STARS_ALL_LINES},
        {"long lens, blurred and defocused",
         OP_STARS_PERSPECTIVE,
         {turned(0), turned(0.4, 0.1), turned(0.9, 0.15)},
         tele,
         40,
         1e-4,
         OP_STARS_ODD_LINES},
        {"whip pan across the frame",
         OP_STARS_PERSPECTIVE,
         {turned(-3), turned(3, 0.2)},
         tele,
         2.5,
         1e-3,
         OP_STARS_ALL_LINES},
        {"wide, rolled and tilted",
         OP_STARS_PERSPECTIVE,
         {turned(10, 20, 0), turned(12, 22, 40)},
         0.6,
         6,
         1e-2,
         OP_STARS_EVEN_LINES},
        {"hemispherical, blurred",
         OP_STARS_HEMISPHERICAL,
         {turned(20, 30), turned(24, 31, 5)},
         1,
         4,
         1e-2,
         OP_STARS_ALL_LINES},
        {"equidistant, zoomed in, defocused",
         OP_STARS_AZIMUTHAL_EQUIDISTANT,
         {turned(0, 0, 10), turned(2, 1, 12)},
         0.05,
         30,
         1e-3,
         OP_STARS_ALL_LINES},
    };
    for (Frame const& f : frames) {
        Pass reference(f, 320, 180);
        full.rewind();
        unsigned const all = reference.draw(full);
        Pass pass(f, 320, 180);
        SkyView const view(pass.data, pass.image.fb, pass.cams, true, index.lum_low(),
                           index.lum_high());
        ASSERT_TRUE(view.culls()) << f.name;
        SkyPass cells(indexed.records.data(), index, view, f.threshold);
        unsigned const read = pass.draw(cells);
        if (f.projection == OP_STARS_PERSPECTIVE && f.window < 0.1) {
            EXPECT_LT(read, all / 8) << f.name;
        }

        long lit = 0;
        for (int y = 0; y < 180; y++) {
            for (int x = 0; x < 320; x++) {
                for (auto plane : {&FloatImage::r, &FloatImage::g, &FloatImage::b}) {
                    float const want = (reference.image.*plane)(x, y);
                    float const got = (pass.image.*plane)(x, y);
                    ASSERT_EQ(want > 0, got > 0) << f.name << " at " << x << ", " << y;
                    ASSERT_LE(std::fabs(got - want), 1e-5f * want)
                        << f.name << " " << x << "," << y;
                    lit += want > 0;
                }
            }
        }
        EXPECT_GT(lit, 3000) << f.name << ": too few stars to tell";
    }
}
