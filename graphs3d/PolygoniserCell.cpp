#include "graphs3d/PolygoniserCell.h"

#include "evaluation/CompiledFormula.h"
#include "graphs2d/CurveNumerics.h"

#include <cmath>

namespace {

// Offsets of the cell's points in cell sizes: corners 0-3 on the bottom
// face, 4-7 above them, 8 the centre.
constexpr double kPointOffset[PolygoniserCell::kPointCount][3] = {
    {0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}, {0.5, 0.5, 0.5},
};

// The twelve cube edges, a diagonal on each face (through point 0 or 6, so
// neighbouring cells carry the same diagonal on a common face) and the eight
// spokes to the centre.
constexpr uint8_t kEdgePoints[PolygoniserCell::kEdgeCount][2] = {
    {0, 1}, {0, 2}, {0, 3}, {1, 2}, {2, 3}, {0, 4}, {0, 7}, {3, 7}, {4, 7}, {0, 5}, {1, 5}, {4, 5}, {1, 6},
    {2, 6}, {5, 6}, {3, 6}, {6, 7}, {4, 6}, {0, 8}, {1, 8}, {2, 8}, {3, 8}, {4, 8}, {5, 8}, {6, 8}, {7, 8},
};

// Each tetrahedron's edges in the order ab, ac, bc, cd, bd, ad of its points
// a, b, c, d: the cut edges of a two-against-two split then go around the
// quadrilateral of the cut in this order.
constexpr uint8_t kTetrahedronEdges[PolygoniserCell::kTetrahedronCount][6] = {
    {1, 2, 4, 21, 20, 18},    {0, 1, 3, 20, 19, 18},    {2, 6, 7, 25, 21, 18},    {5, 6, 8, 25, 22, 18},
    {5, 9, 11, 23, 22, 18},   {0, 9, 10, 23, 19, 18},   {10, 12, 14, 24, 23, 19}, {3, 12, 13, 24, 20, 19},
    {4, 13, 15, 24, 21, 20},  {7, 15, 16, 24, 25, 21},  {11, 14, 17, 24, 22, 23}, {8, 16, 17, 24, 22, 25},
};

enum class Store : uint8_t { Layer, Row, Previous };

enum class When : uint8_t {
    KAbove0,
    JAbove0,
    JAbove0AndKIs0,
    IAbove0,
    IAbove0AndKIs0,
    IAbove0AndJIs0,
    KBelowLast,
    JBelowLast,
    IBelowLast,
    KIs0,
    JIs0,
    JIsLast,
    IIsLast,
};

bool Holds(When when, const PolygoniserCell& c)
{
    switch (when) {
    case When::KAbove0: return c.k > 0;
    case When::JAbove0: return c.j > 0;
    case When::JAbove0AndKIs0: return c.j > 0 && c.k == 0;
    case When::IAbove0: return c.i > 0;
    case When::IAbove0AndKIs0: return c.i > 0 && c.k == 0;
    case When::IAbove0AndJIs0: return c.i > 0 && c.j == 0;
    case When::KBelowLast: return c.k < c.m - 1;
    case When::JBelowLast: return c.j < c.n - 1;
    case When::IBelowLast: return c.i < c.n - 1;
    case When::KIs0: return c.k == 0;
    case When::JIs0: return c.j == 0;
    case When::JIsLast: return c.j == c.n - 1;
    case When::IIsLast: return c.i == c.n - 1;
    }
    return false;
}

// One edge slot passed between cells: the store record at (i + di, j + dj)
// (the row store by i + di alone), and its field.
struct SharedEdge {
    uint8_t edge;
    Store store;
    uint8_t di, dj;
    uint8_t field;
    When when;
};

// What a cell takes from the cells before it: below, before in y, before
// in x.
constexpr SharedEdge kTaken[] = {
    {0, Store::Layer, 0, 0, 0, When::KAbove0},
    {1, Store::Layer, 0, 0, 1, When::KAbove0},
    {2, Store::Layer, 0, 0, 2, When::KAbove0},
    {3, Store::Layer, 0, 1, 2, When::KAbove0},
    {4, Store::Layer, 1, 0, 0, When::KAbove0},
    {5, Store::Row, 0, 0, 0, When::JAbove0},
    {6, Store::Row, 0, 0, 1, When::JAbove0},
    {8, Store::Row, 0, 0, 2, When::JAbove0},
    {7, Store::Row, 1, 0, 0, When::JAbove0},
    {2, Store::Layer, 0, 0, 2, When::JAbove0AndKIs0},
    {9, Store::Previous, 0, 0, 0, When::IAbove0},
    {10, Store::Previous, 0, 0, 1, When::IAbove0},
    {11, Store::Previous, 0, 0, 2, When::IAbove0},
    {0, Store::Layer, 0, 0, 0, When::IAbove0AndKIs0},
    {5, Store::Row, 0, 0, 0, When::IAbove0AndJIs0},
};

// What a cell leaves for later ones, written in this order: at k = 0 the
// top face written first is overwritten by nothing later in the layer.
constexpr SharedEdge kLeft[] = {
    {11, Store::Layer, 0, 0, 0, When::KBelowLast},
    {17, Store::Layer, 0, 0, 1, When::KBelowLast},
    {8, Store::Layer, 0, 0, 2, When::KBelowLast},
    {10, Store::Row, 0, 0, 0, When::JBelowLast},
    {12, Store::Row, 0, 0, 1, When::JBelowLast},
    {14, Store::Row, 0, 0, 2, When::JBelowLast},
    {15, Store::Previous, 0, 0, 0, When::IBelowLast},
    {13, Store::Previous, 0, 0, 1, When::IBelowLast},
    {16, Store::Previous, 0, 0, 2, When::IBelowLast},
    {3, Store::Layer, 0, 1, 2, When::KIs0},
    {4, Store::Layer, 1, 0, 0, When::KIs0},
    {7, Store::Row, 1, 0, 0, When::JIs0},
    {14, Store::Layer, 0, 1, 2, When::JIsLast},
    {16, Store::Layer, 1, 0, 0, When::IIsLast},
    {13, Store::Row, 1, 0, 0, When::IIsLast},
};

int32_t& Slot(const SharedEdgeStores& stores, const SharedEdge& s, const PolygoniserCell& c)
{
    switch (s.store) {
    case Store::Layer: return stores.layer[(c.n + 1) * (c.i + s.di) + (c.j + s.dj)].field[s.field];
    case Store::Row: return stores.row[c.i + s.di].field[s.field];
    case Store::Previous: break;
    }
    return stores.previous->field[s.field];
}

// One end below zero and the other at or above it; NaN never cuts.
bool IsCut(double a, double b)
{
    return (a < 0 && b >= 0) || (b < 0 && a >= 0);
}

bool IsFiniteTriple(double x, double y, double z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

double EvaluateAt(CompiledFormula* f, double x, double y, double z)
{
    return f->EvaluateAtUVXYZW(0, 0, x, y, z, 0);
}

void StoreUnit(double x, double y, double z, float out[3])
{
    const double length = std::sqrt(x * x + y * y + z * z);
    const float n[3] = {static_cast<float>(x / length), static_cast<float>(y / length),
                        static_cast<float>(z / length)};
    if (!(length > 0) || !std::isfinite(n[0]) || !std::isfinite(n[1]) || !std::isfinite(n[2])) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    out[0] = n[0];
    out[1] = n[1];
    out[2] = n[2];
}

bool HasNormal(const MeshVertex& v)
{
    return v.normal[0] != 0 || v.normal[1] != 0 || v.normal[2] != 0;
}

} // namespace

SpacePoint PolygoniserCell::PointPosition(int32_t p) const
{
    return {originX + kPointOffset[p][0] * dx, originY + kPointOffset[p][1] * dy, originZ + kPointOffset[p][2] * dz};
}

int32_t PolygoniserCell::FindEdgeVertices(const SharedEdgeStores& stores, MeshVertexArray* vertices)
{
    bool known[kEdgeCount] = {};
    for (const SharedEdge& s : kTaken) {
        if (Holds(s.when, *this)) {
            slots[s.edge] = Slot(stores, s, *this);
            known[s.edge] = true;
        }
    }
    for (int32_t e = 0; e < kEdgeCount; ++e) {
        if (known[e])
            continue;
        slots[e] = 0;
        if (!IsCut(values[kEdgePoints[e][0]], values[kEdgePoints[e][1]]))
            continue;
        MeshVertex vertex;
        if (!EdgeVertex(e, &vertex))
            continue;
        if (vertices->Push(vertex) != 0)
            return 1;
        slots[e] = vertices->count;
    }
    return 0;
}

void PolygoniserCell::StoreSharedEdges(const SharedEdgeStores& stores) const
{
    for (const SharedEdge& s : kLeft) {
        if (Holds(s.when, *this))
            Slot(stores, s, *this) = slots[s.edge];
    }
}

bool PolygoniserCell::EdgeVertex(int32_t e, MeshVertex* vertex)
{
    const SpacePoint a = PointPosition(kEdgePoints[e][0]);
    const SpacePoint b = PointPosition(kEdgePoints[e][1]);
    SpacePoint p;
    if (!FindRootOnSegment(f, 0, 0.01, values[kEdgePoints[e][0]], values[kEdgePoints[e][1]],
                           {a.x, b.x, a.y, b.y, a.z, b.z}, &p))
        return false;
    if (!IsFiniteTriple(p.x, p.y, p.z))
        return false;
    if (condition && EvaluateAt(condition, p.x, p.y, p.z) != 1)
        return false;
    double g[3];
    if (fx && fy && fz) {
        g[0] = EvaluateAt(fx, p.x, p.y, p.z);
        g[1] = EvaluateAt(fy, p.x, p.y, p.z);
        g[2] = EvaluateAt(fz, p.x, p.y, p.z);
    } else {
        // Forward differences scaled by each axis' step, so that cells
        // longer on one axis do not tilt the normal.
        const double here = EvaluateAt(f, p.x, p.y, p.z);
        const double h[3] = {0.1 * dx, 0.1 * dy, 0.1 * dz};
        g[0] = (EvaluateAt(f, p.x + h[0], p.y, p.z) - here) / h[0];
        g[1] = (EvaluateAt(f, p.x, p.y + h[1], p.z) - here) / h[1];
        g[2] = (EvaluateAt(f, p.x, p.y, p.z + h[2]) - here) / h[2];
    }
    float normal[3];
    StoreUnit(g[0], g[1], g[2], normal);
    if (normal[0] == 0 && normal[1] == 0 && normal[2] == 0)
        normalsOk = 0;
    *vertex = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z),
               normal[0],               normal[1],               normal[2]};
    return true;
}

