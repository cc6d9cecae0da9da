#pragma once

#include "libimgops/stars.h"
#include "tests/support/text_files.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

// A white star of luminance 0.5 in the world direction (x, y, z).
inline star star_towards(double x, double y, double z) {
    double const degrees = 180.0 / 3.14159265358979323846;
    star s = {};
    s.ra = std::atan2(z, x) * degrees;
    s.dec = std::asin(y / std::sqrt(x * x + y * y + z * z)) * degrees;
    s.lum = 0.5f;
    s.r = s.g = s.b = 255;
    return s;
}

// The bytes of a database file: a header with `magic`, then the stars.
inline std::string database_bytes(std::vector<star> const& stars, char const* magic = "ORRELUX1") {
    std::vector<star> records(1, star{});
    std::memcpy(&records[0], magic, 8);
    records.insert(records.end(), stars.begin(), stars.end());
    return std::string(reinterpret_cast<char const*>(records.data()),
                       records.size() * sizeof(star));
}

inline void write_database(std::string const& path, std::vector<star> const& stars) {
    write_text(path, database_bytes(stars));
}
