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

struct Vec3d {
    double x, y, z;
};

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

// Draws each of a set of frames through the full scan of `stars` and
// through an indexed pass over them, and compares the pixels.
void check_indexed_frames(std::vector<star> const& stars) {
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

} // namespace

// The indexed pass against the full scan, frame by frame: the same pixels
// lit, each within single-precision noise of the other, while the indexed
// one reads only a small part of the database for a long lens. So for a
// database in any order and for one stored brightest first.
TEST(SkyIndex, IndexedPassesLightThePixelsOfTheFullScan) {
    std::vector<star> stars = sky(150000, 40000, 6, 7);
    for (bool const brightest_first : {false, true}) {
        if (brightest_first) {
            std::sort(stars.begin(), stars.end(),
                      [](star const& a, star const& b) { return a.lum > b.lum; });
        }
        SCOPED_TRACE(brightest_first ? "brightest first" : "in any order");
        check_indexed_frames(stars);
    }
}

namespace {

// A direction as the renderer finds it: from single-precision angles.
Vec3d renderer_direction(double ra, double dec) {
    double const a = float(ra) * 0.017453292f;
    double const d = float(dec) * 0.017453292f;
    return {std::cos(d) * std::cos(a), std::sin(d), std::cos(d) * std::sin(a)};
}

bool holds(SkyCap const& cap, Vec3d const& d) {
    double const c =
        (cap.x * d.x + cap.y * d.y + cap.z * d.z) /
        std::sqrt(double(cap.x) * cap.x + double(cap.y) * cap.y + double(cap.z) * cap.z);
    return c >= cap.cos_r;
}

} // namespace

// Every direction the renderer can find for a star lies within the caps of
// the cell and the group the grid puts it in, at the edges of bands and
// pieces and at the poles too; positions that are no direction are
// unplaced. Cells stay of about one size.
TEST(SkyCells, EveryStarLiesInTheCapsOfItsCellAndGroup) {
    for (u32 stars : {3u, 126000u, 2450000u, 10000000u}) {
        SkyCells const grid(stars);
        std::vector<std::pair<double, double>> directions = {
            {0, 90},   {0, -90},    {359.9999999, 0}, {-0.0, 0},
            {720, 45}, {-720, -45}, {180, 89.9999},   {360, -89.9999}};
        std::mt19937 random(stars);
        for (int i = 0; i < 20000; i++) {
            double const u = (random() + 0.5) / 4294967296.0;
            double const v = (random() + 0.5) / 4294967296.0;
            directions.push_back({1440 * u - 720, 180 * v - 90});
        }
        // The corners of every group's fine rows fall on band edges.
        for (int band = 0; band <= 180; band++) {
            directions.push_back({7.5 * (band % 48), -90 + band});
        }
        for (auto [ra, dec] : directions) {
            u32 const cell = grid.cell_of(ra, dec);
            ASSERT_LT(cell, grid.cell_count()) << ra << ", " << dec;
            u32 g = 0;
            while (grid.first_cell(g + 1) <= cell) {
                g++;
            }
            Vec3d const d = renderer_direction(ra, dec);
            ASSERT_TRUE(holds(grid.cell_cap(cell), d)) << stars << ": " << ra << ", " << dec;
            ASSERT_TRUE(holds(grid.group_cap(g), d)) << stars << ": " << ra << ", " << dec;
        }
        for (auto [ra, dec] : {std::pair<double, double>{NAN, 0}, {0, NAN}, {0, 90.5}, {721, 0}}) {
            EXPECT_EQ(grid.cell_of(ra, dec), grid.unplaced()) << ra << ", " << dec;
        }
        double smallest = 1, largest = 0;
        for (u32 cell = 0; cell < grid.cell_count(); cell++) {
            smallest = std::min(smallest, 1 - grid.cell_cap(cell).cos_r);
            largest = std::max(largest, 1 - grid.cell_cap(cell).cos_r);
        }
        EXPECT_LT(largest / smallest, 6) << stars << " stars: caps' areas differ too much";
        EXPECT_LE(grid.cell_count(), 70000u) << stars;
    }
}

