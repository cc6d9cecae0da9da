#include "synthetic_sky.h"

#include "libimgops/stars.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace {

unsigned const DEEP_STARS = 2400000;
double const FAINTEST = 12.5;
double const BRIGHTEST = 8;

} // namespace

double luminance_of_magnitude(double v) {
    return std::pow(10.0, -0.4 * v);
}

std::string deep_sky_database() {
    // The deep database, when set-up has built it, sits beside the default one.
    auto const real =
        std::filesystem::path(ORRELUX_DEFAULT_DATABASE).parent_path() / "tycho2-deep.stars";
    if (std::filesystem::exists(real)) {
        return real.string();
    }
    std::string const made = ORRELUX_BINARY_DIR "/synthetic-deep.stars";
    std::error_code error;
    auto const size = std::filesystem::file_size(ORRELUX_DEFAULT_DATABASE, error);
    if (error) {
        return "";
    }
    std::uintmax_t const want = size + std::uintmax_t(DEEP_STARS) * sizeof(star);
    if (std::filesystem::file_size(made, error) == want && !error) {
        return made;
    }
    std::ifstream in(ORRELUX_DEFAULT_DATABASE, std::ios::binary);
    std::vector<star> stars(size / sizeof(star));
    in.read(reinterpret_cast<char*>(stars.data()), std::streamsize(size));
    std::mt19937_64 random(2450601);
    std::uniform_real_distribution<double> unit(0, 1);
    for (unsigned i = 0; i < DEEP_STARS; i++) {
        double const ra = 360 * unit(random);
        double const dec = std::asin(2 * unit(random) - 1) * 180 / M_PI;
        double const v = BRIGHTEST + (FAINTEST - BRIGHTEST) * unit(random);
        stars.push_back(star{ra, dec, float(luminance_of_magnitude(v)), 255, 244, 230, 0, 0});
    }
    std::string const part = made + ".part";
    std::ofstream out(part, std::ios::binary);
    out.write(reinterpret_cast<char const*>(stars.data()),
              std::streamsize(stars.size() * sizeof(star)));
    out.close();
    std::filesystem::rename(part, made);
    return made;
}
