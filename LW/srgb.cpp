#include "LW/srgb.h"

#include "base/vector_clones.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

// A frame passes every value through both curves, so they must be cheap:
// each power is a polynomial in double precision that the compiler turns
// into vector code, with no table lookup and no branch. Its result is the
// straightforward single-precision formula's, or one unit in the last place
// from it; where that cannot be promised, the formula itself runs. The
// single-value functions round as the vector clones do.

namespace {

constexpr float TO_LINEAR_BREAK = 0.03928f;
constexpr float TO_LINEAR_SLOPE = 0.07739938f;   // 1 / 12.92
constexpr float TO_LINEAR_SCALE = 0.94786733f;   // 1 / 1.055
constexpr float TO_LINEAR_OFFSET = 0.052132703f; // 0.055 / 1.055
constexpr float TO_LINEAR_EXPONENT = 2.4f;

constexpr float TO_SRGB_BREAK = 0.00304f;
constexpr float TO_SRGB_SLOPE = 12.92f;
constexpr float TO_SRGB_EXPONENT = 0.41666666f; // 1 / 2.4
constexpr float TO_SRGB_SCALE = 1.055f;
constexpr float TO_SRGB_OFFSET = 0.055f;

// Above this the polynomials are not fitted; the formula runs.
constexpr float POLYNOMIAL_LIMIT = 64.0f;

// u^k for u = m·2^e with m in [1, 2): a polynomial in t = m - 1.5 gives
// m^k·2^(k·lowest), and 2^(k·(e - lowest)) is the product of the factors
// 2^(k·2^i) for the set bits of e - lowest, 0 to 15. Chebyshev fits of the
// exponents as single-precision floats; the polynomial's relative error is
// 5.9e-9 for 2.4 (a tenth of a unit in the last place), 1.7e-11 for 1/2.4.
int const TO_LINEAR_LOWEST = -4;
double const TO_LINEAR_POLY[] = {
    5.190648888553838e-07,  -1.4925513591525366e-06, 4.821436091313229e-06, -2.26154918942155e-05,
    0.00022631116937269123, 0.002545995558966178,    0.0054557060784035365, 0.0034098161712648243};
// 2^(k·2^i) - 1, so that a clear bit contributes exactly 1.
double const TO_LINEAR_FACTOR[] = {4.278031991988831, 26.85762170845759, 775.0470872515276,
                                   602248.0816315801};

int const TO_SRGB_LOWEST = -9;
double const TO_SRGB_POLY[] = {
    1.2533560508961224e-05, -2.1450198271619093e-05, 2.7821910483756735e-05, -4.96208364606465e-05,
    9.328487437563171e-05,  -0.00017540710122119165, 0.00034403930001051006, -0.0007200851835543347,
    0.0016724834083350962,  -0.004753373690800648,   0.024445920115274543,   0.08800531451597851};
double const TO_SRGB_FACTOR[] = {0.33483984497859604, 0.7817974117424823, 2.174802016492209,
                                 9.079367843922995};

// Half the width, relative to the value, within which a rounding midpoint
// counts as near: 2^-8 to 2^-7 units in the last place, above the
// polynomial's error and the distance from a midpoint at which powf may
// still round the other way.
double const MIDPOINT_WINDOW = 1.0 / (1u << 31);

float straight_to_linear(float v) {
    if (v <= TO_LINEAR_BREAK) {
        return v * TO_LINEAR_SLOPE;
    }
    return std::pow(v * TO_LINEAR_SCALE + TO_LINEAR_OFFSET, TO_LINEAR_EXPONENT);
}

float straight_to_srgb(float v) {
    if (v <= TO_SRGB_BREAK) {
        return v * TO_SRGB_SLOPE;
    }
    return std::pow(v, TO_SRGB_EXPONENT) * TO_SRGB_SCALE - TO_SRGB_OFFSET;
}

IN_EVERY_CLONE float from_bits(uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

IN_EVERY_CLONE uint32_t to_bits(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// a where `first` is set, else b: by masks, because a conditional would
// let the compiler move a's arithmetic behind a branch.
IN_EVERY_CLONE float pick(int first, float a, float b) {
    uint32_t const mask = 0u - uint32_t(first);
    return from_bits((to_bits(a) & mask) | (to_bits(b) & ~mask));
}

// The largest power of two below n, and the exponent of one.
constexpr int below_power_of_two(int n) {
    int h = 1;
    while (2 * h < n) {
        h *= 2;
    }
    return h;
}

constexpr int log2_of(int h) {
    return h > 1 ? 1 + log2_of(h / 2) : 0;
}

// The terms LO .. LO + COUNT - 1 of a polynomial given highest power first,
// divided by t^LO, by Estrin's scheme: halves evaluated side by side rather
// than one long chain of dependent steps, which leaves the processor idle
// between them. powers holds t, t^2, t^4 and t^8.
template <int N, int LO = 0, int COUNT = N>
IN_EVERY_CLONE double estrin(double const (&poly)[N], double const (&powers)[4]) {
    if constexpr (COUNT == 1) {
        return poly[N - 1 - LO];
    } else {
        constexpr int H = below_power_of_two(COUNT);
        return estrin<N, LO, H>(poly, powers) +
               powers[log2_of(H)] * estrin<N, LO + H, COUNT - H>(poly, powers);
    }
}

template <int N>
IN_EVERY_CLONE double power(float u, int lowest, double const (&poly)[N],
                            double const (&factor)[4]) {
    uint32_t const bits = to_bits(u);
    int const j = std::min(std::max(int(bits >> 23) - 127 - lowest, 0), 15);
    double const t = double(from_bits((bits & 0x7FFFFFu) | 0x3F800000u)) - 1.5;
    double const scale = (1 + double(j & 1) * factor[0]) * (1 + double((j >> 1) & 1) * factor[1]) *
                         (1 + double((j >> 2) & 1) * factor[2]) * (1 + double(j >> 3) * factor[3]);
    double const t2 = t * t;
    double const t4 = t2 * t2;
    double const powers[4] = {t, t2, t4, t4 * t4};
    return estrin(poly, powers) * scale;
}

// Sets `straight` where the formula must run instead. Nearer than a tenth
// of a unit, the polynomial rounds to one of the two floats around the
// exact power, as powf does, so the two differ by at most one unit.
IN_EVERY_CLONE float to_linear_lane(float v, int& straight) {
    float const line = v * TO_LINEAR_SLOPE;
    float const curve = float(power(v * TO_LINEAR_SCALE + TO_LINEAR_OFFSET, TO_LINEAR_LOWEST,
                                    TO_LINEAR_POLY, TO_LINEAR_FACTOR));
    int const below = v <= TO_LINEAR_BREAK;
    straight = (1 - below) & int(!(v <= POLYNOMIAL_LIMIT));
    return pick(below, line, curve);
}

// The power rounds to float and goes through the formula's own scaling.
// Where the subtraction falls into a lower binade, one unit in the power
// becomes up to four in the result; there the power must be powf's own,
// which rounds correctly except right at a midpoint, so near a midpoint the
// formula runs.
IN_EVERY_CLONE float to_srgb_lane(float v, int& straight) {
    float const line = v * TO_SRGB_SLOPE;
    double const exact = power(v, TO_SRGB_LOWEST, TO_SRGB_POLY, TO_SRGB_FACTOR);
    float const p = float(exact);
    float const scaled = p * TO_SRGB_SCALE;
    float const curve = scaled - TO_SRGB_OFFSET;
    int const drops = (to_bits(curve) >> 23) < (to_bits(scaled) >> 23);
    double const window = exact * MIDPOINT_WINDOW;
    int const near_midpoint = to_bits(float(exact - window)) != to_bits(float(exact + window));
    int const below = v <= TO_SRGB_BREAK;
    straight = (1 - below) & (int(!(v <= POLYNOMIAL_LIMIT)) | (drops & near_midpoint));
    return pick(below, line, curve);
}

// The two curves for the conversion loops.
struct ToLinear {
    static constexpr float BREAK = TO_LINEAR_BREAK;
    static constexpr float SLOPE = TO_LINEAR_SLOPE;
    IN_EVERY_CLONE static float lane(float v, int& straight) { return to_linear_lane(v, straight); }
    static float formula(float v) { return straight_to_linear(v); }
};

struct ToSrgb {
    static constexpr float BREAK = TO_SRGB_BREAK;
    static constexpr float SLOPE = TO_SRGB_SLOPE;
    IN_EVERY_CLONE static float lane(float v, int& straight) { return to_srgb_lane(v, straight); }
    static float formula(float v) { return straight_to_srgb(v); }
};

int const BLOCK = 16;

// A fixed count, so that the compiler vectorises the lanes whole. Dark
// values, common in a frame, skip the power.
template <typename Curve> IN_EVERY_CLONE void convert_block(float* values) {
    int above = 0;
    for (int i = 0; i < BLOCK; i++) {
        above |= int(!(values[i] <= Curve::BREAK));
    }
    if (!above) {
        for (int i = 0; i < BLOCK; i++) {
            values[i] *= Curve::SLOPE;
        }
        return;
    }
    float out[BLOCK];
    int straight[BLOCK];
    for (int i = 0; i < BLOCK; i++) {
        out[i] = Curve::lane(values[i], straight[i]);
    }
    int any = 0;
    for (int i = 0; i < BLOCK; i++) {
        any |= straight[i];
    }
    if (any) {
        for (int i = 0; i < BLOCK; i++) {
            if (straight[i]) {
                out[i] = Curve::formula(values[i]);
            }
        }
    }
    std::memcpy(values, out, sizeof out);
}

template <typename Curve> IN_EVERY_CLONE void convert(float* values, std::size_t count) {
    std::size_t done = 0;
    for (; done + BLOCK <= count; done += BLOCK) {
        convert_block<Curve>(values + done);
    }
    if (done < count) {
        float tail[BLOCK] = {};
        std::memcpy(tail, values + done, (count - done) * sizeof(float));
        convert_block<Curve>(tail);
        std::memcpy(values + done, tail, (count - done) * sizeof(float));
    }
}

template <typename Curve> float convert_one(float v) {
    int straight;
    float const out = Curve::lane(v, straight);
    return straight ? Curve::formula(v) : out;
}

} // namespace

float srgb_to_linear(float v) {
    return convert_one<ToLinear>(v);
}

float linear_to_srgb(float v) {
    return convert_one<ToSrgb>(v);
}

VECTOR_CLONES void srgb_to_linear(float* values, std::size_t count) {
    convert<ToLinear>(values, count);
}

VECTOR_CLONES void linear_to_srgb(float* values, std::size_t count) {
    convert<ToSrgb>(values, count);
}