int32_t PolygoniserCell::EmitTriangles(MeshTriangleArray* triangles, MeshVertexArray* vertices) const
{
    for (const auto& edges : kTetrahedronEdges) {
        int32_t cut[6];
        int32_t count = 0;
        for (uint8_t e : edges) {
            if (slots[e] > 0)
                cut[count++] = slots[e] - 1;
        }
        if (count < 3)
            continue;
        const MeshTriangle fan[2] = {{{cut[0], cut[1], cut[2]}}, {{cut[0], cut[2], cut[3]}}};
        for (int32_t t = 0; t < (count >= 4 ? 2 : 1); ++t) {
            MeshTriangle triangle = fan[t];
            if (!normalsOk)
                FillMissingNormals(vertices, triangle);
            if (IsWoundAgainstNormal(*vertices->At(triangle.v[0]), *vertices->At(triangle.v[1]),
                                     *vertices->At(triangle.v[2]))) {
                const int32_t second = triangle.v[1];
                triangle.v[1] = triangle.v[2];
                triangle.v[2] = second;
            }
            if (triangles->Push(triangle) != 0)
                return 1;
        }
    }
    return 0;
}

void FaceNormal(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c, float normal[3])
{
    const double u[3] = {double(b.position[0]) - a.position[0], double(b.position[1]) - a.position[1],
                         double(b.position[2]) - a.position[2]};
    const double v[3] = {double(c.position[0]) - a.position[0], double(c.position[1]) - a.position[1],
                         double(c.position[2]) - a.position[2]};
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const MeshVertex* reference = HasNormal(a) ? &a : HasNormal(b) ? &b : HasNormal(c) ? &c : nullptr;
    const double r[3] = {reference ? reference->normal[0] : a.position[0],
                         reference ? reference->normal[1] : a.position[1],
                         reference ? reference->normal[2] : a.position[2]};
    if (n[0] * r[0] + n[1] * r[1] + n[2] * r[2] < 0) {
        n[0] = -n[0];
        n[1] = -n[1];
        n[2] = -n[2];
    }
    StoreUnit(n[0], n[1], n[2], normal);
}

void FillMissingNormals(MeshVertexArray* vertices, const MeshTriangle& triangle)
{
    MeshVertex* v[3] = {vertices->At(triangle.v[0]), vertices->At(triangle.v[1]), vertices->At(triangle.v[2])};
    for (MeshVertex* vertex : v) {
        if (HasNormal(*vertex))
            continue;
        float normal[3];
        FaceNormal(*v[0], *v[1], *v[2], normal);
        vertex->normal[0] = normal[0];
        vertex->normal[1] = normal[1];
        vertex->normal[2] = normal[2];
    }
}

bool IsWoundAgainstNormal(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c)
{
    const double u[3] = {double(b.position[0]) - a.position[0], double(b.position[1]) - a.position[1],
                         double(b.position[2]) - a.position[2]};
    const double v[3] = {double(c.position[0]) - a.position[0], double(c.position[1]) - a.position[1],
                         double(c.position[2]) - a.position[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    return n[0] * a.normal[0] + n[1] * a.normal[1] + n[2] * a.normal[2] < 0;
}
