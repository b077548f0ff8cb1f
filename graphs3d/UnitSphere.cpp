#include "graphs3d/UnitSphere.h"

#include <cmath>
#include <mutex>

namespace {

void Build(UnitSphere& s)
{
    const double h = 1 / std::sqrt(2.0);
    const double start[6][3] = {{0, 0, 1}, {0, 0, -1}, {-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0}};
    for (const auto& v : start)
        s.AddUniqueVertex(v[0], v[1], v[2]);
    const int32_t faces[8][3] = {{0, 3, 4}, {0, 4, 5}, {0, 5, 2}, {0, 2, 3},
                                 {1, 4, 3}, {1, 5, 4}, {1, 2, 5}, {1, 3, 2}};
    for (const auto& f : faces) {
        for (int32_t k = 0; k < 3; ++k)
            s.triangles[3 * s.triangleCount + k] = f[k];
        ++s.triangleCount;
    }
    auto midpoint = [&s](int32_t a, int32_t b) {
        const Vec3 &p = s.vertices[a], &q = s.vertices[b];
        Vec3 m{(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2}, unit;
        NormalizeVec3(m, unit);
        return s.AddUniqueVertex(unit.x, unit.y, unit.z);
    };
    for (int32_t pass = 0; pass < 3; ++pass) {
        const int32_t existing = s.triangleCount;
        for (int32_t t = 0; t < existing; ++t) {
            int32_t* tri = s.triangles + 3 * t;
            const int32_t a = tri[0], b = tri[1], c = tri[2];
            const int32_t B = midpoint(a, b), C = midpoint(b, c), D = midpoint(c, a);
            tri[0] = B, tri[1] = C, tri[2] = D;
            const int32_t added[3][3] = {{a, B, D}, {B, b, C}, {C, c, D}};
            for (const auto& f : added) {
                for (int32_t k = 0; k < 3; ++k)
                    s.triangles[3 * s.triangleCount + k] = f[k];
                ++s.triangleCount;
            }
        }
    }
}

}  // namespace

int32_t UnitSphere::AddUniqueVertex(double x, double y, double z)
{
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (vertices[i].x == x && vertices[i].y == y && vertices[i].z == z)
            return i;
    }
    // The subdivision never needs more; the store must not overflow.
    if (vertexCount == kUnitSphereVertices)
        return kUnitSphereVertices - 1;
    vertices[vertexCount] = {x, y, z};
    return vertexCount++;
}

const UnitSphere& BuildUnitSphere()
{
    static UnitSphere sphere;
    static std::once_flag once;
    std::call_once(once, [] { Build(sphere); });
    return sphere;
}
