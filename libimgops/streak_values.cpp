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

// erf on three pieces, Chebyshev fits with absolute errors of 3.2e-9,
// 5.1e-9 and 6.9e-9, highest power first: erf(x) / x in x^2 on [0, 0.8],
// erf in x - ERF_MIDDLE_CENTRE on [0.8, 2] and in x - ERF_TAIL_CENTRE on
// [2, ERF_IS_ONE]. In single precision each is within three units in the
// last place of the library's erf.
float const ERF_NEAR_ZERO_END = 0.8f;
float const ERF_NEAR_ZERO[] = {-0.000654381699860096f, 0.005086514167487621f,
                               -0.026821589097380638f, 0.11283130943775177f,
                               -0.3761260211467743f,   1.1283791065216064f};
float const ERF_MIDDLE_CENTRE = 1.399999976158142f;
float const ERF_MIDDLE[] = {0.0013706960016861558f, -0.003670463338494301f, -0.002149975625798106f,
                            0.021767083555459976f,  -0.027314916253089905f, -0.03410996124148369f,
                            0.154703751206398f,     -0.22251881659030914f,  0.15894170105457306f,
                            0.95228511095047f};
float const ERF_TAIL_CENTRE = 2.9596028327941895f;
float const ERF_TAIL[] = {
    2.5849842131719925e-05f, -2.1952013412374072e-05f, -0.0001426288508810103f,
    0.0004602660774253309f,  -0.0008531944476999342f,  0.0011992303188890219f,
    -0.001268958323635161f,  0.0009771083714440465f,   -0.0005243070772849023f,
    0.00017708267841953784f, 0.9999715685844421f};

// Two error functions of one sign whose difference is below this lose too
// much to their own rounding; the library's are taken there. Ours are
// within 1.2e-7 of the library's, so above it the light differs by less
// than five millionths.
float const CANCELLING = 0.05f;

// erfc on [SURE_FROM, ERF_IS_ONE] as a polynomial in t = (2x - 5.17) / 2.67,
// highest power first, from a Chebyshev series fitted in double precision:
// absolute error 1.8e-12, some 3e-5 of a unit in the last place of a float
// near 1, well inside the narrowest midpoint window below.
double const ERFC_TAIL[] = {
    2.1057770330420076e-06, -2.1243982008031924e-06, -1.6688565741181566e-05,
    3.58588955198987e-05,   2.4932809589288462e-05,  -0.00019766637949000402,
    0.0002881560465463432,  0.00016153493528612387,  -0.0013981631829705539,
    0.002463355845129911,   -0.0009583110511138435,  -0.004990695613775488,
    0.013784690111883224,   -0.020268371668197886,   0.020053135578099995,
    -0.013864330379294685,  0.006513654048496923,    -0.0018874823014788634,
    0.00025643910619145164};
float const SURE_FROM = 1.25f;
// The C library's erff is erf rounded to the nearest float, except where
// erf lies near the midpoint between two floats, the nearer the larger the
// argument. Trying every float from SURE_FROM to ERF_IS_ONE, it rounds the
// other way within these many units in the last place of a midpoint at
// most: 0.226 from 1.25, 0.215 from 1.3, 0.161 from 1.35, 0.143 from 1.4,
// 0.118 from 1.45, 0.101 from 1.5, 0.070 from 1.55, 0.063 from 1.6 to 1.9
// (0.059 from 1.8), 0.042 from 1.9, 0.0118 from 2, 0.0029 from 2.25,
// 0.0008 from 2.5 and 0.0001 from 2.75. Outside the window of its
// argument, with some room to spare, erf rounded is the library's. The
// window is the last one plus the steps of the thresholds above the
// argument.
struct WindowStep {
    float below;
    double wider;
};
double const MIDPOINT_WINDOW_FROM_2_5 = 0.0015;
WindowStep const MIDPOINT_WINDOW_STEPS[] = {
    {2.5f, 0.0025}, {2.25f, 0.011}, {2.0f, 0.035}, {1.9f, 0.02},   {1.6f, 0.01}, {1.55f, 0.03},
    {1.5f, 0.02},   {1.45f, 0.025}, {1.4f, 0.02},  {1.35f, 0.055}, {1.3f, 0.01}};
