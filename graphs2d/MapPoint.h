// A point of the first 2D view that a map gives for a pixel or mesh node of
// the second, as two floats packed in one 64-bit word, so that workers
// publish a point and the drawing reads it whole, never half written.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

struct MapPoint {
    float x;
    float y;
};

inline uint64_t PackMapPoint(MapPoint p)
{
    uint32_t a, b;
    std::memcpy(&a, &p.x, 4);
    std::memcpy(&b, &p.y, 4);
    return static_cast<uint64_t>(b) << 32 | a;
}

inline MapPoint UnpackMapPoint(uint64_t w)
{
    const uint32_t a = static_cast<uint32_t>(w), b = static_cast<uint32_t>(w >> 32);
    MapPoint p;
    std::memcpy(&p.x, &a, 4);
    std::memcpy(&p.y, &b, 4);
    return p;
}

// Not computed yet: (NaN, NaN).
inline uint64_t PendingMapPoint()
{
    return PackMapPoint(MapPoint{NAN, NAN});
}

// Both coordinates are finite: the point can be used.
inline bool IsFiniteMapPoint(MapPoint p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}
