#include "base/newmatrix.h"

#include "base/xception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// (x, y, z, 1) * m as a row vector.
VectorN<double, 4> transform(DblMatrix4 const& m, double x, double y, double z) {
    VectorN<double, 4> out{};
    for (int c = 0; c < 4; c++) {
        out[c] = x * m(0, c) + y * m(1, c) + z * m(2, c) + m(3, c);
    }
    return out;
}

void expect_near_matrix(DblMatrix4 const& a, DblMatrix4 const& b, double tol) {
    for (int i = 0; i < 16; i++) {
        EXPECT_NEAR(a[i], b[i], tol) << "element " << i;
    }
}

} // namespace

TEST(Matrix4Perspective, NegativeZoomGivesTheIdentity) {
    expect_near_matrix(DblMatrix4::perspective(-1, 1, 10), DblMatrix4::the_identity(), 0);
    expect_near_matrix(DblMatrix4::perspective(NAN, 1, 10), DblMatrix4::the_identity(), 0);
}

TEST(Matrix4Perspective, NoFarPlanePutsInverseZoomInBothDepthColumns) {
    DblMatrix4 p = DblMatrix4::perspective(4, 1, 0);
    EXPECT_DOUBLE_EQ(p(2, 2), 0.25);
    EXPECT_DOUBLE_EQ(p(2, 3), 0.25);
    EXPECT_EQ(p(3, 3), 0.0);
}

TEST(Matrix4Perspective, DepthRunsFromZeroAtNearToOneAtFar) {
    DblMatrix4 p = DblMatrix4::perspective(2, 1, 10);
    VectorN<double, 4> at_near = transform(p, 0.5, 0.25, 1);
    VectorN<double, 4> at_far = transform(p, 0.5, 0.25, 10);
    EXPECT_NEAR(at_near[2] / at_near[3], 0, 1e-12);
    EXPECT_NEAR(at_far[2] / at_far[3], 1, 1e-12);
}

TEST(Matrix4Perspective, ScreenPositionIsZoomTimesXOverZ) {
    DblMatrix4 p = DblMatrix4::perspective(3, 1, -1);
    VectorN<double, 4> q = transform(p, 2, -1, 8);
    EXPECT_DOUBLE_EQ(q[0] / q[3], 2 * 3 / 8.0);
    EXPECT_DOUBLE_EQ(q[1] / q[3], -1 * 3 / 8.0);
    VectorN<double, 4> far_away = transform(p, 0, 0, 1e12);
    EXPECT_NEAR(far_away[2] / far_away[3], 1, 1e-9);
}

TEST(Matrix4Euler, AnglesRoundTripThroughTheRotationMatrix) {
    double const triples[][3] = {{0.3, -0.7, 1.2}, {-2.5, 1.4, -3.0}, {0, 0, 0}, {3.1, 0.2, 0.1}};
    for (auto const& hpb : triples) {
        VectorN<double, 3> back = DblMatrix4::from_euler_angles(hpb).orthonormal_to_euler();
        for (int i = 0; i < 3; i++) {
            EXPECT_NEAR(back[i], hpb[i], 1e-12);
        }
    }
}

TEST(Matrix4Euler, RotationInverseIsItsTranspose) {
    double const hpb[] = {0.4, -0.3, 2.0};
    DblMatrix4 r = DblMatrix4::from_euler_angles(hpb);
    DblMatrix4 t;
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 4; j++) {
            t(i, j) = r(j, i);
        }
    }
    expect_near_matrix(r.inverse(), t, 1e-12);
    EXPECT_NEAR(r.determinant(), 1, 1e-12);
}

TEST(Matrix4Euler, HeadingTurnsForwardTowardsPlusX) {
    double const hpb[] = {M_PI / 2, 0, 0};
    VectorN<double, 4> forward = transform(DblMatrix4::from_euler_angles(hpb), 0, 0, 1);
    EXPECT_NEAR(forward[0], 1, 1e-12);
    EXPECT_NEAR(forward[2], 0, 1e-12);
}

TEST(Matrix4Inverse, ProductWithTheInverseIsTheIdentity) {
    DblMatrix4 m = {{2, 1, 0, 3, 0, 1, 4, 1, 5, 0, 1, 2, 1, 1, 1, 1}};
    expect_near_matrix(m * m.inverse(), DblMatrix4::the_identity(), 1e-12);
    expect_near_matrix(m.inverse() * m, DblMatrix4::the_identity(), 1e-12);
}

TEST(Matrix4Inverse, SingularMatrixWarnsAndCarriesOn) {
    DblMatrix4 m = {{1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3}};
    testing::internal::CaptureStderr();
    DblMatrix4 inv = m.inverse();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: matrix appears to be singular; inverse may not be reliable in "
              "<Matrix4<real> Matrix4<double>::inverse() const [real = double]>\n");
    bool any_non_finite = false;
    for (int i = 0; i < 16; i++) {
        any_non_finite = any_non_finite || !std::isfinite(inv[i]);
    }
    EXPECT_TRUE(any_non_finite);
}

