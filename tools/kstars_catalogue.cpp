#include "tools/catalogue_lines.h"
#include "tools/conversions.h"

#include <cmath>
#include <string>

namespace {

// Through the B-V column; the spectral type and what follows are optional.
size_t const MIN_LENGTH = 56;

// Magnitude from which stars.dat takes its stars from Tycho, whose parallaxes
// disagree with Hipparcos and are not used as distances.
double const TRUSTED_PARALLAX_BELOW_V = 8.00;

bool all_digits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return !text.empty();
}

// "hhmmss.ss" in degrees.
double parse_ra(std::string_view text) {
    BadLine const bad{"bad right ascension \"" + std::string(text) + "\""};
    if (text.size() != 9 || !all_digits(text.substr(0, 6)) || text[6] != '.' ||
        !all_digits(text.substr(7))) {
        throw bad;
    }
    int const h = std::stoi(std::string(text.substr(0, 2)));
    int const m = std::stoi(std::string(text.substr(2, 2)));
    double const s = std::stod(std::string(text.substr(4)));
    // The catalogue has a few seconds of 60.00 left by rounding; they carry.
    if (h >= 24 || m >= 60 || s > 60.0) {
        throw bad;
    }
    double const ra = 15.0 * (h + m / 60.0 + s / 3600.0);
    return ra < 360.0 ? ra : ra - 360.0;
}

// "sddmmss.s" in degrees.
double parse_dec(std::string_view text) {
    BadLine const bad{"bad declination \"" + std::string(text) + "\""};
    if (text.size() != 9 || (text[0] != '+' && text[0] != '-') || !all_digits(text.substr(1, 6)) ||
        text[7] != '.' || !all_digits(text.substr(8))) {
        throw bad;
    }
    int const d = std::stoi(std::string(text.substr(1, 2)));
    int const m = std::stoi(std::string(text.substr(3, 2)));
    double const s = std::stod(std::string(text.substr(5)));
    double const value = d + m / 60.0 + s / 3600.0;
    if (m >= 60 || s > 60.0 || value > 90.0) {
        throw bad;
    }
    return text[0] == '-' ? -value : value;
}

} // namespace

CatalogueStar parse_kstars_line(std::string_view line) {
    if (line.size() < MIN_LENGTH) {
        throw BadLine{"line too short (" + std::to_string(line.size()) + " bytes, at least " +
                      std::to_string(MIN_LENGTH) + " expected)"};
    }
    CatalogueStar s;
    s.ra = parse_ra(field(line, 0, 9));
    s.dec = parse_dec(field(line, 10, 19));
    s.epoch = 2000.0;
    s.pm_ra = parse_number(field(line, 20, 29), "proper motion in RA").value_or(0.0);
    s.pm_dec = parse_number(field(line, 29, 38), "proper motion in declination").value_or(0.0);
    double const parallax = parse_number(field(line, 38, 45), "parallax").value_or(0.0);
    s.vmag = require_magnitude(field(line, 46, 51));
    s.bv = parse_number(field(line, 51, 56), "B-V colour index").value_or(NAN);
    s.distance = s.vmag < TRUSTED_PARALLAX_BELOW_V ? distance_from_parallax(parallax) : 0.0;
    return s;
}
