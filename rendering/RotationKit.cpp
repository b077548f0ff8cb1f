#include "rendering/RotationKit.h"

#include <cmath>

Vec3& CrossVec3(const Vec3& v, Vec3& out, double a, double b, double c)
{
    // v may be out.
    const Vec3 r{v.y * c - v.z * b, v.z * a - v.x * c, v.x * b - v.y * a};
    out = r;
    return out;
}

Vec3& NormalizeVec3(const Vec3& v, Vec3& out)
{
    const double length = std::sqrt(DotVec3(v, v));
    out = Vec3{v.x / length, v.y / length, v.z / length};
    return out;
}

Vec3& RotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c)
{
    const auto& m = R.m;
    out = Vec3{m[0][0] * a + m[0][1] * b + m[0][2] * c, m[1][0] * a + m[1][1] * b + m[1][2] * c,
               m[2][0] * a + m[2][1] * b + m[2][2] * c};
    return out;
}

Vec3& InverseRotateVec3(Vec3& out, const Matrix3& R, double a, double b, double c)
{
    const auto& m = R.m;
    out = Vec3{m[0][0] * a + m[1][0] * b + m[2][0] * c, m[0][1] * a + m[1][1] * b + m[2][1] * c,
               m[0][2] * a + m[1][2] * b + m[2][2] * c};
    return out;
}
