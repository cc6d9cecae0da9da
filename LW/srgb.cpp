#include "LW/srgb.h"

#include "base/vector_clones.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

// A frame passes every value through both curves, so they must be cheap:
// each power is a polynomial that the compiler turns into vector code, with
// no lookup by index and no branch. To linear light it runs in single
// precision, twice the lanes of a vector, and lands within two units in the
// last place of the straightforward single-precision formula. To sRGB the
// power must be powf's own where the formula's subtraction magnifies its
// rounding; it is worked out in double precision but for its smallest
// terms, and the result is the formula's but for one value in twenty
// thousand, which lies within two units of it; where that cannot be
// promised, the formula itself runs. The single-value functions round as
// the vector clones do.

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

// A positive u is m·2^e with m in [√½, √2); t = m - 1 is exact, and so is
// 1 + 2t, and each power is a polynomial in t times 2^(k·e). The exponents
// k are the formula's, 2.4 and 1/2.4 rounded to float. Least-squares fits
// of the relative error with the coefficients rounded in turn, each fitted
// after those before it were rounded.
uint32_t const ROOT_HALF_BITS = 0x3F3504F3u;

// m^2.4 = (1 + 2t) + t·h(t) to 3.6e-9, so that only t·h(t), a fifth of the
// whole at most, carries the rounding of single precision. 2^(k·e) for e
// from -3 to 6: each the nearest float, chosen by comparisons, which vector
// code does faster than a lookup by index.
int const TO_LINEAR_LOWEST = -3;
float const TO_LINEAR_H[] = {0.0021445879247039557f, -0.004933380056172609f, 0.010809092782437801f,
                             -0.03358256444334984f,  0.2239972949028015f,    1.679999828338623f,
                             0.40000012516975403f};
float const TO_LINEAR_SCALE_OF[] = {0.00680117495f, 0.0358968191f, 0.189464554f, 1.0f,
                                    5.27803183f,    27.8576221f,   147.033417f,  776.047058f,
                                    4096.00146f,    21618.8262f};

// m^(1/2.4)·2^(k·lowest) to 1.3e-11: the four lowest terms in double
// precision, the rest, t^4 times a polynomial, at most 0.0013 of the whole, in
// single. 2^(k·(e - lowest)) is the product of the factors 2^(k·2^i) for the
// set bits of e - lowest, 0 to 14.
int const TO_SRGB_LOWEST = -8;
double const TO_SRGB_LEAD[] = {0.006363453287927791, -0.012057083106698072, 0.04133857039027827,
                               0.09921257121305566};
float const TO_SRGB_TAIL[] = {0.0006849256460554898f, -0.0012505680788308382f,
                              0.0013371376553550363f, -0.0014652642421424389f,
                              0.0017850050935521722f, -0.0022500331979244947f,
                              0.002945723943412304f,  -0.004109741188585758f};
// 2^(k·2^i) - 1, so that a clear bit contributes exactly 1.
double const TO_SRGB_FACTOR[] = {0.33483984497859604, 0.7817974117424823, 2.174802016492209,
                                 9.079367843922995};

// A double rounds to float by its 29 lowest mantissa bits, whose half,
// 2^28, is a rounding midpoint. Within 2^22 of it (2^-7 of a unit in the
// float's last place) counts as near: above the polynomial's error and the
// distance from a midpoint at which powf may still round the other way.
uint32_t const BELOW_FLOAT = (1u << 29) - 1;
uint32_t const MIDPOINT = 1u << 28;
uint32_t const MIDPOINT_WINDOW = 1u << 22;

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
// between them. powers holds t, t^2, t^4, ... as far as the count needs.
template <typename Real, int N, int P, int LO = 0, int COUNT = N>
IN_EVERY_CLONE Real estrin(Real const (&poly)[N], Real const (&powers)[P]) {
    if constexpr (COUNT == 1) {
        return poly[N - 1 - LO];
    } else {
        constexpr int H = below_power_of_two(COUNT);
        static_assert(log2_of(H) < P, "a power of t is missing");
        return estrin<Real, N, P, LO, H>(poly, powers) +
               powers[log2_of(H)] * estrin<Real, N, P, LO + H, COUNT - H>(poly, powers);
    }
}

// t and e - lowest, the latter within 0 to `highest`.
struct Split {
    float t;
    int j;
};

IN_EVERY_CLONE Split split(float u, int lowest, int highest) {
    uint32_t const shifted = to_bits(u) - ROOT_HALF_BITS;
    int const e = int32_t(shifted) >> 23;
    float const t = from_bits((shifted & 0x7FFFFFu) + ROOT_HALF_BITS) - 1.0f;
    return {t, std::min(std::max(e - lowest, 0), highest)};
}

IN_EVERY_CLONE float to_linear_power(float u) {
    int const highest = int(sizeof TO_LINEAR_SCALE_OF / sizeof(float)) - 1;
    Split const s = split(u, TO_LINEAR_LOWEST, highest);
    float scale = TO_LINEAR_SCALE_OF[0];
    for (int i = 1; i <= highest; i++) {
        scale = s.j == i ? TO_LINEAR_SCALE_OF[i] : scale;
    }
    float const t2 = s.t * s.t;
    float const powers[] = {s.t, t2, t2 * t2};
    return ((1.0f + 2.0f * s.t) + s.t * estrin(TO_LINEAR_H, powers)) * scale;
}

IN_EVERY_CLONE double to_srgb_power(float u) {
    Split const s = split(u, TO_SRGB_LOWEST, 15);
    double const* factor = TO_SRGB_FACTOR;
    double const scale =
        (1 + double(s.j & 1) * factor[0]) * (1 + double((s.j >> 1) & 1) * factor[1]) *
        (1 + double((s.j >> 2) & 1) * factor[2]) * (1 + double(s.j >> 3) * factor[3]);
    float const t2 = s.t * s.t;
    float const t4 = t2 * t2;
    float const tail_powers[] = {s.t, t2, t4};
    double const tail = estrin(TO_SRGB_TAIL, tail_powers);
    double const t = s.t;
    double const lead_powers[] = {t, t * t};
    return (estrin(TO_SRGB_LEAD, lead_powers) + double(t4) * tail) * scale;
}

// Sets `straight` where the formula must run instead.
IN_EVERY_CLONE float to_linear_lane(float v, int& straight) {
    float const line = v * TO_LINEAR_SLOPE;
    float const curve = to_linear_power(v * TO_LINEAR_SCALE + TO_LINEAR_OFFSET);
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
    double const exact = to_srgb_power(v);
    float const p = float(exact);
    float const scaled = p * TO_SRGB_SCALE;
    float const curve = scaled - TO_SRGB_OFFSET;
    int const drops = (to_bits(curve) >> 23) < (to_bits(scaled) >> 23);
    uint64_t exact_bits;
    std::memcpy(&exact_bits, &exact, sizeof exact_bits);
    int const near_midpoint =
        ((uint32_t(exact_bits) - MIDPOINT + MIDPOINT_WINDOW) & BELOW_FLOAT) < 2 * MIDPOINT_WINDOW;
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
