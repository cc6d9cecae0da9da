#pragma once

// The light of a streak along part of one row, many columns at a time in
// vector code, with single-precision exponential and error functions of our
// own, each within a unit or two in the last place of the library's. Where
// the two error functions nearly cancel, a unit in them is much more in the
// light; those columns are marked so that the caller takes them from the
// library functions, exactly as computed one at a time.

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
    // The arguments of the exponential and of the two error functions.
    float falloff[STREAK_CHUNK];
    float e0[STREAK_CHUNK];
    float e1[STREAK_CHUNK];
};

// Columns first .. first + STREAK_CHUNK - 1 of the row at ddy.
void streak_chunk(StreakRow const& row, int first, StreakChunk& out);

// erf rounds to exactly 1 in single precision from here on (erfc falls
// below half a unit in the last place of 1).
float const ERF_IS_ONE = 3.9192059f;

// The library's light for one column, as the scalar formula gives it.
float streak_exact(StreakRow const& row, float falloff, float e0, float e1);
