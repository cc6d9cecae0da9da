#include "libimgops/streak_values.h"
#include "tests/support/float_bits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Gathered columns take their error functions from vector code where it
// can be sure of the library's value, and from the library elsewhere;
// either way each column's light is streak_exact's to the bit. Tried for
// every float argument, either sign, from below where the vector code
// starts to beyond where the error function is 1, each beside a partner
// that is exactly 1; some columns are too dim for our exponential.
TEST(ExactColumns, EveryColumnsLightIsTheLibrarysToTheBit) {
    StreakRow row{};
    row.A = 1.5f;
    row.inv_len = 0.25f;
    ExactColumns columns;
    columns.count = 0;
    long checked = 0;
    auto check = [&] {
        streak_exact_columns(row, columns);
        for (int k = 0; k < columns.count; k++) {
            float const want = streak_exact(row, columns.light[k], columns.falloff[k],
                                            columns.e0[k], columns.e1[k]);
            ASSERT_EQ(bits_of(columns.value[k]), bits_of(want))
                << "e0 " << columns.e0[k] << ", e1 " << columns.e1[k];
        }
        checked += columns.count;
        columns.count = 0;
    };
    uint32_t const first = bits_of(1.2f), last = bits_of(4.0f);
    for (uint32_t u = first; u <= last; u++) {
        float const x = from_bits(u);
        for (float sign : {1.0f, -1.0f}) {
            int const k = columns.count++;
            bool const dim = u % 997 == 0;
            columns.light[k] = dim ? 0 : 0.75f;
            columns.falloff[k] = dim ? -90.0f : -0.5f;
            columns.e0[k] = sign > 0 ? 4.0f : -x;
            columns.e1[k] = sign > 0 ? x : -4.0f;
            if (columns.count == EXACT_BATCH) {
                check();
                ASSERT_FALSE(HasFatalFailure());
            }
        }
    }
    check();
    EXPECT_EQ(checked, 2 * long(last - first + 1));
}

// Columns with two live arguments, either of them the nearer one, among
// columns whose farther argument's error function is ±1, in every block,
// and a batch that ends part of the way through the vector code's blocks.
TEST(ExactColumns, ColumnsWithTwoLiveArgumentsAndAShortBatch) {
    StreakRow row{};
    row.A = 0.9f;
    row.inv_len = 0.05f;
    ExactColumns columns;
    columns.count = 37;
    for (int k = 0; k < columns.count; k++) {
        columns.light[k] = 0.5f + k * 0.01f;
        columns.falloff[k] = -0.1f * k;
        float const nearer = 1.3f + k * 0.029f;
        float const farther = k % 3 == 0 ? ERF_IS_ONE + k * 0.1f : 2.2f + k * 0.031f;
        columns.e0[k] = k % 2 == 0 ? farther : -nearer;
        columns.e1[k] = k % 2 == 0 ? nearer : -farther;
    }
    streak_exact_columns(row, columns);
    for (int k = 0; k < columns.count; k++) {
        float const want =
            streak_exact(row, columns.light[k], columns.falloff[k], columns.e0[k], columns.e1[k]);
        EXPECT_EQ(bits_of(columns.value[k]), bits_of(want)) << k;
        EXPECT_GT(columns.value[k], 0);
    }
}

} // namespace
