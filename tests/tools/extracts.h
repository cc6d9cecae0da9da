#pragma once

#include "libimgops/stars.h"

#include <cmath>
#include <string>
#include <vector>

// A catalogue extract of tests/tools/data.
inline std::string data_file(char const* name) {
    return std::string(TOOLS_TEST_DATA) + "/" + name;
}

// The first star within 0.01 degree of (ra, dec) in each coordinate.
inline star star_near(std::vector<star> const& stars, double ra, double dec) {
    for (star const& s : stars) {
        if (std::fabs(s.ra - ra) < 0.01 && std::fabs(s.dec - dec) < 0.01) {
            return s;
        }
    }
    throw std::string("no star there");
}
