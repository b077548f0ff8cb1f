// The records of a welded triangle mesh as the implicit-surface polygoniser
// writes them and the mesh buffer loads them: block arrays that never move
// a record once written, so a mesh can be copied or drawn block by block
// while it grows.
#pragma once

#include "CoreUtilities/ChunkedArray.h"

#include <cstdint>

// 24 bytes: position, then unit normal ((0, 0, 0) when there is none).
struct MeshVertex {
    float position[3];
    float normal[3];
};
static_assert(sizeof(MeshVertex) == 24);

// 12 bytes: indices into the vertex array of the same mesh.
struct MeshTriangle {
    int32_t v[3];
};
static_assert(sizeof(MeshTriangle) == 12);

using MeshVertexArray = ChunkedArray<MeshVertex, kMeshBlockLength>;
using MeshTriangleArray = ChunkedArray<MeshTriangle, kMeshBlockLength>;
