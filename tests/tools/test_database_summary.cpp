#include "tools/database_summary.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

star make_star(double ra, double dec, float lum, double dist = 0.0) {
    return star{ra, dec, lum, 255, 255, 255, 0, dist};
}

} // namespace

using ::testing::HasSubstr;

TEST(DatabaseSummary, NamesEveryInsaneRecordCountsAllAndLeavesThemOutOfTheFigures) {
    struct Case {
        star s;
        char const* problem;
    } const cases[] = {
        {make_star(NAN, 10, 1), "right ascension is not a finite number"},
        {make_star(10, 90.5, 1), "declination 90.500000 outside +-90 degrees"},
        {make_star(10, -10, -0.5f), "negative luminance -0.5"},
        {make_star(10, -10, 0.5f, -3), "negative distance -3"},
        {make_star(10, -10, INFINITY), "luminance is not a finite number"},
        {make_star(10, -10, 0.5f, INFINITY), "distance is not a finite number"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(record_problem(c.s, true), c.problem);
    }
    EXPECT_EQ(record_problem(cases[5].s, false), ""); // a 2D database has no distances
    StarDatabase db;
    db.header.three_d = true;
    db.stars.assign(50, cases[1].s);
    db.stars.push_back(make_star(1, 1, 0.5f, 2.0));
    db.stars.push_back(make_star(2, 2, 1.0f));
    DatabaseSummary const sum = summarise_database(db, 0.001);
    EXPECT_EQ(sum.problem_count, 50u);
    EXPECT_EQ(sum.problems.size(), LISTED_PROBLEMS);
    EXPECT_EQ(sum.passing_threshold, 2u);
    EXPECT_FLOAT_EQ(sum.lum_max, 1.0f);
    EXPECT_EQ(sum.brightest.at(0).record, 52u);
    std::string const text = summary_text("x", sum);
    EXPECT_THAT(text, HasSubstr("order:           NOT brightest first\n")); // 52 outshines 51
    EXPECT_THAT(text, HasSubstr("problems:        50 records not sane\n"));
}
