#include "tools/star_database.h"
#include "tools/catalogue.h"
#include "tools/conversions.h"
#include "tools/starcat_error.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::string file_bytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

star const& brightest_near(std::vector<star> const& stars, double ra, double dec) {
    for (star const& s : stars) {
        if (std::fabs(s.ra - ra) < 0.01 && std::fabs(s.dec - dec) < 0.01) {
            return s;
        }
    }
    throw std::string("no star there");
}

BuildOptions two_d() {
    BuildOptions options;
    options.three_d = false;
    return options;
}

} // namespace

class StarRecords : public ::testing::Test {
protected:
    Catalogue const kstars = read_catalogue(data_file("kstars_extract.dat"), {});
    Catalogue const hipparcos = read_catalogue(data_file("hip_extract.dat"), {});
};

TEST_F(StarRecords, AreSortedBrightestFirst) {
    std::vector<star> const stars = make_star_records(kstars, {});
    ASSERT_EQ(stars.size(), kstars.stars.size());
    for (size_t i = 1; i < stars.size(); ++i) {
        EXPECT_GE(stars[i - 1].lum, stars[i].lum) << "record " << i + 1;
    }
    EXPECT_NEAR(stars[0].ra, 101.2872, 1e-4); // Sirius
}

TEST_F(StarRecords, EquallyBrightStarsAreOrderedByRightAscension) {
    std::vector<star> const stars = make_star_records(kstars, {});
    // The two V = 8.00 stars come last, listed in the catalogue in falling RA.
    star const& a = stars[stars.size() - 2];
    star const& b = stars[stars.size() - 1];
    EXPECT_EQ(a.lum, b.lum);
    EXPECT_LT(a.ra, b.ra);
}

TEST_F(StarRecords, DoNotDependOnTheCatalogueOrder) {
    Catalogue reversed;
    reversed.stars.assign(kstars.stars.rbegin(), kstars.stars.rend());
    EXPECT_EQ(encode_database(make_star_records(reversed, {}), {}),
              encode_database(make_star_records(kstars, {}), {}));
}

TEST_F(StarRecords, CarryLuminanceAndColourFromTheCatalogue) {
    std::vector<star> const stars = make_star_records(kstars, {});
    star const& sirius = stars[0];
    EXPECT_FLOAT_EQ(sirius.lum, 3.767038f);
    StarColour const expected = colour_from_bv(0.01);
    EXPECT_EQ(sirius.r, expected.r);
    EXPECT_EQ(sirius.g, expected.g);
    EXPECT_EQ(sirius.b, expected.b);
    EXPECT_EQ(sirius.pad, 0);
    star const& betelgeuse = brightest_near(stars, 88.793, 7.407);
    EXPECT_NEAR(betelgeuse.lum, 0.661, 5e-4);
    EXPECT_EQ(betelgeuse.r, 255);
    EXPECT_NEAR(betelgeuse.g, 206, 2);
    EXPECT_NEAR(betelgeuse.b, 155, 2);
}

TEST_F(StarRecords, StarsWithoutColourIndexAreWhite) {
    std::vector<star> const stars = make_star_records(hipparcos, {});
    star const& uncoloured = brightest_near(stars, 304.189, 39.024);
    EXPECT_EQ(uncoloured.r, 255);
    EXPECT_EQ(uncoloured.g, 255);
    EXPECT_EQ(uncoloured.b, 255);
}

TEST_F(StarRecords, CarryDistancesInParsecsByDefault) {
    std::vector<star> const stars = make_star_records(kstars, {});
    EXPECT_NEAR(stars[0].dist, 2.6371, 1e-4);
    EXPECT_NEAR(brightest_near(stars, 279.2348, 38.7837).dist, 7.758, 1e-3);
}

