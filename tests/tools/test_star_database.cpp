#include "tools/star_database.h"
#include "tools/catalogue.h"
#include "tools/starcat_error.h"

#include "extracts.h"
#include "tests/support/interrupted_writes.h"
#include "tests/support/raised.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

using ::testing::StartsWith;

class StarRecords : public ::testing::Test {
protected:
    Catalogue const kstars = read_catalogue(data_file("kstars_extract.dat"), {});
    Catalogue const hipparcos = read_catalogue(data_file("hip_extract.dat"), {});
    std::vector<star> const stars = make_star_records(kstars, {});
    TempFolder folder;
    std::string const path = folder.file("x.stars");
};

TEST_F(StarRecords, AreSortedBrightestFirstWhateverTheCatalogueOrder) {
    for (size_t i = 1; i < stars.size(); ++i) {
        EXPECT_GE(stars[i - 1].lum, stars[i].lum) << "record " << i + 1;
    }
    // The two V = 8.00 stars come last, listed in the catalogue in falling RA.
    EXPECT_EQ(stars.at(13).lum, stars.at(14).lum);
    EXPECT_LT(stars[13].ra, stars[14].ra);
    Catalogue reversed;
    reversed.stars.assign(kstars.stars.rbegin(), kstars.stars.rend());
    EXPECT_EQ(encode_database(make_star_records(reversed, {}), {}), encode_database(stars, {}));
}

TEST_F(StarRecords, CarryLuminanceAndColourFromTheCatalogue) {
    EXPECT_NEAR(stars[0].lum, 3.767, 5e-4); // Sirius
    star const betelgeuse = star_near(stars, 88.793, 7.407);
    EXPECT_NEAR(betelgeuse.lum, 0.661, 5e-4);
    EXPECT_NEAR(betelgeuse.g, 206, 2); // B-V 1.5
    EXPECT_NEAR(betelgeuse.b, 155, 2);
    star const uncoloured = star_near(make_star_records(hipparcos, {}), 304.189, 39.024);
    EXPECT_EQ(uncoloured.r + uncoloured.g + uncoloured.b, 3 * 255);
}

TEST_F(StarRecords, HaveTrustedDistancesInTheChosenUnitAndNoneInTwoDimensions) {
    EXPECT_NEAR(stars[0].dist, 2.6371, 1e-4); // Sirius, in parsecs
    // 15 stars, less xi UMa (parallax 0) and two at V 8.00.
    EXPECT_EQ(std::count_if(stars.begin(), stars.end(), [](star const& s) { return s.dist > 0; }),
              12);
    BuildOptions ly, flat;
    ly.distance = *distance_scale_from_text("ly");
    flat.three_d = false;
    std::vector<star> const ly_stars = make_star_records(kstars, ly);
    std::vector<star> const flat_stars = make_star_records(kstars, flat);
    for (size_t i = 0; i < stars.size(); ++i) {
        EXPECT_DOUBLE_EQ(ly_stars[i].dist, stars[i].dist * LIGHT_YEARS_PER_PARSEC);
        EXPECT_EQ(flat_stars[i].dist, 0.0);
    }
    EXPECT_EQ(encode_database(flat_stars, flat).substr(0, 8), "ORRELUX1");
}

TEST_F(StarRecords, FollowTheirProperMotionToTheRequestedEpoch) {
    std::vector<star> const stars_2000 = make_star_records(hipparcos, {});
    EXPECT_NEAR(stars_2000[0].ra, 101.2872, 1e-4); // Sirius, moved from 1991.25 to J2000
    EXPECT_NEAR(stars_2000[0].dec, -16.7161, 1e-4);
    // Barnard's star moves 10.3" a year northward: 0.287 degree in a century.
    BuildOptions later;
    later.epoch = 2100.0;
    star const barnard_2000 = star_near(stars_2000, 269.452, 4.693);
    star const barnard_2100 = star_near(make_star_records(hipparcos, later), 269.430, 4.98);
    EXPECT_NEAR(barnard_2100.dec - barnard_2000.dec, 10326.93 * 100.0 / 3.6e6, 1e-5);
    EXPECT_NEAR(barnard_2100.ra - barnard_2000.ra,
                -797.84 * 100.0 / 3.6e6 / std::cos(4.8 * M_PI / 180.0), 1e-4);
}

TEST_F(StarRecords, AreWrittenAfterAHeaderThatRecordsCountEpochAndUnit) {
    BuildOptions options;
    options.epoch = 2050.5;
    options.distance = *distance_scale_from_text("ly");
    std::vector<star> const written = make_star_records(kstars, options);
    write_database(path, written, options);
    EXPECT_EQ(read_text(path).substr(0, 8), "ORRELUX2");
    StarDatabase const db = read_database(path);
    EXPECT_TRUE(db.header.three_d && db.header.has_metadata);
    EXPECT_EQ(db.header.star_count, written.size());
    EXPECT_EQ(db.header.epoch, 2050.5);
    EXPECT_EQ(db.header.distance.unit, DistanceUnit::LIGHT_YEAR);
    ASSERT_EQ(db.stars.size(), written.size());
    EXPECT_EQ(memcmp(db.stars.data(), written.data(), 32 * written.size()), 0);
}

TEST_F(StarRecords, AreWrittenWholeOrNotAtAll) {
    std::string const missing = folder.file("missing/x.stars");
    EXPECT_THAT(raised<StarcatError>([&] { write_database(missing, stars, {}); }),
                StartsWith("cannot write \"" + missing + "\": opening file \"" + missing +
                           ".inprogress\": No such file or directory"));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path));
    // A non-empty folder cannot be replaced by a file: the rename fails.
    std::filesystem::create_directories(path + "/kept");
    EXPECT_THAT(raised<StarcatError>([&] { write_database(path, stars, {}); }),
                StartsWith("cannot write \"" + path + "\": rename(" + path + ".inprogress," + path +
                           "): Is a directory"));
    EXPECT_TRUE(std::filesystem::is_directory(path + "/kept"));
    EXPECT_FALSE(std::filesystem::exists(path + ".inprogress"));
}

// A full disk or a kill while a database is written leaves the one before
// it whole. The Hipparcos extract makes a database twice the size of the
// limit, so the write fails half-way.
TEST_F(StarRecords, ReplaceTheOldDatabaseOnlyOnceWholeWhateverStopsTheWrite) {
    std::vector<star> const other = make_star_records(hipparcos, {});
    auto const write = [&](unsigned n) { write_database(path, n % 2 ? other : stars, {}); };
    std::string versions[2];
    for (unsigned n = 0; n < 2; n++) {
        write(n);
        versions[n] = read_text(path);
    }
    write(0);

    std::string const failure = with_file_size_limit(
        versions[1].size() / 2, [&] { return raised<StarcatError>([&] { write(1); }); });

    EXPECT_THAT(failure, StartsWith("cannot write \"" + path + "\": write: File too large"));
    EXPECT_EQ(read_text(path), versions[0]);
    EXPECT_FALSE(std::filesystem::exists(path + ".inprogress"));
    expect_kills_leave_one_version_whole(path, versions, write);
}