// Adding and taking away 1.5·2^52 rounds a double to the nearest integer.
double const DOUBLE_ROUNDER = 6755399441055744.0;
// Floats from 1/2 to 1 are the multiples of 2^-24.
double const UNITS_BELOW_ONE = 16777216.0;

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

// r, which is positive, with the sign of x.
IN_EVERY_CLONE float with_sign_of(float r, float x) {
    return from_bits(to_bits(r) | (to_bits(x) & 0x80000000u));
}

// a where `first` is set, else b, by masks: a conditional would let the
// compiler move a's arithmetic behind a branch.
IN_EVERY_CLONE float pick(int first, float a, float b) {
    uint32_t const mask = 0u - uint32_t(first);
    return from_bits((to_bits(a) & mask) | (to_bits(b) & ~mask));
}

// a · b + c, rounded once where FUSED.
template <bool FUSED> IN_EVERY_CLONE float multiply_add(float a, float b, float c) {
    if constexpr (FUSED) {
        return std::fma(a, b, c);
    } else {
        return a * b + c;
    }
}

template <bool FUSED, int N, int J = N - 1>
IN_EVERY_CLONE float horner(float const (&poly)[N], float t) {
    if constexpr (J == 0) {
        return poly[0];
    } else {
        return multiply_add<FUSED>(horner<FUSED, N, J - 1>(poly, t), t, poly[J]);
    }
}

// Horner's rule on poly[J], poly[J + STEP], ... in x^STEP, highest power
// first.
template <int STEP, int J, typename Real, int N>
IN_EVERY_CLONE Real strided_horner(Real const (&poly)[N], Real x_to_step, Real sum) {
    if constexpr (J >= N) {
        return sum;
    } else {
        return strided_horner<STEP, J + STEP>(poly, x_to_step, sum * x_to_step + poly[J]);
    }
}

// The polynomial as four in t^4, one for each power modulo 4: four short
// chains of dependent steps instead of one long one, which the processor
// works on side by side.
template <typename Real, int N> IN_EVERY_CLONE Real four_way_horner(Real const (&poly)[N], Real t) {
    static_assert(N >= 4, "four chains need four coefficients");
    Real const t2 = t * t;
    Real const t4 = t2 * t2;
    // by_power[p]: the terms whose power is p modulo 4, divided by t^p.
    Real by_power[4];
    by_power[(N - 1) % 4] = strided_horner<4, 4>(poly, t4, poly[0]);
    by_power[(N - 2) % 4] = strided_horner<4, 5>(poly, t4, poly[1]);
    by_power[(N - 3) % 4] = strided_horner<4, 6>(poly, t4, poly[2]);
    by_power[(N - 4) % 4] = strided_horner<4, 7>(poly, t4, poly[3]);
    return (by_power[0] + t * by_power[1]) + t2 * (by_power[2] + t * by_power[3]);
}

// True on processors that take the newer clones, which have fused
// multiply-adds: the chunks' polynomials take half the steps there, each
// rounded once, and stay within the same bounds of the library's
// functions (tried for every float argument). Elsewhere a fused
// multiply-add would be a library call.
IN_EVERY_CLONE bool fused_multiply_add() {
#if HAS_VECTOR_CLONES
    return __builtin_cpu_supports("x86-64-v3");
#else
    return false;
#endif
}

// exp(x) for x from EXP_LOWEST to 0.
template <bool FUSED> IN_EVERY_CLONE float exp_down(float x) {
    float const n = (x * LOG2_E + ROUNDER) - ROUNDER;
    float const r = (x - n * LN2_HIGH) - n * LN2_LOW;
    float const two_to_n = from_bits(uint32_t(int(n) + 127) << 23);
    return horner<FUSED>(EXP_POLY, r) * two_to_n;
}