TEST_F(StarRecords, GiveDistanceZeroWhereTheParallaxIsNotTrusted) {
    std::vector<star> const stars = make_star_records(kstars, {});
    size_t with_distance = 0;
    for (star const& s : stars) {
        EXPECT_TRUE(std::isfinite(s.dist));
        EXPECT_GE(s.dist, 0.0);
        if (s.lum <= luminance_from_magnitude(8.0)) {
            EXPECT_EQ(s.dist, 0.0);
        }
        with_distance += s.dist > 0 ? 1 : 0;
    }
    EXPECT_EQ(with_distance, 12u); // 15 stars, less xi UMa (parallax 0) and two at V 8.00
}

TEST_F(StarRecords, ScaleDistancesToLightYearsOrAnyUnit) {
    BuildOptions ly;
    ly.distance = *distance_scale_from_text("ly");
    BuildOptions km;
    km.distance = *distance_scale_from_text("3.0857e13");
    std::vector<star> const pc_stars = make_star_records(kstars, {});
    std::vector<star> const ly_stars = make_star_records(kstars, ly);
    std::vector<star> const km_stars = make_star_records(kstars, km);
    EXPECT_NEAR(ly_stars[0].dist, 8.601, 1e-3); // Sirius
    for (size_t i = 0; i < pc_stars.size(); ++i) {
        EXPECT_DOUBLE_EQ(ly_stars[i].dist, pc_stars[i].dist * LIGHT_YEARS_PER_PARSEC);
        EXPECT_DOUBLE_EQ(km_stars[i].dist, pc_stars[i].dist * 3.0857e13);
    }
}

TEST_F(StarRecords, InTwoDimensionsHaveNoDistance) {
    for (star const& s : make_star_records(kstars, two_d())) {
        EXPECT_EQ(s.dist, 0.0);
    }
}

TEST_F(StarRecords, LeaveOutStarsFainterThanTheMagnitudeLimit) {
    BuildOptions bright;
    bright.max_magnitude = 1.0;
    std::vector<star> const stars = make_star_records(kstars, bright);
    EXPECT_EQ(stars.size(), 4u); // Sirius, Vega, Rigel and Betelgeuse
    for (star const& s : stars) {
        EXPECT_GE(s.lum, static_cast<float>(luminance_from_magnitude(1.0)));
    }
}

TEST_F(StarRecords, MoveHipparcosPositionsToJ2000) {
    std::vector<star> const stars = make_star_records(hipparcos, {});
    star const& sirius = stars[0];
    double const years = 2000.0 - 1991.25;
    double const dec0 = -16.71314306;
    EXPECT_NEAR(sirius.dec, dec0 - 1223.08 * years / 3.6e6, 1e-6);
    EXPECT_NEAR(sirius.ra, 101.28854105 - 546.01 * years / 3.6e6 / std::cos(dec0 * M_PI / 180.0),
                1e-6);
    EXPECT_NEAR(sirius.ra, 101.2872, 1e-4);
    EXPECT_NEAR(sirius.dec, -16.7161, 1e-4);
}

TEST_F(StarRecords, FollowAFastStarToTheRequestedEpoch) {
    BuildOptions later;
    later.epoch = 2100.0;
    std::vector<star> const stars_2000 = make_star_records(hipparcos, {});
    std::vector<star> const stars_2100 = make_star_records(hipparcos, later);
    star const& barnard_2000 = brightest_near(stars_2000, 269.452, 4.693);
    // Barnard's star moves 10.3" a year northward: 0.287 degree in a century.
    star const& barnard_2100 = brightest_near(stars_2100, 269.430, 4.98);
    EXPECT_NEAR(barnard_2100.dec - barnard_2000.dec, 10326.93 * 100.0 / 3.6e6, 1e-5);
    EXPECT_NEAR(barnard_2100.ra - barnard_2000.ra,
                -797.84 * 100.0 / 3.6e6 / std::cos(4.8 * M_PI / 180.0), 1e-4);
}

