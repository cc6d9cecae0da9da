#include "tools/catalogue_lines.h"

#include <cctype>
#include <cmath>
#include <string>

namespace {

// HYG writes this distance, or more, for a star of unknown distance.
double const UNKNOWN_DISTANCE = 100000.0;

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::optional<size_t> find_column(std::vector<std::string> const& names, char const* name) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (lower(names[i]) == name) {
            return i;
        }
    }
    return std::nullopt;
}

size_t require_column(std::vector<std::string> const& names, char const* name) {
    std::optional<size_t> const column = find_column(names, name);
    if (!column) {
        throw BadLine{std::string("no column \"") + name + "\" in the header line"};
    }
    return *column;
}

} // namespace

HygColumns::HygColumns(std::string_view header) {
    std::vector<std::string> const names = split_csv(header);
    count = names.size();
    ra = require_column(names, "ra");
    dec = require_column(names, "dec");
    mag = require_column(names, "mag");
    ci = require_column(names, "ci");
    dist = require_column(names, "dist");
    pm_ra = find_column(names, "pmra");
    pm_dec = find_column(names, "pmdec");
}

CatalogueStar HygColumns::parse(std::string_view line) const {
    std::vector<std::string> const fields = split_csv(line);
    if (fields.size() != count) {
        throw BadLine{"expected " + std::to_string(count) + " fields, found " +
                      std::to_string(fields.size())};
    }
    CatalogueStar s;
    double const ra_hours = require_number(fields[ra], "right ascension");
    if (ra_hours < 0.0 || ra_hours >= 24.0) {
        throw BadLine{"right ascension out of range \"" + fields[ra] + "\""};
    }
    s.ra = 15.0 * ra_hours;
    s.dec = require_number(fields[dec], "declination");
    if (std::fabs(s.dec) > 90.0) {
        throw BadLine{"declination out of range \"" + fields[dec] + "\""};
    }
    s.epoch = 2000.0;
    s.pm_ra = pm_ra ? parse_number(fields[*pm_ra], "proper motion in RA").value_or(0.0) : 0.0;
    s.pm_dec =
        pm_dec ? parse_number(fields[*pm_dec], "proper motion in declination").value_or(0.0) : 0.0;
    s.vmag = require_magnitude(fields[mag]);
    s.bv = parse_number(fields[ci], "B-V colour index").value_or(NAN);
    double const distance = parse_number(fields[dist], "distance").value_or(UNKNOWN_DISTANCE);
    if (distance < 0.0) {
        throw BadLine{"bad distance \"" + fields[dist] + "\""};
    }
    if (distance == 0.0) {
        // Only the Sun sits at the observer; it has no direction on the sky.
        throw NoStar{"distance 0 (the Sun)"};
    }
    s.distance = distance < UNKNOWN_DISTANCE ? distance : 0.0;
    return s;
}
