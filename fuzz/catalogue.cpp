// Each catalogue format of orrelux-stars: every catalogue the reader accepts
// gives database records that its own sanity check passes, and the database
// bytes read back to the same records and header.
#include "fuzz/fuzz_support.h"

#include "tools/catalogue.h"
#include "tools/database_summary.h"
#include "tools/star_database.h"
#include "tools/starcat_error.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

BuildOptions build_options(FuzzBytes& in) {
    BuildOptions options;
    options.three_d = in.pick(2) == 0;
    double const epochs[] = {2000.0, 1991.25, 2050.0};
    options.epoch = epochs[in.pick(3)];
    DistanceScale const scales[] = {{DistanceUnit::PARSEC, 1.0},
                                    {DistanceUnit::LIGHT_YEAR, LIGHT_YEARS_PER_PARSEC},
                                    {DistanceUnit::SCALE, 1e-3}};
    options.distance = scales[in.pick(3)];
    if (in.pick(2) == 0) {
        options.max_magnitude = in.in_range(-2, 12);
    }
    return options;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    FuzzBytes in(data, size);
    CatalogueOptions options;
    CatalogueFormat const formats[] = {CatalogueFormat::KSTARS, CatalogueFormat::HIPPARCOS,
                                       CatalogueFormat::HYG};
    unsigned const format = in.pick(4);
    if (format < 3) {
        options.format = formats[format];
    }
    options.skip_bad_lines = in.pick(2) == 0;
    BuildOptions const build = build_options(in);
    std::string const text = in.rest();

    Catalogue catalogue;
    try {
        catalogue = parse_catalogue("fuzz.cat", text, options);
    } catch (StarcatError const&) {
        return 0;
    }
    FUZZ_REQUIRE(!catalogue.stars.empty());
    for (CatalogueStar const& c : catalogue.stars) {
        FUZZ_REQUIRE(std::isfinite(c.ra) && std::isfinite(c.dec) && std::isfinite(c.vmag));
        FUZZ_REQUIRE(std::isfinite(c.distance) && c.distance >= 0);
    }

    std::vector<star> const records = make_star_records(catalogue, build);
    for (star const& s : records) {
        std::string const problem = record_problem(s, build.three_d);
        if (!problem.empty()) {
            std::fprintf(stderr, "record: %s\n", problem.c_str());
        }
        FUZZ_REQUIRE(problem.empty());
        FUZZ_REQUIRE(s.ra >= 0 && s.ra < 360);
    }

    StarDatabase const db = decode_database("fuzz.stars", encode_database(records, build));
    FUZZ_REQUIRE(db.header.has_metadata && db.header.three_d == build.three_d);
    FUZZ_REQUIRE(db.header.star_count == records.size() && db.trailing_bytes == 0);
    FUZZ_REQUIRE(db.header.epoch == build.epoch);
    FUZZ_REQUIRE(db.header.distance.unit == build.distance.unit);
    FUZZ_REQUIRE(db.header.distance.per_parsec == build.distance.per_parsec);
    FUZZ_REQUIRE(db.stars.size() == records.size());
    FUZZ_REQUIRE(records.empty() ||
                 std::memcmp(db.stars.data(), records.data(), records.size() * sizeof(star)) == 0);
    return 0;
}