TEST_F(StarRecords, StayPutAtTheCatalogueEpoch) {
    std::vector<star> const stars = make_star_records(kstars, {});
    EXPECT_DOUBLE_EQ(stars[0].ra, 15.0 * (6 + 45 / 60.0 + 8.92 / 3600.0));
    EXPECT_DOUBLE_EQ(stars[0].dec, -(16 + 42 / 60.0 + 58.0 / 3600.0));
}

class DatabaseFile : public ::testing::Test {
protected:
    Catalogue const kstars = read_catalogue(data_file("kstars_extract.dat"), {});
    ScratchFolder folder;
};

TEST_F(DatabaseFile, IsAHeaderAndThirtyTwoBytesAStar) {
    std::vector<star> const stars = make_star_records(kstars, {});
    std::string const bytes = encode_database(stars, {});
    ASSERT_EQ(bytes.size(), 32 * (stars.size() + 1));
    EXPECT_EQ(bytes.substr(0, 8), "ORRELUX2");
    EXPECT_EQ(memcmp(bytes.data() + 32, &stars[0], 32), 0);
}

TEST_F(DatabaseFile, MarksTwoDimensionalDatabases) {
    std::string const bytes = encode_database(make_star_records(kstars, two_d()), two_d());
    EXPECT_EQ(bytes.substr(0, 8), "ORRELUX1");
    EXPECT_FALSE(decode_database("x", bytes).header.three_d);
}

TEST_F(DatabaseFile, RecordsCountEpochAndUnitInTheHeader) {
    BuildOptions options;
    options.epoch = 2050.5;
    options.distance = *distance_scale_from_text("ly");
    std::vector<star> const stars = make_star_records(kstars, options);
    StarDatabase const db = decode_database("x", encode_database(stars, options));
    EXPECT_TRUE(db.header.three_d);
    EXPECT_TRUE(db.header.has_metadata);
    EXPECT_EQ(db.header.star_count, stars.size());
    EXPECT_EQ(db.header.epoch, 2050.5);
    EXPECT_EQ(db.header.distance.unit, DistanceUnit::LIGHT_YEAR);
    EXPECT_EQ(db.header.distance.per_parsec, LIGHT_YEARS_PER_PARSEC);
    ASSERT_EQ(db.stars.size(), stars.size());
    EXPECT_EQ(memcmp(db.stars.data(), stars.data(), 32 * stars.size()), 0);
}

TEST_F(DatabaseFile, AForeignHeaderIsReadAsRecordingNothing) {
    std::string bytes = encode_database(make_star_records(kstars, {}), {});
    memset(&bytes[8], 0, 24);
    StarDatabase const db = decode_database("x", bytes);
    EXPECT_FALSE(db.header.has_metadata);
    EXPECT_EQ(db.stars.size(), kstars.stars.size());
}

TEST_F(DatabaseFile, IsTheSameForTheSameInput) {
    std::string const a = folder.file("a.stars"), b = folder.file("b.stars");
    write_database(a, make_star_records(kstars, {}), {});
    write_database(b, make_star_records(read_catalogue(data_file("kstars_extract.dat"), {}), {}),
                   {});
    EXPECT_EQ(file_bytes(a), file_bytes(b));
}

TEST_F(DatabaseFile, ReadsBackWhatWasWritten) {
    std::string const path = folder.file("x.stars");
    std::vector<star> const stars = make_star_records(kstars, {});
    write_database(path, stars, {});
    StarDatabase const db = read_database(path);
    ASSERT_EQ(db.stars.size(), stars.size());
    EXPECT_EQ(db.trailing_bytes, 0u);
    EXPECT_EQ(memcmp(db.stars.data(), stars.data(), 32 * stars.size()), 0);
}

TEST_F(DatabaseFile, CountsBytesBeyondTheLastWholeRecord) {
    std::string bytes = encode_database(make_star_records(kstars, {}), {});
    bytes += std::string(16, '\0');
    StarDatabase const db = decode_database("x", bytes);
    EXPECT_EQ(db.trailing_bytes, 16u);
    EXPECT_EQ(db.stars.size(), kstars.stars.size());
}

