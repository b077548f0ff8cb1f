// Vec3 arithmetic by value for the geometry builders of the 3D graphs, over
// the rotation kit's functions on caller storage.
#pragma once

#include "rendering/RotationKit.h"

#include <cmath>
#include <cstdint>

inline Vec3 PointAt(const float* triples, int64_t i)
{
    return {triples[3 * i], triples[3 * i + 1], triples[3 * i + 2]};
}

inline Vec3 Minus(const Vec3& a, const Vec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

inline Vec3 Scaled(const Vec3& a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}

inline Vec3 Cross(const Vec3& a, const Vec3& b)
{
    Vec3 out;
    return CrossVec3(a, out, b.x, b.y, b.z);
}

// Components that are not finite for the zero vector.
inline Vec3 Normalized(const Vec3& a)
{
    Vec3 out;
    return NormalizeVec3(a, out);
}

inline double Length(const Vec3& a)
{
    return std::sqrt(DotVec3(a, a));
}

inline bool IsFinite(const Vec3& a)
{
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

// Writes v as a float triple.
inline void StoreTriple(float* at, const Vec3& v)
{
    at[0] = static_cast<float>(v.x);
    at[1] = static_cast<float>(v.y);
    at[2] = static_cast<float>(v.z);
}
