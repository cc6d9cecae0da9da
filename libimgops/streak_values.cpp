#include "libimgops/streak_values.h"

#include "base/vector_clones.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// exp(r) on [-ln 2 / 2, ln 2 / 2], highest power first: a Chebyshev fit,
// relative error 2e-9.
float const EXP_POLY[] = {0.0013941108481958508f,
                          0.00837512593716383f,
                          0.04166635125875473f,
                          0.16666415333747864f,
                          0.5f,
                          1.0f,
                          1.0f};
float const LOG2_E = 1.4426950216293335f;
// ln 2 in two parts; n times the first is exact.
float const LN2_HIGH = 0.693359375f;
float const LN2_LOW = -2.12194440e-4f;
// Adding and taking away 1.5·2^23 rounds to the nearest integer.
float const ROUNDER = 12582912.0f;
// Below this the exponential leaves the normal floats; such columns take
// the library's.
float const EXP_LOWEST = -87.0f;

// erf on three pieces, Chebyshev fits with absolute errors of 1.2e-9,
// 1.2e-8 and 6.9e-9, highest power first: erf(x) / x in x^2 on [0, 1],
// erf in x - 1.5 on [1, 2] and in x - ERF_TAIL_CENTRE on [2, ERF_IS_ONE].
float const ERF_NEAR_ZERO[] = {
    7.875874871388078e-05f, -0.000801686430349946f, 0.005189087241888046f, -0.02685421146452427f,
    0.11283594369888306f,   -0.3761262595653534f,   1.1283791065216064f};
float const ERF_MIDDLE_CENTRE = 1.5f;
float const ERF_MIDDLE[] = {-0.0023994646035134792f, -0.003833745839074254f, 0.01933217979967594f,
                            -0.015033717267215252f,  -0.044599249958992004f, 0.13876354694366455f,
                            -0.17839542031288147f,   0.11893007159233093f,   0.9661051630973816f};
float const ERF_TAIL_CENTRE = 2.9596028327941895f;
float const ERF_TAIL[] = {
    2.5849842131719925e-05f, -2.1952013412374072e-05f, -0.0001426288508810103f,
    0.0004602660774253309f,  -0.0008531944476999342f,  0.0011992303188890219f,
    -0.001268958323635161f,  0.0009771083714440465f,   -0.0005243070772849023f,
    0.00017708267841953784f, 0.9999715685844421f};

// Two error functions of one sign whose difference is below this lose too
// much to their own rounding; the library's are taken there. A unit or two
// in each is then at most a few millionths of the light.
float const CANCELLING = 0.1f;

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

// a where `first` is set, else b, by masks: a conditional would let the
// compiler move a's arithmetic behind a branch.
IN_EVERY_CLONE float pick(int first, float a, float b) {
    uint32_t const mask = 0u - uint32_t(first);
    return from_bits((to_bits(a) & mask) | (to_bits(b) & ~mask));
}

template <int N, int J = N - 1> IN_EVERY_CLONE float horner(float const (&poly)[N], float t) {
    if constexpr (J == 0) {
        return poly[0];
    } else {
        return horner<N, J - 1>(poly, t) * t + poly[J];
    }
}

// exp(x) for x from EXP_LOWEST to 0.
IN_EVERY_CLONE float exp_down(float x) {
    float const n = (x * LOG2_E + ROUNDER) - ROUNDER;
    float const r = (x - n * LN2_HIGH) - n * LN2_LOW;
    float const two_to_n = from_bits(uint32_t(int(n) + 127) << 23);
    return horner(EXP_POLY, r) * two_to_n;
}

IN_EVERY_CLONE float erf_any(float x) {
    float const ax = std::fabs(x);
    float const near_zero = ax * horner(ERF_NEAR_ZERO, ax * ax);
    float const middle = horner(ERF_MIDDLE, ax - ERF_MIDDLE_CENTRE);
    float const tail = horner(ERF_TAIL, ax - ERF_TAIL_CENTRE);
    float r = pick(ax < 1, near_zero, pick(ax < 2, middle, tail));
    r = pick(ax >= ERF_IS_ONE, 1.0f, r);
    return from_bits(to_bits(r) | (to_bits(x) & 0x80000000u));
}

float erf_or_unit(float x) {
    if (x >= ERF_IS_ONE) {
        return 1;
    }
    if (x <= -ERF_IS_ONE) {
        return -1;
    }
    return std::erf(x);
}

} // namespace

// The arithmetic of each column is the scalar formula's, step for step,
// so that the arguments, and the light of the columns marked exact, are the
// same floats.
VECTOR_CLONES void streak_chunk(StreakRow const& row, int first, StreakChunk& out) {
    for (int i = 0; i < STREAK_CHUNK; i++) {
        float const ddx = float(first + i) - row.mx;
        float const t_par = ddx * row.ux * row.b2 + row.ddy_uy_a2;
        float const e0 = (row.half_qlen - t_par) * row.inv_abq;
        float const e1 = (-row.half_qlen - t_par) * row.inv_abq;
        float const t_perp = ddx * row.uy - row.ddy_ux;
        float const falloff = -t_perp * t_perp * row.inv_q;
        int const low = !(falloff >= EXP_LOWEST);
        float const light = exp_down(pick(low, 0.0f, falloff));
        float const d = erf_any(e0) - erf_any(e1);
        int const one_sign = (e1 > 0) | (e0 < 0);
        int const exact = low | (one_sign & int(d < CANCELLING));
        int const dark = (e1 >= ERF_IS_ONE) | (e0 <= -ERF_IS_ONE);
        out.value[i] = light * row.A * d * row.inv_len;
        // Without a conditional, which would keep the loop scalar.
        out.kind[i] = dark * STREAK_DARK + (exact & ~dark) * STREAK_EXACT;
        out.falloff[i] = falloff;
        out.e0[i] = e0;
        out.e1[i] = e1;
    }
}

float streak_exact(StreakRow const& row, float falloff, float e0, float e1) {
    return std::exp(falloff) * row.A * (erf_or_unit(e0) - erf_or_unit(e1)) * row.inv_len;
}
