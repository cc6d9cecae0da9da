#include "tools/catalogue.h"
#include "tools/starcat_error.h"

#include "extracts.h"
#include "tests/support/raised.h"
#include "tests/support/text_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

char const* const KSTARS = "kstars_extract.dat";
char const* const HIPPARCOS = "hip_extract.dat";
char const* const HYG = "hyg_extract.csv";

// Degrees from degrees (or hours), minutes and seconds.
double dms(double units, double minutes, double seconds) {
    return units + minutes / 60.0 + seconds / 3600.0;
}

std::string read_error(std::string const& path, CatalogueOptions const& options = {}) {
    return raised<StarcatError>([&] { read_catalogue(path, options); });
}

} // namespace

TEST(Catalogue, ReadsPositionsColoursMotionsAndTrustedDistances) {
    struct Case {
        char const* file;
        double vmag, ra, dec, bv, pm_ra, pm_dec, distance;
    } const cases[] = {
        {KSTARS, -1.44, 15 * dms(6, 45, 8.92), -dms(16, 42, 58.0), 0.01, -546.0, -1223.1,
         1000.0 / 379.2},
        // 60 seconds of RA left by rounding carry into the minutes.
        {KSTARS, 4.17, 15 * dms(0, 33, 0), dms(62, 55, 54.4), 0.13, 4.0, -2.1, 1250},
        // Parallax 0, and a parallax at V 8.00, which is not Hipparcos', give no distance.
        {KSTARS, 3.79, 15 * dms(11, 18, 11.24), dms(31, 31, 50.8), 0.61, 0, 0, 0},
        {KSTARS, 8.0, 15 * dms(1, 27, 29.93), dms(30, 30, 42.1), 0.44, 80.2, 5.8, 0},
        {HIPPARCOS, -1.44, 101.28854105, -16.71314306, 0.009, -546.01, -1223.08, 1000.0 / 379.21},
        // A negative parallax and a blank colour index.
        {HIPPARCOS, 7.42, 304.18924538, 39.02355017, NAN, 3.12, -4.01, 0.0},
        {HYG, -1.44, 6.752481 * 15.0, -16.716116, 0.009, -546.01, -1223.08, 2.6371},
        // A quoted RA and 100000 pc for unknown; a comma inside quotes.
        {HYG, 8.1, 187.5, 45.0, NAN, 0.0, 0.0, 0.0},
        {HYG, 6.1, 195.0, -30.0, NAN, 0.0, 0.0, 500.0},
        {"hyg_reordered.csv", -1.44, 6.752481 * 15.0, -16.716116, 0.009, 0.0, 0.0, 2.6371},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ", V " + std::to_string(c.vmag));
        std::vector<CatalogueStar> const stars = read_catalogue(data_file(c.file), {}).stars;
        auto const s = std::find_if(stars.begin(), stars.end(), [&](CatalogueStar const& s) {
            return std::fabs(s.vmag - c.vmag) < 1e-9;
        });
        ASSERT_NE(s, stars.end());
        EXPECT_NEAR(s->ra, c.ra, 1e-6);
        EXPECT_NEAR(s->dec, c.dec, 1e-6);
        EXPECT_TRUE(std::isnan(c.bv) ? std::isnan(s->bv) : std::fabs(s->bv - c.bv) < 1e-9) << s->bv;
        EXPECT_NEAR(s->pm_ra, c.pm_ra, 1e-9);
        EXPECT_NEAR(s->pm_dec, c.pm_dec, 1e-9);
        EXPECT_NEAR(s->distance, c.distance, 1e-9);
    }
}

// With skipping, each extract gives its stars and the warnings its .warnings
// file lists; without, one with a skipped line stops at the first. The lines
// of hyg_malformed.csv end in CR LF; its magnitudes must be wholly decimal.
TEST(Catalogue, ReadsEachExtractWarningOfStarsLeftOutAndLinesSkipped) {
    std::pair<char const*, size_t> const cases[] = {
        {"kstars_extract.dat", 15},  {"hip_extract.dat", 11},  {"hyg_extract.csv", 8},
        {"kstars_malformed.dat", 3}, {"hip_malformed.dat", 2}, {"hyg_malformed.csv", 2}};
    for (auto const& [file, stars] : cases) {
        SCOPED_TRACE(file);
        std::string const path = data_file(file);
        Catalogue const catalogue = read_catalogue(path, {std::nullopt, true});
        EXPECT_EQ(catalogue.stars.size(), stars);
        std::string warnings; // the file names only
        for (std::string const& warning : catalogue.warnings) {
            warnings += warning.substr(data_file("").size()) + "\n";
        }
        EXPECT_EQ(warnings, read_text(std::filesystem::path(path).replace_extension(".warnings")));
        size_t const cut = warnings.find("; line skipped");
        if (cut != std::string::npos) {
            EXPECT_EQ(read_error(path), data_file(warnings.substr(0, cut).c_str()));
        }
    }
}

TEST(CatalogueErrors, NameTheFileAtFault) {
    std::string const missing = data_file("no_such_catalogue.dat");
    EXPECT_EQ(read_error(missing),
              "cannot read catalogue \"" + missing + "\": No such file or directory");
    std::string const text = data_file("not_a_catalogue.txt");
    EXPECT_EQ(read_error(text),
              text + ": unknown catalogue format (name it with --format kstars|hipparcos|hyg)");
    // A header without a required column is never skipped.
    std::string const no_mag = data_file("hyg_no_mag_column.csv");
    EXPECT_EQ(read_error(no_mag, {CatalogueFormat::HYG, true}),
              no_mag + ":1: no column \"mag\" in the header line");
    EXPECT_EQ(raised<StarcatError>(
                  [] { parse_catalogue("t", "# nothing\n\n", {CatalogueFormat::KSTARS}); }),
              "t: no stars found in this kstars catalogue");
}
