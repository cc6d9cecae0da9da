#include "tools/database_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

star make_star(double ra, double dec, float lum, double dist = 0.0) {
    star s{};
    s.ra = ra;
    s.dec = dec;
    s.lum = lum;
    s.r = s.g = s.b = 255;
    s.dist = dist;
    return s;
}

StarDatabase database(std::vector<star> stars, bool three_d = true) {
    StarDatabase db;
    db.header.three_d = three_d;
    db.stars = std::move(stars);
    return db;
}

double const NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

} // namespace

class DatabaseSummaryOfSaneStars : public ::testing::Test {
protected:
    StarDatabase const db = database({
        make_star(101.287, -16.716, 3.767f, 2.64),
        make_star(279.235, 38.784, 0.973f, 7.76),
        make_star(88.793, 7.407, 0.661f, 0.0),
        make_star(10.0, 10.0, 0.002f, 0.0),
        make_star(20.0, 20.0, 0.0005f, 900.0),
    });
    DatabaseSummary const sum = summarise_database(db, 0.001, 3);
};

TEST_F(DatabaseSummaryOfSaneStars, CountsStarsAtOrAboveTheThreshold) {
    EXPECT_EQ(sum.star_count, 5u);
    EXPECT_EQ(sum.passing_threshold, 4u);
    EXPECT_EQ(summarise_database(db, 0.661f).passing_threshold, 3u);
}

TEST_F(DatabaseSummaryOfSaneStars, GivesLuminanceAndDistanceRanges) {
    EXPECT_FLOAT_EQ(sum.lum_max, 3.767f);
    EXPECT_FLOAT_EQ(sum.lum_min, 0.0005f);
    EXPECT_EQ(sum.with_distance, 3u);
    EXPECT_DOUBLE_EQ(sum.dist_min, 2.64);
    EXPECT_DOUBLE_EQ(sum.dist_max, 900.0);
}

TEST_F(DatabaseSummaryOfSaneStars, ListsTheBrightestWithTheirRecordNumbers) {
    ASSERT_EQ(sum.brightest.size(), 3u);
    EXPECT_EQ(sum.brightest[0].record, 1u);
    EXPECT_EQ(sum.brightest[1].record, 2u);
    EXPECT_EQ(sum.brightest[2].record, 3u);
    EXPECT_TRUE(sum.brightest_first);
    EXPECT_EQ(sum.problem_count, 0u);
}

TEST_F(DatabaseSummaryOfSaneStars, NoticesADatabaseOutOfOrder) {
    StarDatabase const shuffled = database({db.stars[2], db.stars[0], db.stars[1]});
    DatabaseSummary const s = summarise_database(shuffled, 0.001);
    EXPECT_FALSE(s.brightest_first);
    EXPECT_EQ(s.brightest[0].record, 2u);
}

TEST_F(DatabaseSummaryOfSaneStars, SaysTheSameInJson) {
    nlohmann::json const j = summary_json("db.stars", sum);
    EXPECT_EQ(j["file"], "db.stars");
    EXPECT_EQ(j["magic"], "ORRELUX2");
    EXPECT_EQ(j["stars"], 5);
    EXPECT_EQ(j["passing_threshold"], 4);
    EXPECT_EQ(j["distances"]["count"], 3);
    EXPECT_EQ(j["brightest"][0]["record"], 1);
    EXPECT_NEAR(j["brightest"][0]["magnitude"].get<double>(), -1.44, 1e-3);
    EXPECT_EQ(j["problem_count"], 0);
    EXPECT_TRUE(j["header"].is_null()); // nothing recorded in this header
}

TEST_F(DatabaseSummaryOfSaneStars, SaysTheSameInText) {
    std::string const text = summary_text("db.stars", sum);
    EXPECT_NE(text.find("magic:           ORRELUX2 (3D, with distances)\n"), std::string::npos);
    EXPECT_NE(text.find("stars:           5\n"), std::string::npos);
    EXPECT_NE(text.find("threshold:       0.001, 4 stars at or above it\n"), std::string::npos);
    EXPECT_NE(text.find("with distance:   3 stars, 2.64 to 900; the others at infinity\n"),
              std::string::npos);
    EXPECT_NE(text.find("problems:        none\n"), std::string::npos);
}

class DatabaseSummaryProblems : public ::testing::Test {};

TEST_F(DatabaseSummaryProblems, FindsEveryKindOfInsaneRecord) {
    StarDatabase const db = database({
        make_star(10.0, 10.0, 1.0f),
        make_star(NOT_A_NUMBER, 10.0, 1.0f),
        make_star(10.0, 90.5, 1.0f),
        make_star(10.0, -10.0, -0.5f),
        make_star(10.0, -10.0, 0.5f, -3.0),
        make_star(10.0, -10.0, std::numeric_limits<float>::infinity()),
        make_star(10.0, -10.0, 0.5f, std::numeric_limits<double>::infinity()),
    });
    DatabaseSummary const sum = summarise_database(db, 0.001);
    ASSERT_EQ(sum.problem_count, 6u);
    EXPECT_EQ(sum.problems[0].record, 2u);
    EXPECT_EQ(sum.problems[0].reason, "right ascension is not a finite number");
    EXPECT_EQ(sum.problems[1].reason, "declination 90.500000 outside +-90 degrees");
    EXPECT_EQ(sum.problems[2].reason, "negative luminance -0.5");
    EXPECT_EQ(sum.problems[3].reason, "negative distance -3");
    EXPECT_EQ(sum.problems[4].reason, "luminance is not a finite number");
    EXPECT_EQ(sum.problems[5].record, 7u);
    EXPECT_EQ(sum.problems[5].reason, "distance is not a finite number");
    // Ranges and counts leave insane records out.
    EXPECT_EQ(sum.passing_threshold, 1u);
    EXPECT_FLOAT_EQ(sum.lum_max, 1.0f);
}

TEST_F(DatabaseSummaryProblems, IgnoresDistancesOfTwoDimensionalDatabases) {
    StarDatabase const db =
        database({make_star(10.0, 10.0, 1.0f, NOT_A_NUMBER), make_star(1, 1, 1, -1)}, false);
    EXPECT_EQ(summarise_database(db, 0.001).problem_count, 0u);
}

TEST_F(DatabaseSummaryProblems, ListsTheFirstFewAndCountsAll) {
    std::vector<star> stars(50, make_star(0.0, 100.0, 1.0f));
    DatabaseSummary const sum = summarise_database(database(std::move(stars)), 0.001);
    EXPECT_EQ(sum.problem_count, 50u);
    EXPECT_EQ(sum.problems.size(), LISTED_PROBLEMS);
    EXPECT_TRUE(std::isnan(sum.lum_max));
    EXPECT_NE(summary_text("x", sum).find("problems:        50 records not sane\n"),
              std::string::npos);
}
