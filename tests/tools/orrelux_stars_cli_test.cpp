#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>

namespace {

struct CommandResult {
    int status;
    std::string output; // standard output and error together
};

CommandResult run(std::string const& arguments) {
    std::string const command = std::string(ORRELUX_STARS_EXE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    CommandResult result{-1, std::string()};
    if (!pipe) {
        return result;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    int const status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string file_bytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

class OrreluxStarsCommand : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::string const db = folder.file("x.stars");
};

TEST_F(OrreluxStarsCommand, BuildsADatabaseAndDescribesIt) {
    CommandResult const build = run("build -o " + db + " " + data_file("kstars_extract.dat"));
    EXPECT_EQ(build.status, 0) << build.output;
    EXPECT_EQ(build.output,
              db + ": 15 stars (12 with distance, in pc), ORRELUX2, epoch J2000.00\n");
    CommandResult const info = run("info " + db);
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("stars:           15\n"), std::string::npos);
    EXPECT_NE(info.output.find("       1  101.2872  -16.7161"), std::string::npos);
}

TEST_F(OrreluxStarsCommand, InfoPrintsOneJsonObjectForScripts) {
    run("build --2d --epoch 2010 -o " + db + " " + data_file("hyg_extract.csv"));
    CommandResult const info = run("info --json --threshold 0.5 " + db);
    ASSERT_EQ(info.status, 0) << info.output;
    nlohmann::json const j = nlohmann::json::parse(info.output);
    EXPECT_EQ(j["magic"], "ORRELUX1");
    EXPECT_EQ(j["stars"], 8);
    EXPECT_EQ(j["header"]["epoch"], 2010.0);
    EXPECT_EQ(j["threshold"], 0.5);
    EXPECT_EQ(j["passing_threshold"], 4); // Sirius, Vega, Rigel, Betelgeuse
}

TEST_F(OrreluxStarsCommand, InfoFailsOnAnInsaneRecord) {
    run("build -o " + db + " " + data_file("kstars_extract.dat"));
    std::string bytes = file_bytes(db);
    double const bad_dec = 123.0;
    memcpy(&bytes[32 * 3 + 8], &bad_dec, sizeof bad_dec);
    std::ofstream(db, std::ios::binary | std::ios::trunc) << bytes;
    CommandResult const info = run("info " + db);
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.output.find("problems:        1 records not sane\n"
                               "  record 3: declination 123.000000 outside +-90 degrees\n"),
              std::string::npos)
        << info.output;
}

TEST_F(OrreluxStarsCommand, AMalformedLineStopsTheBuildWithNothingWritten) {
    std::string const catalogue = data_file("kstars_malformed.dat");
    run("build -o " + db + " " + data_file("kstars_extract.dat"));
    std::string const before = file_bytes(db);
    CommandResult const build = run("build -o " + db + " " + catalogue);
    EXPECT_EQ(build.status, 1);
    EXPECT_EQ(build.output, "Error: " + catalogue + ":3: bad right ascension \"0645x8.92\"\n");
    EXPECT_EQ(file_bytes(db), before);
    EXPECT_FALSE(std::filesystem::exists(db + ".inprogress"));
}

TEST_F(OrreluxStarsCommand, SkipsBadLinesWithAWarningWhenAsked) {
    std::string const catalogue = data_file("kstars_malformed.dat");
    CommandResult const build = run("build --skip-bad-lines -o " + db + " " + catalogue);
    EXPECT_EQ(build.status, 0) << build.output;
    EXPECT_NE(build.output.find("warning: " + catalogue +
                                ":7: bad declination \"+951550.8\"; line skipped\n"),
              std::string::npos);
    EXPECT_NE(build.output.find(db + ": 3 stars"), std::string::npos);
}

TEST_F(OrreluxStarsCommand, RejectsAnUnknownDistanceUnit) {
    CommandResult const build =
        run("build --distance-unit furlong -o " + db + " " + data_file("kstars_extract.dat"));
    EXPECT_EQ(build.status, 1);
    EXPECT_EQ(build.output, "Error: --distance-unit: expected pc, ly or a positive scale "
                            "factor, got \"furlong\"\n");
    EXPECT_FALSE(std::filesystem::exists(db));
}

TEST_F(OrreluxStarsCommand, RejectsAnUnknownFormatName) {
    CommandResult const build =
        run("build --format csv -o " + db + " " + data_file("hyg_extract.csv"));
    EXPECT_NE(build.status, 0);
    EXPECT_NE(build.output.find("--format"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(db));
}

TEST_F(OrreluxStarsCommand, ANamedFormatOverridesTheGuess) {
    std::string const catalogue = data_file("kstars_extract.dat");
    CommandResult const build = run("build --format hipparcos -o " + db + " " + catalogue);
    EXPECT_EQ(build.status, 1);
    EXPECT_EQ(build.output.substr(0, 7 + catalogue.size() + 3), "Error: " + catalogue + ":1:");
}

TEST_F(OrreluxStarsCommand, InfoOnSomethingElseSaysItIsNotADatabase) {
    std::string const other = data_file("hyg_reordered.csv");
    CommandResult const info = run("info " + other);
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.output,
              "Error: " + other + R"(: not a star database (magic ""mag","d"))" + "\n");
}
