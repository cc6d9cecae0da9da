#include "tools/catalogue.h"
#include "tools/starcat_error.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

double hms(int h, int m, double s) {
    return 15.0 * (h + m / 60.0 + s / 3600.0);
}

double dms(int sign, int d, int m, double s) {
    return sign * (d + m / 60.0 + s / 3600.0);
}

// The first star whose magnitude is v.
CatalogueStar const& by_magnitude(Catalogue const& c, double v) {
    for (CatalogueStar const& s : c.stars) {
        if (std::fabs(s.vmag - v) < 1e-9) {
            return s;
        }
    }
    throw std::string("no star of that magnitude");
}

std::string error_of(std::string const& path, CatalogueOptions const& options = {}) {
    try {
        read_catalogue(path, options);
    } catch (StarcatError const& e) {
        return e.message();
    }
    return "no error";
}

CatalogueOptions with_format(CatalogueFormat format) {
    CatalogueOptions options;
    options.format = format;
    return options;
}

CatalogueOptions skipping_bad_lines() {
    CatalogueOptions options;
    options.skip_bad_lines = true;
    return options;
}

} // namespace

class KstarsCatalogue : public ::testing::Test {
protected:
    std::string const path = data_file("kstars_extract.dat");
    Catalogue const catalogue = read_catalogue(path, {});
};

TEST_F(KstarsCatalogue, ReadsEveryStarLineAndNoComment) {
    EXPECT_EQ(catalogue.stars.size(), 15u);
    EXPECT_TRUE(catalogue.warnings.empty());
}

TEST_F(KstarsCatalogue, ConvertsSexagesimalPositionsToDegrees) {
    CatalogueStar const& sirius = by_magnitude(catalogue, -1.44);
    EXPECT_NEAR(sirius.ra, hms(6, 45, 8.92), 1e-6);
    EXPECT_NEAR(sirius.dec, dms(-1, 16, 42, 58.0), 1e-6);
    EXPECT_NEAR(sirius.ra, 101.2872, 1e-4);
    CatalogueStar const& polaris = by_magnitude(catalogue, 1.97);
    EXPECT_NEAR(polaris.ra, hms(2, 31, 49.09), 1e-6);
    EXPECT_NEAR(polaris.dec, dms(1, 89, 15, 50.8), 1e-6);
}

TEST_F(KstarsCatalogue, CarriesSixtySecondsLeftByRounding) {
    CatalogueStar const& kappa_cas = by_magnitude(catalogue, 4.17);
    EXPECT_NEAR(kappa_cas.ra, hms(0, 33, 0.0), 1e-6);
}

TEST_F(KstarsCatalogue, ReadsMagnitudeColourAndProperMotion) {
    CatalogueStar const& sirius = by_magnitude(catalogue, -1.44);
    EXPECT_DOUBLE_EQ(sirius.bv, 0.01);
    EXPECT_DOUBLE_EQ(sirius.pm_ra, -546.0);
    EXPECT_DOUBLE_EQ(sirius.pm_dec, -1223.1);
    EXPECT_DOUBLE_EQ(sirius.epoch, 2000.0);
    EXPECT_DOUBLE_EQ(by_magnitude(catalogue, 0.03).bv, 0.0);
}

TEST_F(KstarsCatalogue, TakesDistancesFromTrustedParallaxesOnly) {
    EXPECT_NEAR(by_magnitude(catalogue, -1.44).distance, 1000.0 / 379.2, 1e-12);
    EXPECT_NEAR(by_magnitude(catalogue, 5.20).distance, 1000.0 / 287.1, 1e-12);
    // Parallax 0.
    EXPECT_EQ(by_magnitude(catalogue, 3.79).distance, 0.0);
    // V 8.00 lines carry parallaxes that are not Hipparcos'.
    for (CatalogueStar const& s : catalogue.stars) {
        if (s.vmag >= 8.0) {
            EXPECT_EQ(s.distance, 0.0);
        }
    }
}

TEST_F(KstarsCatalogue, IsRecognisedWithoutBeingNamed) {
    Catalogue const named = read_catalogue(path, with_format(CatalogueFormat::KSTARS));
    EXPECT_EQ(named.stars.size(), catalogue.stars.size());
}

class HipparcosCatalogue : public ::testing::Test {
protected:
    std::string const path = data_file("hip_extract.dat");
    Catalogue const catalogue = read_catalogue(path, {});
};

TEST_F(HipparcosCatalogue, LeavesOutEntriesWithoutPositionAndSaysSo) {
    EXPECT_EQ(catalogue.stars.size(), 11u);
    ASSERT_EQ(catalogue.warnings.size(), 1u);
    EXPECT_EQ(catalogue.warnings[0], path + ": 1 star left out: no position");
}

