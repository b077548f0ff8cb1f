// The unit sphere every 3D point is drawn with: an octahedron subdivided
// three times, its new vertices pushed out onto the sphere. Built once, on
// first use, and only read afterwards.
#pragma once

#include "rendering/RotationKit.h"

#include <cstdint>

constexpr int32_t kUnitSphereVertices = 258;
constexpr int32_t kUnitSphereTriangles = 512;

struct UnitSphere {
    Vec3 vertices[kUnitSphereVertices];
    int32_t vertexCount = 0;
    // Index triples, wound counter-clockwise seen from outside.
    int32_t triangles[3 * kUnitSphereTriangles];
    int32_t triangleCount = 0;

    // The index of the stored vertex exactly equal to (x, y, z), or of the
    // one appended for it.
    int32_t AddUniqueVertex(double x, double y, double z);
};

// The shared sphere, built by the first call.
const UnitSphere& BuildUnitSphere();
