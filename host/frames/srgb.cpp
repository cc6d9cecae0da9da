#include "host/frames/srgb.h"

#include <cmath>

namespace {

// The encoded and linear ends of the linear segment.
double const ENCODED_KNEE = 0.04045;
double const LINEAR_KNEE = 0.0031308;

unsigned quantise(double value, unsigned max) {
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 1.0) {
        return max;
    }
    return unsigned(std::lround(value * max));
}

} // namespace

float iec_srgb_to_linear(float encoded) {
    double e = encoded;
    if (e <= ENCODED_KNEE) {
        return float(e / 12.92);
    }
    return float(std::pow((e + 0.055) / 1.055, 2.4));
}

float iec_linear_to_srgb(float linear) {
    double l = linear;
    if (l <= LINEAR_KNEE) {
        return float(l * 12.92);
    }
    return float(1.055 * std::pow(l, 1.0 / 2.4) - 0.055);
}

unsigned srgb_sample(float linear, unsigned max) {
    // NaN stays NaN through the curve and quantises to 0.
    return quantise(iec_linear_to_srgb(linear), max);
}

unsigned linear_sample(float value, unsigned max) {
    return quantise(value, max);
}

std::vector<float> srgb_decode_table(unsigned max) {
    std::vector<float> table(max + 1);
    for (unsigned i = 0; i <= max; ++i) {
        table[i] = iec_srgb_to_linear(float(double(i) / max));
    }
    return table;
}