// Each tier holds the next TIER_STARS stars of the database, every star
// once, in a run of its own cell, brightest first, not-a-number last, stars
// alike in brightness in the order they came; the peaks are those of the
// runs. So whether the stars come in any order or brightest first, and
// whatever their luminances and positions.
TEST(SkyIndex, SortsEachTierIntoItsCellsBrightestFirst) {
    for (int round = 0; round < 3; round++) {
        bool const small = round == 2;
        // The first round crowds 40000 stars into a cell or two.
        std::vector<star> stars =
            sky(small ? 5000 : 200000, round == 0 ? 40000 : 0, 0.01, 3 + round);
        float const odd[] = {NAN, 0.0f, -0.0f, -2.0f, -INFINITY, INFINITY, 1e-40f, 0.5f, 0.5f};
        for (int i = 0; i < 90; i++) {
            stars[size_t(i) * 31].lum = odd[i % 9];
        }
        auto key = [](star const& s) { return std::isnan(s.lum) ? -INFINITY : s.lum; };
        if (round == 1) {
            std::stable_sort(stars.begin(), stars.end(),
                             [&](star const& a, star const& b) { return key(a) > key(b); });
        }
        stars[10].dec = 95;
        stars[12].ra = NAN;
        // Each star's place in the database.
        for (std::size_t i = 0; i < stars.size(); i++) {
            stars[i].dist = double(i);
        }
        std::vector<star> sorted = stars;
        SkyIndex const index(sorted.data(), u32(sorted.size()));
        SkyCells const& grid = index.cells();

        u32 const tiers = index.tier_count();
        ASSERT_EQ(tiers, (stars.size() + SkyIndex::TIER_STARS - 1) / SkyIndex::TIER_STARS);
        ASSERT_EQ(index.star_count(), stars.size());
        float low = INFINITY, high = -INFINITY;
        for (u32 tier = 0; tier < tiers; tier++) {
            ASSERT_EQ(index.first(tier, 0), tier * SkyIndex::TIER_STARS);
            float tier_peak = -INFINITY;
            for (u32 cell = 0; cell <= grid.cell_count(); cell++) {
                u32 const begin = index.first(tier, cell), end = index.first(tier, cell + 1);
                ASSERT_LE(begin, end);
                for (u32 i = begin; i < end; i++) {
                    star const& s = sorted[i];
                    ASSERT_EQ(grid.cell_of(s.ra, s.dec), cell) << round << ": " << i;
                    ASSERT_EQ(u32(s.dist) / SkyIndex::TIER_STARS, tier) << round << ": " << i;
                    if (i > begin) {
                        star const& before = sorted[i - 1];
                        ASSERT_TRUE(key(s) < key(before) ||
                                    (key(s) == key(before) && s.dist > before.dist))
                            << round << ": " << i;
                    }
                    if (!std::isnan(s.lum)) {
                        low = std::min(low, s.lum);
                        high = std::max(high, s.lum);
                    }
                }
                float const peak = begin < end ? key(sorted[begin]) : -INFINITY;
                ASSERT_EQ(index.brightest(tier, cell), peak);
                tier_peak = std::max(tier_peak, peak);
            }
            for (u32 g = 0; g < grid.group_count(); g++) {
                float peak = -INFINITY;
                for (u32 cell = grid.first_cell(g); cell < grid.first_cell(g + 1); cell++) {
                    peak = std::max(peak, index.brightest(tier, cell));
                }
                ASSERT_EQ(index.brightest_in_group(tier, g), peak);
            }
            EXPECT_EQ(index.brightest_in_tier(tier), tier_peak);
        }
        EXPECT_EQ(index.first(tiers - 1, grid.unplaced() + 1), stars.size());
        EXPECT_GE(index.first(0, grid.unplaced() + 1) - index.first(0, grid.unplaced()), 2u)
            << "the stars no direction places are kept";
        EXPECT_EQ(index.lum_low(), low) << round;
        EXPECT_EQ(index.lum_high(), high) << round;
        EXPECT_EQ(low, -INFINITY) << round;
        EXPECT_EQ(high, INFINITY) << round;

        auto order = [](star const& a, star const& b) {
            return std::memcmp(&a, &b, sizeof(star)) < 0;
        };
        std::sort(stars.begin(), stars.end(), order);
        std::sort(sorted.begin(), sorted.end(), order);
        EXPECT_EQ(std::memcmp(stars.data(), sorted.data(), stars.size() * sizeof(star)), 0);
    }
}

