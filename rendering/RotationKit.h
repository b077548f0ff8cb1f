// Small vectors and matrices of the 3D views: row-major 3 x 3 matrices of
// doubles acting on column vectors. Only what the render context needs so
// far; the views add their trackball and axis-angle conversions beside it.
#pragma once

struct Vec3 {
    double x, y, z;
};

// Element m[r][c] is row r, column c.
struct Matrix3 {
    double m[3][3];
};

// out = v x (a, b, c); returns out.
Vec3& CrossVec3(const Vec3& v, Vec3& out, double a, double b, double c);
// out = v / |v| (a zero vector gives components that are not finite).
Vec3& NormalizeVec3(const Vec3& v, Vec3& out);
// out = R (a, b, c).
Vec3& RotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c);
// out = transpose(R) (a, b, c).
Vec3& InverseRotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c);

inline double DotVec3(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
