#include "base/newmatrix.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// (x, y, z, 1) * m as a row vector.
VectorN<double, 4> transform(DblMatrix4 const& m, double x, double y, double z) {
    VectorN<double, 4> out{};
    for (int c = 0; c < 4; c++)
        out[c] = x * m(0, c) + y * m(1, c) + z * m(2, c) + m(3, c);
    return out;
}

void expect_near_matrix(DblMatrix4 const& a, DblMatrix4 const& b, double tol) {
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
}

template <class real> std::string singular_inverse_warning() {
    Matrix4<real> zero = {};
    testing::internal::CaptureStderr();
    Matrix4<real> inv = zero.inverse();
    EXPECT_FALSE(std::isfinite(inv[0]));
    return testing::internal::GetCapturedStderr();
}

TEST(Matrix4Perspective, ScalesByZoomOverDepthAndMapsNearToZeroAndFarToOne) {
    DblMatrix4 p = DblMatrix4::perspective(2, 1, 10);
    VectorN<double, 4> at_near = transform(p, 0.5, 0.25, 1);
    VectorN<double, 4> at_far = transform(p, 0.5, -0.25, 10);
    EXPECT_NEAR(at_near[2] / at_near[3], 0, 1e-12);
    EXPECT_NEAR(at_far[2] / at_far[3], 1, 1e-12);
    EXPECT_DOUBLE_EQ(at_far[0] / at_far[3], 2 * 0.5 / 10);
    // Without a far plane depth reaches 1 only at infinity.
    VectorN<double, 4> far_away = transform(DblMatrix4::perspective(3, 1, -1), 0, 0, 1e12);
    EXPECT_NEAR(far_away[2] / far_away[3], 1, 1e-9);
    expect_near_matrix(DblMatrix4::perspective(-1, 1, 10), DblMatrix4::the_identity(), 0);
    expect_near_matrix(DblMatrix4::perspective(NAN, 1, 10), DblMatrix4::the_identity(), 0);
}

TEST(Matrix4Euler, AnglesRoundTripThroughTheRotationMatrix) {
    double const triples[][3] = {{0.3, -0.7, 1.2}, {-2.5, 1.4, -3.0}, {0, 0, 0}, {3.1, 0.2, 0.1}};
    for (auto const& hpb : triples) {
        VectorN<double, 3> back = DblMatrix4::from_euler_angles(hpb).orthonormal_to_euler();
        for (int i = 0; i < 3; i++)
            EXPECT_NEAR(back[i], hpb[i], 1e-12) << "angle " << i << " of " << hpb[0];
    }
    double const quarter_heading[] = {M_PI / 2, 0, 0};
    VectorN<double, 4> forward = transform(DblMatrix4::from_euler_angles(quarter_heading), 0, 0, 1);
    EXPECT_NEAR(forward[0], 1, 1e-12);
    EXPECT_NEAR(forward[2], 0, 1e-12);
}

TEST(Matrix4Inverse, ProductWithTheInverseIsTheIdentityAndSingularOnlyWarns) {
    DblMatrix4 m = {{2, 1, 0, 3, 0, 1, 4, 1, 5, 0, 1, 2, 1, 1, 1, 1}};
    expect_near_matrix(m * m.inverse(), DblMatrix4::the_identity(), 1e-12);
    // A singular matrix only warns, naming the instance.
    std::string const warning = "warning: matrix appears to be singular; inverse may not be "
                                "reliable in <Matrix4<real> Matrix4<";
    EXPECT_EQ(singular_inverse_warning<double>(),
              warning + "double>::inverse() const [real = double]>\n");
    EXPECT_EQ(singular_inverse_warning<float>(),
              warning + "float>::inverse() const [real = float]>\n");
}

TEST(CircleOfConfusion, VanishesInFocusAndGrowsTowardsTheInfiniteLimit) {
    double f = 0.05, N = 2.8, s = 3;
    EXPECT_NEAR(circle_of_confusion(f, N, s, s), 0, 1e-15);
    EXPECT_GT(circle_of_confusion(f, N, s, 1), circle_of_confusion(f, N, s, 2));
    double limit = circle_of_confusion_at_infinity(f, N, s);
    EXPECT_NEAR(circle_of_confusion(f, N, s, 1e9), limit, limit * 1e-6);
}

TEST(SolveQuadratic, CountsAndFindsTheRealRoots) {
    // a, b, c, root count, smaller root, larger root; b = 0 must not divide by zero.
    float const cases[][6] = {{2, 2, -12, 2, -3, 2},
                              {1, 0, -4, 2, -2, 2},
                              {1, 0, 4, 0, 0, 0},
                              {0, 2, -3, 1, 1.5f, 1.5f},
                              {1, -4, 4, 1, 2, 2}};
    for (auto const& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << c[2]);
        float x0 = NAN, x1 = NAN;
        int count = solve_quadratic(c[0], c[1], c[2], x0, x1);
        ASSERT_EQ(count, c[3]);
        if (count == 1)
            x1 = x0;
        if (count > 0) {
            EXPECT_NEAR(std::fmin(x0, x1), c[4], 1e-6);
            EXPECT_NEAR(std::fmax(x0, x1), c[5], 1e-6);
        }
    }
}

} // namespace