// A template, so that the compiler unrolls it and vectorises the loop
// around it.
template <int K = 0> IN_EVERY_CLONE double midpoint_window(float ax) {
    if constexpr (K == sizeof MIDPOINT_WINDOW_STEPS / sizeof MIDPOINT_WINDOW_STEPS[0]) {
        return MIDPOINT_WINDOW_FROM_2_5;
    } else {
        WindowStep const& step = MIDPOINT_WINDOW_STEPS[K];
        return midpoint_window<K + 1>(ax) + double(ax < step.below) * step.wider;
    }
}

// The library's erff(x), where `sure` comes back set.
IN_EVERY_CLONE float library_erf(float x, int& sure) {
    float const ax = std::fabs(x);
    // Outside the series' interval e means nothing, and `sure` is clear or
    // the result is 1.
    double const t = (2.0 * ax - 5.17) / 2.67;
    double const e = 1 - four_way_horner(ERFC_TAIL, t);
    // Here e lies between 1/2 and 1, where its float is the nearest
    // multiple of 2^-24.
    double const units = e * UNITS_BELOW_ONE;
    double const nearest = (units + DOUBLE_ROUNDER) - DOUBLE_ROUNDER;
    double const from_midpoint = 0.5 - std::fabs(units - nearest);
    double const window = midpoint_window(ax);
    int const one = ax >= ERF_IS_ONE;
    sure = one | (int(ax >= SURE_FROM) & int(from_midpoint >= window));
    float const r = pick(one, 1.0f, float(e));
    return with_sign_of(r, x);
}

template <bool FUSED> IN_EVERY_CLONE float erf_any(float x) {
    float const ax = std::fabs(x);
    float const near_zero = ax * horner<FUSED>(ERF_NEAR_ZERO, ax * ax);
    float const middle = horner<FUSED>(ERF_MIDDLE, ax - ERF_MIDDLE_CENTRE);
    float const tail = horner<FUSED>(ERF_TAIL, ax - ERF_TAIL_CENTRE);
    float r = pick(ax < ERF_NEAR_ZERO_END, near_zero, pick(ax < 2, middle, tail));
    r = pick(ax >= ERF_IS_ONE, 1.0f, r);
    return with_sign_of(r, x);
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

// erf of each argument; where every one of them lies beyond ±ERF_IS_ONE, as
// beyond an end of a streak longer than a few radii, only their signs.
template <int COLUMNS, bool FUSED>
IN_EVERY_CLONE void chunk_erf(float const (&x)[STREAK_CHUNK], float (&out)[STREAK_CHUNK]) {
    int live = 0;
    for (int i = 0; i < COLUMNS; i++) {
        live |= int(std::fabs(x[i]) < ERF_IS_ONE);
    }
    if (live) {
        for (int i = 0; i < COLUMNS; i++) {
            out[i] = erf_any<FUSED>(x[i]);
        }
    } else {
        for (int i = 0; i < COLUMNS; i++) {
            out[i] = with_sign_of(1.0f, x[i]);
        }
    }
}

// The arithmetic of each column is the scalar formula's, step for step,
// so that the arguments, and the error functions of the columns marked
// exact, are the same floats.
template <int COLUMNS, bool FUSED>
IN_EVERY_CLONE void chunk_values(StreakRow const& row, int first, StreakChunk& out) {
    for (int i = 0; i < COLUMNS; i++) {
        float const ddx = float(first + i) - row.mx;
        float const t_par = ddx * row.ux * row.b2 + row.ddy_uy_a2;
        out.e0[i] = (row.half_qlen - t_par) * row.inv_abq;
        out.e1[i] = (-row.half_qlen - t_par) * row.inv_abq;
        float const t_perp = ddx * row.uy - row.ddy_ux;
        out.falloff[i] = -t_perp * t_perp * row.inv_q;
    }
    float erf0[STREAK_CHUNK], erf1[STREAK_CHUNK];
    chunk_erf<COLUMNS, FUSED>(out.e0, erf0);
    chunk_erf<COLUMNS, FUSED>(out.e1, erf1);
    for (int i = 0; i < COLUMNS; i++) {
        float const e0 = out.e0[i], e1 = out.e1[i], falloff = out.falloff[i];
        int const low = !(falloff >= EXP_LOWEST);
        float const light = exp_down<FUSED>(pick(low, 0.0f, falloff));
        float const d = erf0[i] - erf1[i];
        int const one_sign = (e1 > 0) | (e0 < 0);
        int const exact = low | (one_sign & int(d < CANCELLING));
        int const dark = (e1 >= ERF_IS_ONE) | (e0 <= -ERF_IS_ONE);
        out.value[i] = light * row.A * d * row.inv_len;
        // Without a conditional, which would keep the loop scalar.
        out.kind[i] = dark * STREAK_DARK + (exact & ~dark) * STREAK_EXACT;
        out.light[i] = pick(low, 0.0f, light);
    }
}

} // namespace

