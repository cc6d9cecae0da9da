#include "extracts.h"
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
