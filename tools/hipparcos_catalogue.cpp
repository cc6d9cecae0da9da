#include "tools/catalogue_lines.h"
#include "tools/conversions.h"

#include <cmath>
#include <string>

namespace {

// Through the '|' that ends the B-V field.
size_t const MIN_LENGTH = 252;

// Field separators that every main-catalogue line has, 0-based.
size_t const SEPARATORS[] = {1, 40, 50, 63, 76, 78, 86, 95, 104, 244, 251};

double const HIPPARCOS_EPOCH = 1991.25;

} // namespace

CatalogueStar parse_hipparcos_line(std::string_view line) {
    if (line.size() < MIN_LENGTH) {
        throw BadLine{"line too short (" + std::to_string(line.size()) + " bytes, at least " +
                      std::to_string(MIN_LENGTH) + " expected)"};
    }
    for (size_t at : SEPARATORS) {
        if (line[at] != '|') {
            throw BadLine{"not a Hipparcos main catalogue line (no '|' at byte " +
                          std::to_string(at) + ")"};
        }
    }
    std::optional<double> const vmag = parse_magnitude(field(line, 41, 46));
    std::optional<double> const ra = parse_number(field(line, 51, 63), "right ascension");
    std::optional<double> const dec = parse_number(field(line, 64, 76), "declination");
    if (ra && (*ra < 0.0 || *ra >= 360.0)) {
        throw BadLine{"right ascension out of range \"" + std::string(field(line, 51, 63)) + "\""};
    }
    if (dec && std::fabs(*dec) > 90.0) {
        throw BadLine{"declination out of range \"" + std::string(field(line, 64, 76)) + "\""};
    }
    if (!ra || !dec) {
        throw NoStar{"no position"};
    }
    if (!vmag) {
        throw NoStar{"no magnitude"};
    }
    CatalogueStar s;
    s.ra = *ra;
    s.dec = *dec;
    s.epoch = HIPPARCOS_EPOCH;
    s.pm_ra = parse_number(field(line, 87, 95), "proper motion in RA").value_or(0.0);
    s.pm_dec = parse_number(field(line, 96, 104), "proper motion in declination").value_or(0.0);
    s.vmag = *vmag;
    s.bv = parse_number(field(line, 245, 251), "B-V colour index").value_or(NAN);
    s.distance =
        distance_from_parallax(parse_number(field(line, 79, 86), "parallax").value_or(0.0));
    return s;
}
