// Star databases through both readers, the plug-in's (whole file through the
// host's file services) and the engine's (a read-only mapping), and through
// the catalogue tool's decoder and the plug-in's header probe: all agree on
// whether the file is a database, whether it carries distances, and on every
// record.
#include "fuzz/fuzz_support.h"

#include "LW/module_state.h"
#include "LW/starfile.h"
#include "host/services/file_io.h"
#include "libimgops/stars.h"
#include "tools/star_database.h"
#include "tools/starcat_error.h"

#include "base/xception.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

bool same_record(star const* a, void const* b) {
    return std::memcmp(a, b, sizeof(star)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    orrelux_ini.file_io = host_file_io();
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    std::string const path = fuzz_file("fuzz.stars", bytes);
    size_t const whole = size / sizeof(star);
    bool const partial = size % sizeof(star) != 0;

    // The plug-in's reader counts a short last record, zero-filled.
    LWStarFile loaded(path.c_str());
    FUZZ_REQUIRE(loaded.count == whole + (partial ? 1 : 0));
    std::string padded = bytes;
    padded.resize((whole + (partial ? 1 : 0)) * sizeof(star), '\0');
    for (size_t i = 0; i < loaded.count; i++) {
        FUZZ_REQUIRE(same_record(loaded.next(), padded.data() + i * sizeof(star)));
    }
    star const zero{};
    FUZZ_REQUIRE(same_record(loaded.next(), &zero));
    loaded.rewind();
    bool const lw_valid = loaded.is_valid();

    bool probed_3d = !lw_valid;
    bool const probed = check_starfile(path.c_str(), &probed_3d);
    FUZZ_REQUIRE(probed == (lw_valid && whole > 0));
    FUZZ_REQUIRE(!probed || probed_3d == loaded.is_3d);

    // The mapping reader leaves out a partial record, and an empty file
    // cannot be mapped.
    std::unique_ptr<StarInput> mapped;
    try {
        mapped.reset(op_stars_file_input(path.c_str()));
    } catch (Xception const&) {
        FUZZ_REQUIRE(size == 0);
    }
    if (mapped) {
        FUZZ_REQUIRE(mapped->count == whole);
        for (size_t i = 0; i < whole; i++) {
            FUZZ_REQUIRE(same_record(mapped->next(), bytes.data() + i * sizeof(star)));
        }
        mapped->rewind();
        if (whole > 0) {
            FUZZ_REQUIRE(mapped->is_valid() == lw_valid && mapped->is_3d == loaded.is_3d);
        }
    }

    // The tool's decoder wants a whole header, and then agrees.
    try {
        StarDatabase const db = decode_database("fuzz.stars", bytes);
        FUZZ_REQUIRE(probed && db.header.three_d == loaded.is_3d);
        FUZZ_REQUIRE(db.stars.size() == whole - 1 && db.trailing_bytes == size % sizeof(star));
        for (size_t i = 0; i < db.stars.size(); i++) {
            FUZZ_REQUIRE(same_record(&db.stars[i], bytes.data() + (i + 1) * sizeof(star)));
        }
        if (db.header.has_metadata) {
            BuildOptions options;
            options.three_d = db.header.three_d;
            options.epoch = db.header.epoch;
            options.distance = db.header.distance;
            FUZZ_REQUIRE(encode_database(db.stars, options) ==
                         bytes.substr(0, whole * sizeof(star)));
        }
    } catch (StarcatError const&) {
        FUZZ_REQUIRE(!probed);
    }
    return 0;
}