// A pass hands out the header, then only stars at or above the threshold,
// the unplaced ones always; its progress only grows and ends on every star.
TEST(SkyPass, HandsOutBrightEnoughStarsOfTheCellsInViewAndCountsTheRest) {
    std::vector<star> stars = sky(50000, 0, 0, 5);
    stars[0] = make_star(90, 95, 1);   // no direction the grid places
    stars[1] = make_star(270, 0, 1);   // behind the camera
    stars[2] = make_star(90, 0, 1e-5); // ahead, below the threshold
    MemoryStars records("ORRELUX1", stars);
    SkyIndex const index(records.records.data() + 1, u32(stars.size()));
    Frame const ahead{"ahead", OP_STARS_PERSPECTIVE, {turned(0)}, 0.1, 2.5,
                      1e-3,    OP_STARS_ALL_LINES};
    Pass pass(ahead, 320, 180);
    SkyView const view(pass.data, pass.image.fb, pass.cams, true, index.lum_low(),
                       index.lum_high());
    SkyPass cells(records.records.data(), index, view, 1e-3);

    EXPECT_EQ(cells.passed(), 0u);
    EXPECT_EQ(cells.next(), records.records.data());
    u32 progress = cells.passed();
    u32 const progress_after_header = progress;
    bool unplaced = false;
    for (u32 i = 1; i < cells.count; i++) {
        star const* s = cells.next();
        EXPECT_GE(s->lum, 1e-3f);
        EXPECT_FALSE(s->ra == 270 && s->dec == 0) << "a star behind the camera";
        unplaced = unplaced || s->dec == 95;
        EXPECT_GE(cells.passed(), progress);
        progress = cells.passed();
        EXPECT_GE(progress, u32(s - records.records.data())) << "the stars up to this one";
    }
    EXPECT_TRUE(unplaced);
    EXPECT_EQ(cells.passed(), stars.size());
    EXPECT_LT(cells.count, stars.size() / 20);
    cells.rewind();
    EXPECT_EQ(cells.passed(), 0u);
    EXPECT_EQ(cells.next(), records.records.data());
    EXPECT_EQ(cells.passed(), progress_after_header);
}

// Where directions alone do not place the stars, or nothing bounds a
// footprint, the view culls nothing.
TEST(SkyView, CullsNothingWhereItCannotTell) {
    Frame const ahead{"", OP_STARS_HEMISPHERICAL, {turned(0)}, 1, 2.5, 1e-3, OP_STARS_ALL_LINES};
    Pass pass(ahead, 64, 64);
    SkyCap const behind{0, 0, -1, std::cos(0.1), std::sin(0.1)};
    SkyView const fisheye(pass.data, pass.image.fb, pass.cams, true, 0, 1);
    EXPECT_TRUE(fisheye.culls());
    EXPECT_EQ(fisheye.coverage(behind), SKY_NONE);

    EXPECT_FALSE(SkyView(pass.data, pass.image.fb, pass.cams, false, 0, 1).culls()) << "3D";
    EXPECT_FALSE(SkyView(pass.data, pass.image.fb, pass.cams, true, -1, 1).culls()) << "lum < 0";
    pass.data.parallax = -1;
    EXPECT_FALSE(SkyView(pass.data, pass.image.fb, pass.cams, true, 0, 1).culls()) << "parallax";
    pass.data.parallax = 0;
    pass.cams[0].xform(0, 0) = 2; // a stretched camera
    EXPECT_FALSE(SkyView(pass.data, pass.image.fb, pass.cams, true, 0, 1).culls()) << "stretch";
    pass.cams[0].xform(0, 0) = 1;
    pass.data.lum_max = NAN;
    pass.data.lum_exponent = -1;
    EXPECT_FALSE(SkyView(pass.data, pass.image.fb, pass.cams, true, 0, 1).culls()) << "no bound";
}

// At the window's edge the view keeps a star whose footprint reaches in,
// however faintly, and drops one whose footprint cannot: with spots of
// radius 1 and peak 1.6 the footprint reaches sqrt(ln(6250 * 1.6)) = 3.03
// pixels.
TEST(SkyView, KeepsStarsWhoseFootprintsReachIntoTheWindow) {
    Frame const ahead{"", OP_STARS_PERSPECTIVE, {turned(0)}, 1, 2.5, 0, OP_STARS_ALL_LINES};
    for (double pixel : {-4.0, -8.0, 160.0}) {
        Pass pass(ahead, 320, 180);
        // Plane x at that column: the window spans -16/9 .. 16/9.
        double const x = -16.0 / 9 + pixel * (32.0 / 9) / 320;
        double const ra = std::atan2(1, x) / DEG;
        MemoryStars one("ORRELUX1", {make_star(ra, 0, 1)});
        pass.draw(one);
        bool const lit = pass.image.r(0, 90) > 0 || pass.image.r(160, 90) > 0;
        EXPECT_EQ(lit, pixel != -8) << pixel;

        double const c = std::sqrt(x * x + 1);
        SkyCap const at{float(x / c), 0, float(1 / c), std::cos(1e-7), std::sin(1e-7)};
        SkyView const view(pass.data, pass.image.fb, pass.cams, true, 0, 1);
        if (pixel == -8) {
            EXPECT_EQ(view.coverage(at), SKY_NONE);
        } else {
            EXPECT_NE(view.coverage(at), SKY_NONE) << pixel;
        }
    }
}
