// The KStars binary star file reader of orrelux-stars: any bytes are either
// refused with a message that names the file, or give stars on the sky with
// finite magnitudes and colours, no distance, one 32-byte record each.
#include "fuzz/fuzz_support.h"

#include "tools/kstars_binary.h"
#include "tools/starcat_error.h"

#include <cmath>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    try {
        Catalogue const c = parse_kstars_binary("deep.dat", bytes);
        FUZZ_REQUIRE(!c.stars.empty() && bytes.size() > 32 * c.stars.size());
        for (CatalogueStar const& s : c.stars) {
            FUZZ_REQUIRE(s.ra >= 0.0 && s.ra < 360.0 && std::fabs(s.dec) <= 90.0);
            FUZZ_REQUIRE(std::isfinite(s.vmag) && std::isfinite(s.bv) && s.distance == 0.0);
        }
    } catch (StarcatError const& e) {
        FUZZ_REQUIRE(std::string(e.what()).rfind("deep.dat: ", 0) == 0);
    }
    return 0;
}
