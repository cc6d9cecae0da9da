#include "extracts.h"
#include "kstars_binary_file.h"
#include "tools/sky_neighbours.h"
#include "tools/star_database.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

using ::testing::HasSubstr;

namespace {

struct CommandResult {
    int status;
    std::string output; // standard output and error together
};

CommandResult run(std::string const& arguments) {
    std::string const command = std::string(ORRELUX_STARS_EXE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    CommandResult result{-1, std::string()};
    char buffer[4096];
    size_t n;
    while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    int const status = pipe ? pclose(pipe) : -1;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

class OrreluxStarsCommand : public ::testing::Test {
protected:
    TempFolder folder;
    std::string const db = folder.file("x.stars");
};

TEST_F(OrreluxStarsCommand, BuildsADatabaseThatInfoDescribesAndFailsOnceARecordIsInsane) {
    CommandResult const build = run("build -o " + db + " " + data_file("kstars_extract.dat"));
    EXPECT_EQ(build.status, 0) << build.output;
    EXPECT_EQ(build.output,
              db + ": 15 stars (12 with distance, in pc), ORRELUX2, epoch J2000.00\n");
    CommandResult const info = run("info " + db);
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_THAT(info.output, HasSubstr("       1  101.2872  -16.7161")); // Sirius first
    std::string bytes = read_text(db);
    double const bad_dec = 123.0;
    memcpy(&bytes[32 * 3 + 8], &bad_dec, sizeof bad_dec);
    std::ofstream(db, std::ios::binary | std::ios::trunc) << bytes;
    CommandResult const insane = run("info " + db);
    EXPECT_EQ(insane.status, 1);
    EXPECT_THAT(insane.output,
                HasSubstr("problems:        1 records not sane\n"
                          "  record 3: declination 123.000000 outside +-90 degrees\n"));
}

TEST_F(OrreluxStarsCommand, SkipsBadLinesWithAWarningWhenAskedAndInfoSpeaksJson) {
    std::string const catalogue = data_file("kstars_malformed.dat");
    CommandResult const build =
        run("build --2d --epoch 2010 --skip-bad-lines -o " + db + " " + catalogue);
    EXPECT_EQ(build.status, 0) << build.output;
    EXPECT_THAT(build.output, HasSubstr("warning: " + catalogue +
                                        ":7: bad declination \"+951550.8\"; line skipped\n"));
    EXPECT_THAT(build.output, HasSubstr(db + ": 3 stars, ORRELUX1, epoch J2010.00\n"));
    CommandResult const info = run("info --json --threshold 0.5 " + db);
    ASSERT_EQ(info.status, 0) << info.output;
    nlohmann::json const j = nlohmann::json::parse(info.output);
    EXPECT_EQ(j["magic"], "ORRELUX1");
    EXPECT_EQ(j["stars"], 3);
    EXPECT_EQ(j["header"]["epoch"], 2010.0);
    EXPECT_EQ(j["passing_threshold"], 2); // Sirius and Vega
    EXPECT_NEAR(j["brightest"][0]["magnitude"].get<double>(), -1.44, 1e-6);
}

TEST_F(OrreluxStarsCommand, FailsWithAMessageAndWritesNothing) {
    std::string const malformed = data_file("kstars_malformed.dat"),
                      kstars = data_file("kstars_extract.dat"),
                      other = data_file("hyg_reordered.csv"),
                      blazing = data_file("kstars_blazing.dat");
    std::pair<std::string, std::string> const cases[] = {
        // arguments, start of the output
        {"build -o " + db + " " + malformed,
         "Error: " + malformed + ":3: bad right ascension \"0645x8.92\"\n"},
        {"build --distance-unit furlong -o " + db + " " + kstars,
         "Error: --distance-unit: expected pc, ly or a positive scale factor, got \"furlong\"\n"},
        // A named format overrides the guess.
        {"build --format hipparcos -o " + db + " " + kstars,
         "Error: " + kstars + ":1: line too short"},
        // Once written as an infinite luminance, which failed the database's own check.
        {"build -o " + db + " " + blazing,
         "Error: " + blazing + ":3: magnitude out of range \"-99.9\" (-30 to 30)\n"},
        {"info " + other, "Error: " + other + R"(: not a star database (magic ""mag","d"))" + "\n"},
    };
    for (auto const& [arguments, output] : cases) {
        SCOPED_TRACE(arguments);
        CommandResult const result = run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.output.substr(0, output.size()), output);
        EXPECT_TRUE(std::filesystem::is_empty(folder.path));
    }
}

TEST_F(OrreluxStarsCommand, MergesFainterStarsLeavingOutThoseTheCatalogueHolds) {
    double const vega_ra = 18 + 36 / 60.0 + 56.34 / 3600, vega_dec = 38 + 47 / 60.0 + 1.3 / 3600;
    std::string const deep = folder.file("deep.dat");
    write_text(deep, kstars_binary_file({{vega_ra, vega_dec + 1 / 3600.0, 0.1, 0.0},
                                         {vega_ra, vega_dec + 3 / 3600.0, 9.0, 0.2},
                                         {12.0, 0.0, 10.0, 0.5}}));
    std::string const base = data_file("kstars_extract.dat");
    CommandResult const merge = run("merge -o " + db + " " + base + " " + deep);
    ASSERT_EQ(merge.status, 0) << merge.output;
    EXPECT_THAT(merge.output, HasSubstr(db + ": 17 stars, ORRELUX2, epoch J2000.00\n"));
    EXPECT_THAT(merge.output,
                HasSubstr("merged: all 15 stars of " + base + " and 2 of the 3 stars of " + deep));
    EXPECT_THAT(merge.output, HasSubstr("dropped: 1 stars of " + deep +
                                        " within 2 arcsec of a star of " + base + "\n"));

    StarDatabase const merged = read_database(db);
    ASSERT_EQ(merged.stars.size(), 17u);
    EXPECT_TRUE(merged.header.has_metadata);
    size_t near_vega = 0;
    for (size_t i = 0; i < merged.stars.size(); ++i) {
        star const& s = merged.stars[i];
        near_vega += angular_distance({s.ra, s.dec}, {15 * vega_ra, vega_dec}) < 4 / 3600.0;
        if (i > 0) {
            EXPECT_LE(s.lum, merged.stars[i - 1].lum) << "record " << i + 1;
        }
    }
    EXPECT_EQ(near_vega, 2u); // Vega and the Tycho star 3" north of it
    star const faint = star_near(merged.stars, 180.0, 0.0);
    EXPECT_NEAR(faint.lum, std::pow(10.0, -0.4 * (10.0 - 0.045)), 1e-9);
    EXPECT_EQ(faint.dist, 0.0);
    EXPECT_GT(star_near(merged.stars, 101.2872, -16.7161).dist, 2.0); // Sirius keeps its distance

    CommandResult const info = run("info " + db);
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_THAT(info.output, HasSubstr("problems:        none\n"));

    std::string const again = folder.file("again.stars");
    ASSERT_EQ(run("merge -o " + again + " " + base + " " + deep).status, 0);
    EXPECT_EQ(read_text(again), read_text(db));

    CommandResult const wider = run("merge --radius 4 -o " + again + " " + base + " " + deep);
    EXPECT_THAT(wider.output, HasSubstr(again + ": 16 stars"));
    EXPECT_THAT(wider.output, HasSubstr("dropped: 2 stars"));
}

TEST_F(OrreluxStarsCommand, RefusesToMergeAnotherLayoutAndWritesNothing) {
    std::vector<KStarsField> fields = tycho_fields();
    fields[6].scale = 1000;
    std::string const deep = folder.file("deep.dat");
    write_text(deep, kstars_binary_file({{12.0, 0.0, 10.0, 0.5}}, fields));
    CommandResult const merge =
        run("merge -o " + db + " " + data_file("kstars_extract.dat") + " " + deep);
    EXPECT_EQ(merge.status, 1);
    EXPECT_THAT(merge.output, HasSubstr(deep + ": field 7 \"mag\" has scale 1000, expected 100"));
    EXPECT_FALSE(std::filesystem::exists(db));
}
