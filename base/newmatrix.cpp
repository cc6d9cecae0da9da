#include "base/newmatrix.h"

#include "base/xception.h"

#include <cmath>

namespace {

// Signature texts of the reports, spelled as the reference compiler spells them.
template <class real> struct Signatures;

template <> struct Signatures<float> {
    static constexpr char const* INVERSE =
        "Matrix4<real> Matrix4<float>::inverse() const [real = float]";
    static constexpr char const* DECOMPOSE_LW =
        "void Matrix4<float>::decompose_lw(VectorN<real, 3> &, VectorN<real, 3> &, "
        "VectorN<real, 3> &) const [real = float]";
};

template <> struct Signatures<double> {
    static constexpr char const* INVERSE =
        "Matrix4<real> Matrix4<double>::inverse() const [real = double]";
    static constexpr char const* DECOMPOSE_LW =
        "void Matrix4<double>::decompose_lw(VectorN<real, 3> &, VectorN<real, 3> &, "
        "VectorN<real, 3> &) const [real = double]";
};

float const EPSILON = 0.0001f;

// Approximate reciprocal square root refined by one Newton step; 0 for 0, so
// that x * refined_rsqrt(x) is a square root that is 0 at 0.
float refined_rsqrt(float x) {
    if (x == 0.0f) {
        return 0.0f;
    }
    float y = 1.0f / std::sqrt(x);
    return y * (1.5f - 0.5f * x * y * y);
}

// Determinant of the 3x3 matrix left when row r and column c are struck out.
template <class real> real minor3(Matrix4<real> const& m, int r, int c) {
    int rows[3];
    int cols[3];
    for (int i = 0, n = 0; i < 4; i++) {
        if (i != r) {
            rows[n++] = i;
        }
    }
    for (int i = 0, n = 0; i < 4; i++) {
        if (i != c) {
            cols[n++] = i;
        }
    }
    auto at = [&](int i, int j) { return m(rows[i], cols[j]); };
    return at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
           at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
           at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
}

template <class real> real cofactor(Matrix4<real> const& m, int r, int c) {
    real minor = minor3(m, r, c);
    return ((r + c) & 1) ? -minor : minor;
}

} // namespace

template <class real> Matrix4<real> Matrix4<real>::operator*(Matrix4 const& rhs) const {
    Matrix4 out;
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 4; j++) {
            real sum = 0;
            for (int k = 0; k < 4; k++) {
                sum += (*this)(i, k) * rhs(k, j);
            }
            out(i, j) = sum;
        }
    }
    return out;
}

template <class real> real Matrix4<real>::determinant() const {
    real det = 0;
    for (int c = 0; c < 4; c++) {
        det += (*this)(0, c) * cofactor(*this, 0, c);
    }
    return det;
}

template <class real> Matrix4<real> Matrix4<real>::inverse() const {
    real det = determinant();
    if (!(std::fabs(static_cast<double>(det)) >= 1e-10)) {
        Xception::warning(Signatures<real>::INVERSE,
                          "matrix appears to be singular; inverse may not be reliable");
    }
    real scale = real(1) / det;
    Matrix4 out;
    for (int r = 0; r < 4; r++) {
        for (int c = 0; c < 4; c++) {
            out(r, c) = cofactor(*this, c, r) * scale;
        }
    }
    return out;
}

template <class real> VectorN<real, 3> Matrix4<real>::orthonormal_to_euler() const {
    Matrix4 const& m = *this;
    return VectorN<real, 3>{std::atan2(m(2, 0), m(2, 2)), std::asin(-m(2, 1)),
                            std::atan2(m(0, 1), m(1, 1))};
}

