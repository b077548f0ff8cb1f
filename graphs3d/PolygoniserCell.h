// One cubic cell of the implicit-surface polygoniser: twelve tetrahedra
// around the centre, a vertex on every cut tetrahedron edge, one or two
// triangles per cut tetrahedron. Vertices on edges that neighbouring cells
// share are taken from, and left in, the polygoniser's three edge stores,
// so the mesh of a slab is welded as it is made.
#pragma once

#include "CoreUtilities/MeshRecords.h"

#include <cstdint>

struct CompiledFormula;
struct SpacePoint;

// The vertex slots of three edges that a later cell takes over.
struct SharedEdgeSlots {
    int32_t field[3];
};

// Where the polygoniser keeps the shared slots between cells: the layer
// store, (n + 1) x (n + 1) records at (n + 1) i + j; the row store, n + 1
// records at i; and the record of the previous cell in x.
struct SharedEdgeStores {
    SharedEdgeSlots* layer;
    SharedEdgeSlots* row;
    SharedEdgeSlots* previous;
};

struct PolygoniserCell {
    static constexpr int32_t kPointCount = 9;
    static constexpr int32_t kEdgeCount = 26;
    static constexpr int32_t kTetrahedronCount = 12;

    // F at the eight corners and the centre, in the point order of the cell.
    double values[kPointCount];
    // Vertex index + 1 per edge, 0 for none.
    int32_t slots[kEdgeCount];
    double originX, originY, originZ;
    double dx, dy, dz;
    int32_t i, j, k, n, m;
    CompiledFormula* f;
    CompiledFormula* fx;
    CompiledFormula* fy;
    CompiledFormula* fz;
    CompiledFormula* condition;
    // 0 once a vertex of this cell got no normal: its triangles then fill
    // the missing normals from their faces.
    uint8_t normalsOk;

    // Point p of the cell: the origin plus its offset in cell sizes.
    SpacePoint PointPosition(int32_t p) const;
    // The slots shared with earlier cells, then a vertex on every other cut
    // edge. 1 when a vertex block was refused, else 0.
    int32_t FindEdgeVertices(const SharedEdgeStores& stores, MeshVertexArray* vertices);
    // Leaves the slots that later cells share in the stores.
    void StoreSharedEdges(const SharedEdgeStores& stores) const;
    // The crossing of F = 0 on edge e with its normal; false where there is
    // none (an undefined probe, a failed condition, a crossing off to
    // infinity).
    bool EdgeVertex(int32_t e, MeshVertex* vertex);
    // One or two triangles per cut tetrahedron, each facing the way F
    // increases. 1 when a triangle block was refused, else 0.
    int32_t EmitTriangles(MeshTriangleArray* triangles, MeshVertexArray* vertices) const;
};

// The unit normal of the face (a, b, c), turned to agree with the normal of
// a, else b, else c, else a's position; (0, 0, 0) when it cannot be formed.
void FaceNormal(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c, float normal[3]);
// Gives every vertex of the triangle without a normal the face normal.
void FillMissingNormals(MeshVertexArray* vertices, const MeshTriangle& triangle);
// The triangle's winding points against the normal of its first vertex.
bool IsWoundAgainstNormal(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c);