VECTOR_CLONES void streak_chunk(StreakRow const& row, int first, StreakChunk& out) {
    if (fused_multiply_add()) {
        chunk_values<STREAK_CHUNK, true>(row, first, out);
    } else {
        chunk_values<STREAK_CHUNK, false>(row, first, out);
    }
}

VECTOR_CLONES void streak_half_chunk(StreakRow const& row, int first, StreakChunk& out) {
    if (fused_multiply_add()) {
        chunk_values<STREAK_CHUNK / 2, true>(row, first, out);
    } else {
        chunk_values<STREAK_CHUNK / 2, false>(row, first, out);
    }
}

float streak_exact(StreakRow const& row, float light, float falloff, float e0, float e1) {
    if (light == 0) {
        light = std::exp(falloff);
    }
    return light * row.A * (erf_or_unit(e0) - erf_or_unit(e1)) * row.inv_len;
}

namespace {

int const LANES = 16;

} // namespace

// Blocks of a fixed count, so that the compiler vectorises them whole; the
// block past `count` is padded with dark columns. Beyond an end of a streak
// longer than a few radii the farther argument's error function is ±1, so
// each column's nearer argument goes through the series first, and the
// farther ones only in a block where one of them is short of ±1.
VECTOR_CLONES void streak_exact_columns(StreakRow const& row, ExactColumns& columns) {
    int const end = (columns.count + LANES - 1) / LANES * LANES;
    for (int i = columns.count; i < end; i++) {
        columns.light[i] = columns.falloff[i] = 0;
        columns.e0[i] = columns.e1[i] = ERF_IS_ONE;
    }
    for (int block = 0; block < end; block += LANES) {
        float const* const e0 = columns.e0 + block;
        float const* const e1 = columns.e1 + block;
        int near_is_e0[LANES], sure[LANES], far_live = 0;
        float near_erf[LANES], far_erf[LANES];
        for (int k = 0; k < LANES; k++) {
            near_is_e0[k] = std::fabs(e0[k]) <= std::fabs(e1[k]);
            float const far = pick(near_is_e0[k], e1[k], e0[k]);
            near_erf[k] = library_erf(pick(near_is_e0[k], e0[k], e1[k]), sure[k]);
            far_erf[k] = with_sign_of(1.0f, far);
            far_live |= int(std::fabs(far) < ERF_IS_ONE);
        }
        if (far_live) {
            for (int k = 0; k < LANES; k++) {
                int sure_far;
                far_erf[k] = library_erf(pick(near_is_e0[k], e1[k], e0[k]), sure_far);
                sure[k] &= sure_far;
            }
        }
        for (int k = 0; k < LANES; k++) {
            int const i = block + k;
            float const d = pick(near_is_e0[k], near_erf[k], far_erf[k]) -
                            pick(near_is_e0[k], far_erf[k], near_erf[k]);
            columns.value[i] = columns.light[i] * row.A * d * row.inv_len;
            sure[k] &= int(columns.light[i] != 0);
        }
        for (int k = 0; k < LANES; k++) {
            int const i = block + k;
            if (!sure[k] && i < columns.count) {
                columns.value[i] = streak_exact(row, columns.light[i], columns.falloff[i],
                                                columns.e0[i], columns.e1[i]);
            }
        }
    }
}
