#include "kstars_binary_file.h"
#include "tools/kstars_binary.h"
#include "tools/starcat_error.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using ::testing::HasSubstr;

namespace {

std::vector<TychoRecord> const RECORDS = {
    {6.0, -16.5, 9.00, 1.00},
    {23.999, 89.9, 11.5, -0.20},
    {0.0, -45.25, 12.34, 0.0},
};

std::string refusal(std::string const& bytes) {
    try {
        parse_kstars_binary("deep.dat", bytes);
    } catch (StarcatError const& e) {
        return e.what();
    }
    return "accepted";
}

} // namespace

TEST(KStarsBinaryFile, ReadsPositionsAndTurnsTychoMagnitudesIntoJohnson) {
    for (size_t cells : {1, 2, 3}) {
        Catalogue const c =
            parse_kstars_binary("deep.dat", kstars_binary_file(RECORDS, tycho_fields(), cells));
        ASSERT_EQ(c.stars.size(), 3u);
        EXPECT_NEAR(c.stars[0].ra, 90.0, 1e-9);
        EXPECT_NEAR(c.stars[0].dec, -16.5, 1e-9);
        EXPECT_NEAR(c.stars[0].vmag, 8.91, 1e-9);
        EXPECT_NEAR(c.stars[0].bv, 0.85, 1e-9);
        EXPECT_NEAR(c.stars[1].ra, 359.985, 1e-9);
        EXPECT_NEAR(c.stars[1].dec, 89.9, 1e-9);
        EXPECT_NEAR(c.stars[1].vmag, 11.518, 1e-9);
        EXPECT_NEAR(c.stars[1].bv, -0.17, 1e-9);
        EXPECT_NEAR(c.stars[2].dec, -45.25, 1e-9);
        EXPECT_NEAR(c.stars[2].vmag, 12.34, 1e-9);
        for (CatalogueStar const& s : c.stars) {
            EXPECT_EQ(s.distance, 0.0);
            EXPECT_EQ(s.epoch, 2000.0);
        }
    }
}

TEST(KStarsBinaryFile, RefusesAnotherLayoutNamingWhatDiffers) {
    struct Case {
        std::function<void(std::vector<KStarsField>&)> change;
        char const* message;
    };
    Case const cases[] = {
        {[](auto& f) { f[6].name = "vmag"; },
         "deep.dat: field 7 is named \"vmag\", expected \"mag\""},
        {[](auto& f) { f[0].size = 8; }, "field 1 \"RA\" has 8 bytes, expected 4"},
        {[](auto& f) { f[8].size = 4; }, "field 9 \"spec_type\" has 4 bytes, expected 2"},
        {[](auto& f) { f[1].scale = 1000000; },
         "field 2 \"Dec\" has scale 1000000, expected 100000"},
        {[](auto& f) { f[7].type = 4; }, "field 8 \"bv_index\" has type 4, expected 3"},
        {[](auto& f) {
             f.push_back({"extra", 1, 0, 0});
         },
         "12 fields a record, expected 11"},
    };
    for (Case const& c : cases) {
        std::vector<KStarsField> fields = tycho_fields();
        c.change(fields);
        EXPECT_THAT(refusal(kstars_binary_file(RECORDS, fields)), HasSubstr(c.message));
    }
    // The scale of a field that is not read does not matter.
    std::vector<KStarsField> fields = tycho_fields();
    fields[10].scale = 1;
    EXPECT_EQ(refusal(kstars_binary_file(RECORDS, fields)), "accepted");
}

TEST(KStarsBinaryFile, RefusesADamagedFileNamingWhatIsWrong) {
    std::string const good = kstars_binary_file(RECORDS);
    size_t const cell_1_offset = kstars_index_at() + 4 + 12 + 4;
    struct Case {
        std::function<void(std::string&)> change;
        char const* message;
    };
    Case const cases[] = {
        {[](auto& b) { std::swap(b[124], b[125]); }, "deep.dat: a big-endian KStars star file"},
        {[](auto& b) { b[124] = 'X'; }, "not a KStars binary star file (no \"SK\" at byte 124)"},
        {[](auto& b) { b[126] = 2; }, "KStars star data version 2, expected 1"},
        {[](auto& b) { b.resize(200); }, "deep.dat: ends at byte 200 inside its header"},
        {[](auto& b) { b += "1234567"; }, "bytes, but its index accounts for"},
        {[](auto& b) { b.resize(b.size() - 32); }, "bytes, but its index accounts for"},
        {[&](auto& b) { b[cell_1_offset] = static_cast<char>(b[cell_1_offset] + 32); },
         "sky cell 1 starts at byte"},
        {[](auto& b) { b.replace(kstars_index_at(), 4, std::string(4, '\0')); },
         "index of 0 sky cells"},
        {[&](auto& b) {
             b = kstars_binary_file({RECORDS[0], {5.0, 95.0, 10.0, 0.1}});
         },
         "record 2 has an impossible position"},
        {[&](auto& b) {
             b = kstars_binary_file({{25.0, 10.0, 10.0, 0.1}});
         },
         "record 1 has an impossible position"},
        {[&](auto& b) { b = kstars_binary_file({}); }, "no stars found"},
    };
    for (Case const& c : cases) {
        std::string bytes = good;
        c.change(bytes);
        EXPECT_THAT(refusal(bytes), HasSubstr(c.message));
    }
}