TEST_F(HipparcosCatalogue, KeepsThePositionsAtTheCatalogueEpoch) {
    CatalogueStar const& sirius = by_magnitude(catalogue, -1.44);
    EXPECT_DOUBLE_EQ(sirius.epoch, 1991.25);
    EXPECT_DOUBLE_EQ(sirius.ra, 101.28854105);
    EXPECT_DOUBLE_EQ(sirius.dec, -16.71314306);
    EXPECT_DOUBLE_EQ(sirius.pm_ra, -546.01);
    EXPECT_DOUBLE_EQ(sirius.pm_dec, -1223.08);
    EXPECT_DOUBLE_EQ(sirius.bv, 0.009);
}

TEST_F(HipparcosCatalogue, TakesDistancesFromPositiveParallaxes) {
    EXPECT_NEAR(by_magnitude(catalogue, 9.54).distance, 1000.0 / 549.01, 1e-12);
    EXPECT_EQ(by_magnitude(catalogue, 7.42).distance, 0.0); // parallax -1.20
}

TEST_F(HipparcosCatalogue, ABlankColourIndexIsUnknown) {
    EXPECT_TRUE(std::isnan(by_magnitude(catalogue, 7.42).bv));
}

class HygCatalogue : public ::testing::Test {
protected:
    std::string const path = data_file("hyg_extract.csv");
    Catalogue const catalogue = read_catalogue(path, {});
};

TEST_F(HygCatalogue, LeavesOutTheSun) {
    EXPECT_EQ(catalogue.stars.size(), 8u);
    ASSERT_EQ(catalogue.warnings.size(), 1u);
    EXPECT_EQ(catalogue.warnings[0], path + ": 1 star left out: distance 0 (the Sun)");
}

TEST_F(HygCatalogue, ConvertsHoursToDegrees) {
    CatalogueStar const& sirius = by_magnitude(catalogue, -1.44);
    EXPECT_NEAR(sirius.ra, 6.752481 * 15.0, 1e-9);
    EXPECT_NEAR(sirius.dec, -16.716116, 1e-9);
    EXPECT_NEAR(by_magnitude(catalogue, 8.1).ra, 187.5, 1e-9); // a quoted field
}

TEST_F(HygCatalogue, TreatsAHundredThousandParsecsAsUnknown) {
    EXPECT_NEAR(by_magnitude(catalogue, -1.44).distance, 2.6371, 1e-12);
    EXPECT_EQ(by_magnitude(catalogue, 8.1).distance, 0.0);
}

TEST_F(HygCatalogue, KeepsCommasInsideQuotes) {
    CatalogueStar const& named = by_magnitude(catalogue, 6.1);
    EXPECT_NEAR(named.ra, 195.0, 1e-9);
    EXPECT_NEAR(named.distance, 500.0, 1e-9);
    EXPECT_TRUE(std::isnan(named.bv));
}

TEST_F(HygCatalogue, FindsColumnsByNameInAnyOrder) {
    Catalogue const reordered = read_catalogue(data_file("hyg_reordered.csv"), {});
    ASSERT_EQ(reordered.stars.size(), 2u);
    CatalogueStar const& sirius = by_magnitude(reordered, -1.44);
    CatalogueStar const& reference = by_magnitude(catalogue, -1.44);
    EXPECT_DOUBLE_EQ(sirius.ra, reference.ra);
    EXPECT_DOUBLE_EQ(sirius.dec, reference.dec);
    EXPECT_DOUBLE_EQ(sirius.distance, reference.distance);
    EXPECT_DOUBLE_EQ(sirius.bv, reference.bv);
    EXPECT_EQ(sirius.pm_ra, 0.0); // no proper motion columns
}

TEST(CatalogueFormatGuess, RecognisesEachFormatFromItsFirstLines) {
    EXPECT_EQ(guess_catalogue_format("# comment\n064508.92 -164258.0 -000546.0"),
              CatalogueFormat::KSTARS);
    EXPECT_EQ(guess_catalogue_format("H|       32349| |06 45 09.25|"), CatalogueFormat::HIPPARCOS);
    EXPECT_EQ(guess_catalogue_format("id,ra,dec,dist,mag,ci\n"), CatalogueFormat::HYG);
    EXPECT_EQ(guess_catalogue_format("id,ra,dec,dist,ci\n"), std::nullopt);
    EXPECT_EQ(guess_catalogue_format("# only comments\n\n"), std::nullopt);
}

TEST(CatalogueFormatGuess, NamesRoundTrip) {
    for (CatalogueFormat f :
         {CatalogueFormat::KSTARS, CatalogueFormat::HIPPARCOS, CatalogueFormat::HYG}) {
        EXPECT_EQ(catalogue_format_from_name(catalogue_format_name(f)), f);
    }
    EXPECT_EQ(catalogue_format_from_name("csv"), std::nullopt);
}

class CatalogueErrors : public ::testing::Test {};

TEST_F(CatalogueErrors, AMissingFileIsNamedWithTheSystemReason) {
    std::string const path = data_file("no_such_catalogue.dat");
    EXPECT_EQ(error_of(path), "cannot read catalogue \"" + path + "\": No such file or directory");
}

TEST_F(CatalogueErrors, AFolderCannotBeRead) {
    std::string const path = data_file("");
    EXPECT_EQ(error_of(path), "cannot read catalogue \"" + path + "\": Is a directory");
}