TEST(Matrix4Inverse, FloatSingularWarningNamesTheFloatInstance) {
    Matrix4<float> zero = {};
    testing::internal::CaptureStderr();
    zero.inverse();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: matrix appears to be singular; inverse may not be reliable in "
              "<Matrix4<real> Matrix4<float>::inverse() const [real = float]>\n");
}

TEST(Matrix4Decompose, GivesBackTranslationAnglesAndScale) {
    double const hpb[] = {0.8, -1.1, 0.25};
    double const scale[] = {2, 3, 4};
    DblMatrix4 m = DblMatrix4::from_euler_angles(hpb);
    for (int r = 0; r < 3; r++) {
        for (int c = 0; c < 3; c++) {
            m(r, c) *= scale[r];
        }
    }
    m(3, 0) = 10;
    m(3, 1) = -20;
    m(3, 2) = 0.5;
    VectorN<double, 3> t, angles, s;
    m.decompose_lw(t, angles, s);
    EXPECT_EQ(t[0], 10);
    EXPECT_EQ(t[1], -20);
    EXPECT_EQ(t[2], 0.5);
    for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(angles[i], hpb[i], 1e-5);
        EXPECT_NEAR(s[i], scale[i], 1e-5 * scale[i]);
    }
}

TEST(Matrix4Decompose, ProjectiveColumnFailsTheAffineCheck) {
    DblMatrix4 m = DblMatrix4::perspective(1, 1, 10);
    try {
        VectorN<double, 3> t, angles, s;
        m.decompose_lw(t, angles, s);
        FAIL() << "no assertion";
    } catch (AssertXception const& e) {
        EXPECT_STREQ(e.expr, "fabsf((float)m(0,3)) < EPSILON && fabsf((float)m(1,3)) < EPSILON && "
                             "fabsf((float)m(2,3)) < EPSILON && fabsf((float)m(3,3)-1) < EPSILON");
        EXPECT_STREQ(e.file, "base/newmatrix");
        EXPECT_EQ(e.line, 141);
    }
}

TEST(Matrix4Decompose, ShearedAxesFailTheOrthogonalityCheck) {
    DblMatrix4 m = DblMatrix4::the_identity();
    m(1, 0) = 1;
    try {
        VectorN<double, 3> t, angles, s;
        m.decompose_lw(t, angles, s);
        FAIL() << "no assertion";
    } catch (AssertXception const& e) {
        EXPECT_EQ(std::string(e.expr).rfind("fabsf((float)(rs[0][0]*rs[1][0] + ", 0), 0u);
        EXPECT_EQ(e.line, 164);
    }
}

TEST(Matrix4Decompose, ZeroRowGivesZeroScale) {
    DblMatrix4 m = DblMatrix4::the_identity();
    m(2, 2) = 0;
    VectorN<double, 3> t, angles, s;
    m.decompose_lw(t, angles, s);
    EXPECT_EQ(s[2], 0);
    EXPECT_EQ(s[0], 1);
}

TEST(CircleOfConfusion, SubjectInFocusIsSharp) {
    EXPECT_NEAR(circle_of_confusion(0.05, 2.8, 3, 3), 0, 1e-15);
}

TEST(CircleOfConfusion, GrowsAwayFromFocusAndTendsToTheInfiniteLimit) {
    double f = 0.05, N = 2.8, s = 3;
    EXPECT_GT(circle_of_confusion(f, N, s, 1), circle_of_confusion(f, N, s, 2));
    EXPECT_LT(circle_of_confusion(f, N, s, 10), circle_of_confusion(f, N, s, 100));
    double limit = circle_of_confusion_at_infinity(f, N, s);
    EXPECT_NEAR(circle_of_confusion(f, N, s, 1e9), limit, limit * 1e-6);
    EXPECT_NEAR(limit, f * f / (N * (s - f)), 1e-15);
}

TEST(SolveQuadratic, TwoDistinctRoots) {
    float x0 = 0, x1 = 0;
    ASSERT_EQ(solve_quadratic(2, 2, -12, x0, x1), 2);
    EXPECT_NEAR(std::fmin(x0, x1), -3, 1e-6);
    EXPECT_NEAR(std::fmax(x0, x1), 2, 1e-6);
}

TEST(SolveQuadratic, ZeroLinearTermGivesPlusAndMinusRoot) {
    float x0 = NAN, x1 = NAN;
    ASSERT_EQ(solve_quadratic(1, 0, -4, x0, x1), 2);
    EXPECT_NEAR(std::fmin(x0, x1), -2, 1e-6);
    EXPECT_NEAR(std::fmax(x0, x1), 2, 1e-6);
}

TEST(SolveQuadratic, DegenerateCases) {
    float x0 = 0, x1 = 0;
    EXPECT_EQ(solve_quadratic(1, 0, 4, x0, x1), 0);
    ASSERT_EQ(solve_quadratic(0, 2, -3, x0, x1), 1);
    EXPECT_FLOAT_EQ(x0, 1.5f);
    ASSERT_EQ(solve_quadratic(1, -4, 4, x0, x1), 1);
    EXPECT_FLOAT_EQ(x0, 2);
}
