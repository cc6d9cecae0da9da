#pragma once

// N values of real in order; a plain aggregate, so Vector2{x, y} builds one.
template <class real, int N> struct VectorN {
    real v[N];

    real& operator[](int i) { return v[i]; }
    real const& operator[](int i) const { return v[i]; }
};

typedef VectorN<float, 2> Vector2; // a point or offset in pixels
typedef VectorN<float, 3> Color3;  // linear red, green, blue

// A 4x4 matrix stored row-major: element (r, c) lives at index 4 * r + c.
// Points are row vectors multiplied on the left (p' = p * M), so an affine
// matrix keeps its translation in row 3 and (0, 0, 0, 1) as its last column.
template <class real> struct Matrix4 {
    real e[16];

    real& operator()(int row, int col) { return e[4 * row + col]; }
    real const& operator()(int row, int col) const { return e[4 * row + col]; }
    real& operator[](int index) { return e[index]; }
    real const& operator[](int index) const { return e[index]; }

    Matrix4 operator*(Matrix4 const& rhs) const;

    real determinant() const;
    // Adjugate over determinant; a singular matrix only draws a warning.
    Matrix4 inverse() const;

    // Heading, pitch, bank as hpb[0..2], in radians.
    VectorN<real, 3> orthonormal_to_euler() const;
    // Splits an affine matrix whose rows are scaled orthogonal axes.
    void decompose_lw(VectorN<real, 3>& translation, VectorN<real, 3>& hpb,
                      VectorN<real, 3>& scale) const;

    static Matrix4 const& the_identity();
    static Matrix4 from_euler_angles(real const* hpb);
    // Projection with the eye at the origin looking along +z: zoom is the
    // distance to the projection plane; depth is 0 at near and 1 at far (or
    // at infinity when far <= 0). A negative zoom gives the identity.
    static Matrix4 perspective(real zoom, real near, real far);
};

typedef Matrix4<double> DblMatrix4;

extern template struct Matrix4<float>;
extern template struct Matrix4<double>;

// Thin-lens blur circle diameter for focal length f, f-number N, focus
// distance s and subject distance D, all in one length unit.
double circle_of_confusion(double f, double N, double s, double D);
double circle_of_confusion_at_infinity(double f, double N, double s);

// Real roots of a*x^2 + b*x + c = 0; returns how many (0, 1 or 2).
int solve_quadratic(float a, float b, float c, float& x0, float& x1);