TEST_F(DatabaseFile, ReplacesAnOldDatabaseWhole) {
    std::string const path = folder.file("x.stars");
    write_database(path, make_star_records(kstars, {}), {});
    write_database(path, make_star_records(kstars, two_d()), two_d());
    EXPECT_EQ(file_bytes(path).substr(0, 8), "ORRELUX1");
    EXPECT_FALSE(std::filesystem::exists(path + ".inprogress"));
}

TEST_F(DatabaseFile, AFailedWriteLeavesNoFileBehind) {
    std::string const path = folder.file("missing/x.stars");
    try {
        write_database(path, make_star_records(kstars, {}), {});
        FAIL() << "no error";
    } catch (StarcatError const& e) {
        std::string const prefix = "cannot write \"" + path + "\": opening file \"" + path +
                                   ".inprogress\": No such file or directory";
        EXPECT_EQ(e.message().substr(0, prefix.size()), prefix);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path));
}

TEST_F(DatabaseFile, AFailedReplacementKeepsWhatWasThere) {
    // A non-empty folder cannot be replaced by a file: the rename fails.
    std::string const path = folder.file("x.stars");
    std::filesystem::create_directories(path + "/kept");
    try {
        write_database(path, make_star_records(kstars, {}), {});
        FAIL() << "no error";
    } catch (StarcatError const& e) {
        std::string const prefix = "cannot write \"" + path + "\": rename(" + path +
                                   ".inprogress," + path + "): Is a directory";
        EXPECT_EQ(e.message().substr(0, prefix.size()), prefix);
    }
    EXPECT_TRUE(std::filesystem::is_directory(path + "/kept"));
    EXPECT_FALSE(std::filesystem::exists(path + ".inprogress"));
}

class DatabaseErrors : public ::testing::Test {};

TEST_F(DatabaseErrors, AFileShorterThanAHeaderIsNotADatabase) {
    try {
        decode_database("short.stars", "ORRELUX2");
        FAIL() << "no error";
    } catch (StarcatError const& e) {
        EXPECT_EQ(e.message(),
                  "short.stars: not a star database (8 bytes, shorter than its 32-byte header)");
    }
}

TEST_F(DatabaseErrors, AWrongMagicIsShownPrintably) {
    std::string bytes(32, '\0');
    memcpy(&bytes[0], "ORRELUX3", 8);
    bytes[7] = '\n';
    try {
        decode_database("odd.stars", bytes);
        FAIL() << "no error";
    } catch (StarcatError const& e) {
        EXPECT_EQ(e.message(), "odd.stars: not a star database (magic \"ORRELUX.\")");
    }
}

TEST_F(DatabaseErrors, AMissingDatabaseIsNamed) {
    try {
        read_database("/nonexistent/x.stars");
        FAIL() << "no error";
    } catch (StarcatError const& e) {
        EXPECT_EQ(e.message(),
                  "cannot read star database \"/nonexistent/x.stars\": No such file or directory");
    }
}

TEST(DistanceUnits, AreParsecsLightYearsOrAPositiveScale) {
    EXPECT_EQ(distance_scale_from_text("pc")->per_parsec, 1.0);
    EXPECT_EQ(distance_scale_from_text("ly")->per_parsec, LIGHT_YEARS_PER_PARSEC);
    EXPECT_EQ(distance_scale_from_text("206265")->per_parsec, 206265.0);
    EXPECT_EQ(distance_scale_from_text("206265")->unit, DistanceUnit::SCALE);
    for (char const* bad : {"", "0", "-1", "nan", "inf", "2x", "parsec"}) {
        EXPECT_EQ(distance_scale_from_text(bad), std::nullopt) << bad;
    }
}
