#include "tools/conversions.h"

#include <algorithm>
#include <cmath>

namespace {

double const DEG = M_PI / 180.0;
double const MAS_TO_RAD = DEG / 3.6e6;

// Second radiation constant of Planck's law, in metre kelvin.
double const C2 = 0.014387769;

double lobe(double lambda, double mu, double sigma_below, double sigma_above) {
    double const t = (lambda - mu) / (lambda < mu ? sigma_below : sigma_above);
    return std::exp(-0.5 * t * t);
}

// CIE 1931 2-degree colour-matching functions, multi-lobe fit of Wyman,
// Sloan and Shirley (2013); lambda in nanometres.
double cie_x(double lambda) {
    return 1.056 * lobe(lambda, 599.8, 37.9, 31.0) + 0.362 * lobe(lambda, 442.0, 16.0, 26.7) -
           0.065 * lobe(lambda, 501.1, 20.4, 26.2);
}

double cie_y(double lambda) {
    return 0.821 * lobe(lambda, 568.8, 46.9, 40.5) + 0.286 * lobe(lambda, 530.9, 16.3, 31.1);
}

double cie_z(double lambda) {
    return 1.217 * lobe(lambda, 437.0, 11.8, 36.0) + 0.681 * lobe(lambda, 459.0, 26.0, 13.8);
}

// Spectral radiance up to a constant factor, which the normalisation of the
// colour removes.
double planck(double lambda_nm, double t) {
    double const lambda = lambda_nm * 1e-9;
    return 1.0 / (std::pow(lambda, 5) * std::expm1(C2 / (lambda * t)));
}

uint8_t srgb_byte(double linear) {
    double const v =
        linear < 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

} // namespace

double luminance_from_magnitude(double v) {
    return std::pow(10.0, -0.4 * std::clamp(v, MIN_MAGNITUDE, MAX_MAGNITUDE));
}

double magnitude_from_luminance(double lum) {
    return -2.5 * std::log10(lum);
}

double temperature_from_bv(double bv) {
    double const c = std::clamp(bv, -0.4, 2.0);
    return 4600.0 * (1.0 / (0.92 * c + 1.7) + 1.0 / (0.92 * c + 0.62));
}

StarColour colour_from_bv(double bv) {
    double const t = temperature_from_bv(bv);
    double x = 0, y = 0, z = 0;
    for (int lambda = 360; lambda <= 830; ++lambda) {
        double const p = planck(lambda, t);
        x += p * cie_x(lambda);
        y += p * cie_y(lambda);
        z += p * cie_z(lambda);
    }
    double rgb[3] = {
        std::max(0.0, 3.2406 * x - 1.5372 * y - 0.4986 * z),
        std::max(0.0, -0.9689 * x + 1.8758 * y + 0.0415 * z),
        std::max(0.0, 0.0557 * x - 0.2040 * y + 1.0570 * z),
    };
    double const peak = std::max({rgb[0], rgb[1], rgb[2]});
    return StarColour{srgb_byte(rgb[0] / peak), srgb_byte(rgb[1] / peak), srgb_byte(rgb[2] / peak)};
}

double distance_from_parallax(double parallax_mas) {
    return parallax_mas > 0 ? 1000.0 / parallax_mas : 0.0;
}

void propagate_position(double& ra, double& dec, double pm_ra_cosdec, double pm_dec, double years) {
    double const a = ra * DEG, d = dec * DEG;
    double const p[3] = {std::cos(d) * std::cos(a), std::cos(d) * std::sin(a), std::sin(d)};
    // Unit vectors towards increasing RA (east) and increasing declination.
    double const east[3] = {-std::sin(a), std::cos(a), 0.0};
    double const north[3] = {-std::sin(d) * std::cos(a), -std::sin(d) * std::sin(a), std::cos(d)};
    double const me = pm_ra_cosdec * MAS_TO_RAD * years, mn = pm_dec * MAS_TO_RAD * years;
    double const theta = std::hypot(me, mn);
    if (theta == 0) {
        return;
    }
    double q[3];
    for (int i = 0; i < 3; ++i) {
        double const u = (me * east[i] + mn * north[i]) / theta;
        q[i] = p[i] * std::cos(theta) + u * std::sin(theta);
    }
    dec = std::atan2(q[2], std::hypot(q[0], q[1])) / DEG;
    // Adding 0 turns an atan2 result of -0 into +0.
    ra = std::atan2(q[1], q[0]) / DEG + 0.0;
    if (ra < 0) {
        ra += 360.0;
    }
    if (ra >= 360.0) {
        ra -= 360.0;
    }
}

JohnsonMagnitudes tycho_to_johnson(double vt, double bt_vt) {
    return {vt - 0.090 * bt_vt, 0.850 * bt_vt};
}