TEST_F(CatalogueErrors, AnUnknownFormatAsksForTheFormatOption) {
    std::string const path = data_file("not_a_catalogue.txt");
    EXPECT_EQ(error_of(path),
              path + ": unknown catalogue format (name it with --format kstars|hipparcos|hyg)");
}

TEST_F(CatalogueErrors, ACatalogueWithoutStarsIsAnError) {
    CatalogueOptions const kstars = with_format(CatalogueFormat::KSTARS);
    try {
        parse_catalogue("empty.dat", "# nothing\n\n", kstars);
        FAIL() << "no error";
    } catch (StarcatError const& e) {
        EXPECT_EQ(e.message(), "empty.dat: no stars found in this kstars catalogue");
    }
}

TEST_F(CatalogueErrors, AKstarsLineStopsTheReadAtItsLineNumber) {
    std::string const path = data_file("kstars_malformed.dat");
    EXPECT_EQ(error_of(path), path + ":3: bad right ascension \"0645x8.92\"");
}

TEST_F(CatalogueErrors, SkippedKstarsLinesAreEachReported) {
    std::string const path = data_file("kstars_malformed.dat");
    Catalogue const c = read_catalogue(path, skipping_bad_lines());
    EXPECT_EQ(c.stars.size(), 3u);
    ASSERT_EQ(c.warnings.size(), 4u);
    EXPECT_EQ(c.warnings[0], path + ":3: bad right ascension \"0645x8.92\"; line skipped");
    EXPECT_EQ(c.warnings[1],
              path + ":5: line too short (45 bytes, at least 56 expected); line skipped");
    EXPECT_EQ(c.warnings[2], path + ":6: bad magnitude \"0x.18\"; line skipped");
    EXPECT_EQ(c.warnings[3], path + ":7: bad declination \"+951550.8\"; line skipped");
}

TEST_F(CatalogueErrors, SkippedHipparcosLinesAreEachReported) {
    std::string const path = data_file("hip_malformed.dat");
    EXPECT_EQ(error_of(path), path + ":2: line too short (150 bytes, at least 252 expected)");
    Catalogue const c = read_catalogue(path, skipping_bad_lines());
    EXPECT_EQ(c.stars.size(), 2u);
    ASSERT_EQ(c.warnings.size(), 4u);
    EXPECT_EQ(c.warnings[0],
              path + ":2: line too short (150 bytes, at least 252 expected); line skipped");
    EXPECT_EQ(c.warnings[1], path + ":3: bad parallax \"7.x3\"; line skipped");
    EXPECT_EQ(c.warnings[2],
              path + ":4: not a Hipparcos main catalogue line (no '|' at byte 40); line skipped");
    EXPECT_EQ(c.warnings[3], path + ":5: declination out of range \"+99.26413805\"; line skipped");
}

TEST_F(CatalogueErrors, SkippedHygLinesAreEachReported) {
    std::string const path = data_file("hyg_malformed.csv");
    EXPECT_EQ(error_of(path), path + ":3: expected 7 fields, found 6");
    Catalogue const c = read_catalogue(path, skipping_bad_lines());
    EXPECT_EQ(c.stars.size(), 2u);
    ASSERT_EQ(c.warnings.size(), 3u);
    EXPECT_EQ(c.warnings[0], path + ":3: expected 7 fields, found 6; line skipped");
    EXPECT_EQ(c.warnings[1], path + ":4: bad magnitude \"0.1x0\"; line skipped");
    EXPECT_EQ(c.warnings[2], path + ":5: right ascension out of range \"25.529750\"; line skipped");
}

TEST_F(CatalogueErrors, AHygHeaderWithoutARequiredColumnIsNeverSkipped) {
    std::string const path = data_file("hyg_no_mag_column.csv");
    CatalogueOptions options = with_format(CatalogueFormat::HYG);
    options.skip_bad_lines = true;
    EXPECT_EQ(error_of(path, options), path + ":1: no column \"mag\" in the header line");
}

TEST_F(CatalogueErrors, NumbersMustBeWhollyDecimal) {
    CatalogueOptions const hyg = with_format(CatalogueFormat::HYG);
    for (char const* mag : {"nan", "inf", "0x1p3", "1.5.2", "-"}) {
        std::string const text = std::string("ra,dec,dist,mag,ci\n1.0,2.0,3.0,") + mag + ",0.5\n";
        try {
            parse_catalogue("t.csv", text, hyg);
            FAIL() << mag;
        } catch (StarcatError const& e) {
            EXPECT_EQ(e.message(), std::string("t.csv:2: bad magnitude \"") + mag + "\"");
        }
    }
}

TEST_F(CatalogueErrors, LinesMayEndInCarriageReturnLineFeed) {
    Catalogue const c = parse_catalogue("crlf.csv", "ra,dec,dist,mag,ci\r\n1.0,2.0,3.0,4.0,0.5\r\n",
                                        with_format(CatalogueFormat::HYG));
    ASSERT_EQ(c.stars.size(), 1u);
    EXPECT_DOUBLE_EQ(c.stars[0].bv, 0.5);
}
