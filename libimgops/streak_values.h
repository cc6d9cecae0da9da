#pragma once

// The light of a streak along part of one row, many columns at a time in
// vector code, with single-precision exponential and error functions of our
// own, each within a unit or two in the last place of the library's. Where
// the two error functions nearly cancel, a unit in them is much more in the
// light; those columns are marked exact, and their error functions must be
// the library's to the bit.

#include <cstddef>

int const STREAK_CHUNK = 16;

// What is fixed along the row (see op_star_streak).
struct StreakRow {
    float mx;
    float ux;
    float uy;
    float b2;
    float ddy_ux;
    float ddy_uy_a2;
    float half_qlen;
    float inv_abq;
    float inv_q;
    float A;
    float inv_len;
};

enum streak_column : int {
    STREAK_VALUE = 0, // value holds the light
    STREAK_DARK = 1,  // beyond an end of the segment: no light at all
    STREAK_EXACT = 2, // take the light from the library functions
};

struct StreakChunk {
    float value[STREAK_CHUNK];
    int kind[STREAK_CHUNK]; // a streak_column
    // The exponential, 0 where it is below the normal floats, with its
    // argument, and the arguments of the two error functions.
    float light[STREAK_CHUNK];
    float falloff[STREAK_CHUNK];
    float e0[STREAK_CHUNK];
    float e1[STREAK_CHUNK];
};

// Columns first .. first + STREAK_CHUNK - 1 of the row at ddy.
void streak_chunk(StreakRow const& row, int first, StreakChunk& out);
// Only the first STREAK_CHUNK / 2 of them, for the end of a row: in half
// the vector width, at about two thirds of the cost.
void streak_half_chunk(StreakRow const& row, int first, StreakChunk& out);

// erf rounds to exactly 1 in single precision from here on (erfc falls
// below half a unit in the last place of 1).
float const ERF_IS_ONE = 3.9192059f;

// The light of one column with the library's error functions.
float streak_exact(StreakRow const& row, float light, float falloff, float e0, float e1);

// Columns marked exact, gathered so that their light is worked out
// together: in vector code where that gives the library's error functions
// to the bit, from the library for the rest.
int const EXACT_BATCH = 64;

struct ExactColumns {
    int count;
    std::ptrdiff_t at[EXACT_BATCH]; // the caller's, for where the light goes
    float light[EXACT_BATCH];
    float falloff[EXACT_BATCH];
    float e0[EXACT_BATCH];
    float e1[EXACT_BATCH];
    float value[EXACT_BATCH];
};

// Fills `value` for the first `count` columns, each as streak_exact gives it.
void streak_exact_columns(StreakRow const& row, ExactColumns& columns);