template <class real>
void Matrix4<real>::decompose_lw(VectorN<real, 3>& translation, VectorN<real, 3>& hpb,
                                 VectorN<real, 3>& scale) const {
    Matrix4 const& m = *this;
    char const* function = Signatures<real>::DECOMPOSE_LW;
    // The stringified conditions are the report texts; keep their spelling.
    // clang-format off
    XASSERT(fabsf((float)m(0,3)) < EPSILON && fabsf((float)m(1,3)) < EPSILON && fabsf((float)m(2,3)) < EPSILON && fabsf((float)m(3,3)-1) < EPSILON, "base/newmatrix", function, 141);
    // clang-format on
    for (int i = 0; i < 3; i++) {
        translation[i] = m(3, i);
    }
    float rs[3][3];
    for (int i = 0; i < 3; i++) {
        float x = static_cast<float>(m(i, 0));
        float y = static_cast<float>(m(i, 1));
        float z = static_cast<float>(m(i, 2));
        float len2 = x * x + y * y + z * z;
        float inv = refined_rsqrt(len2);
        scale[i] = len2 * inv;
        rs[i][0] = x * inv;
        rs[i][1] = y * inv;
        rs[i][2] = z * inv;
    }
    // clang-format off
    XASSERT(fabsf((float)(rs[0][0]*rs[1][0] + rs[0][1]*rs[1][1] + rs[0][2]*rs[1][2])) < EPSILON && fabsf((float)(rs[0][0]*rs[2][0] + rs[0][1]*rs[2][1] + rs[0][2]*rs[2][2])) < EPSILON && fabsf((float)(rs[1][0]*rs[2][0] + rs[1][1]*rs[2][1] + rs[1][2]*rs[2][2])) < EPSILON, "base/newmatrix", function, 164);
    // clang-format on
    hpb[0] = std::atan2(rs[2][0], rs[2][2]);
    hpb[1] = std::asin(-rs[2][1]);
    hpb[2] = std::atan2(rs[0][1], rs[1][1]);
}

template <class real> Matrix4<real> const& Matrix4<real>::the_identity() {
    // A function-local static: its initialisation is guarded by the language.
    static Matrix4 const identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    return identity;
}

template <class real> Matrix4<real> Matrix4<real>::from_euler_angles(real const* hpb) {
    real sh = std::sin(hpb[0]), ch = std::cos(hpb[0]);
    real sp = std::sin(hpb[1]), cp = std::cos(hpb[1]);
    real sb = std::sin(hpb[2]), cb = std::cos(hpb[2]);
    return Matrix4{{sb * sh * sp + cb * ch, sb * cp, sb * ch * sp - cb * sh, 0,
                    cb * sh * sp - sb * ch, cb * cp, cb * ch * sp + sb * sh, 0, sh * cp, -sp,
                    cp * ch, 0, 0, 0, 0, 1}};
}

template <class real> Matrix4<real> Matrix4<real>::perspective(real zoom, real near, real far) {
    if (!(zoom >= 0)) {
        return the_identity();
    }
    real x = far > 0 ? zoom * (1 - near / far) : zoom;
    Matrix4 out = {};
    out(0, 0) = 1;
    out(1, 1) = 1;
    out(2, 2) = 1 / x;
    out(2, 3) = 1 / zoom;
    out(3, 2) = -near / x;
    return out;
}

template struct Matrix4<float>;
template struct Matrix4<double>;

double circle_of_confusion(double f, double N, double s, double D) {
    return std::fabs((f - D) * s / ((s - f) * D) + 1) * f / N;
}

double circle_of_confusion_at_infinity(double f, double N, double s) {
    return f * std::fabs(s / (f - s) + 1) / N;
}

int solve_quadratic(float a, float b, float c, float& x0, float& x1) {
    if (a == 0) {
        x0 = -c / b;
        return 1;
    }
    float disc = b * b - 4 * a * c;
    if (!(disc >= 0)) {
        return 0;
    }
    if (disc == 0) {
        x0 = b / (-2 * a);
        return 1;
    }
    // b = 0 takes the positive sign: a zero sign would make q = 0 and both
    // roots divisions by zero, while disc > 0 guarantees c != 0 here.
    float sign = b < 0 ? -1.0f : 1.0f;
    float q = -0.5f * (b + sign * disc * refined_rsqrt(disc));
    x0 = q / a;
    x1 = c / q;
    return 2;
}
