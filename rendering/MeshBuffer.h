// The geometry one 3D graph (or one part of it) hands to its view's render
// context: a triangle mesh with normals, line segments, or points with
// optional labels and sizes. It lives in client memory or, where the
// context allows, in buffer objects, and follows the context when that
// changes back-end or child window: each draw first brings the data to
// where the context can use it. Buffer names are chosen here, not by
// OpenGL. User-interface thread only.
#pragma once

#include "CoreUtilities/MeshRecords.h"

#include <cstdint>

class GLFunctions;
class ViewRenderContext;
struct GLWindow;

using PointLabel = const char16_t*;

// Line and point indices are 16 bits wide.
constexpr uint32_t kMaxIndexedVertices = 65536;

enum MeshState : int32_t { MeshEmpty = 0, MeshClientArrays = 1, MeshBufferObjects = 2 };

class MeshBuffer {
public:
    MeshBuffer() = default;
    ~MeshBuffer();
    MeshBuffer(const MeshBuffer&) = delete;
    MeshBuffer& operator=(const MeshBuffer&) = delete;

    // Each load empties the mesh first and ends in client arrays or buffer
    // objects, or empty when memory was refused (failure 36 posted).
    // Colours are r, g, b in 0..1 per vertex; a mesh has colours or
    // texture coordinates, not both.
    void SetTriangles(const float* positions, const float* normals, const float* colors, const float* texCoords,
                      const int32_t* triangles, uint32_t vertexCount, int32_t triangleCount,
                      bool usesGPUColorProgram, ViewRenderContext* ctx);
    // The slabs' triangles index their own slab's vertices.
    void SetTrianglesFromChunks(int32_t slabCount, const MeshVertexArray* vertices,
                                const MeshTriangleArray* triangles, const float* colors, bool usesGPUColorProgram,
                                ViewRenderContext* ctx);
    // Line and point meshes of more than kMaxIndexedVertices vertices stay
    // empty: their indices could not reach every vertex.
    void SetLines(const float* positions, const uint16_t* pairs, const float* colors, uint32_t vertexCount,
                  int32_t lineCount, ViewRenderContext* ctx);
    // Labels and sizes are kept only in client arrays (the software path
    // draws them); the label texts stay the caller's.
    void SetPoints(const float* positions, const float* colors, const PointLabel* labels,
                   const PointLabel* secondLabels, const float* sizes, uint32_t count, ViewRenderContext* ctx);

    // Replace the colours (null: none) or the texture coordinates; each
    // drops the other.
    void SetColors(const float* colors);
    void SetTexCoords(const float* texCoords);
    // Client arrays only.
    void SetPointLabels(const PointLabel* labels);
    void SetSecondPointLabels(const PointLabel* labels);
    void SetPointSizes(const float* sizes);

    void Draw();
    // Moves the data to where the context uses it now.
    void Sync();
    void Clear();

    ViewRenderContext* context = nullptr;
    int32_t state = MeshEmpty;
    int32_t triangleCount = 0;
    int32_t lineCount = 0;
    uint32_t vertexCount = 0;
    GLWindow* bufferWindow = nullptr;
    uint32_t vertexBufferName = 0;
    uint32_t elementBufferName = 0;
    uint8_t bufferHasColors = 0;
    uint8_t bufferHasTexCoords = 0;
    uint8_t interleaved = 0;
    uint8_t triangleMesh = 0;
    // Bytes per vertex the vertex buffer holds after positions and normals
    // (12 colours, 8 texture coordinates, 0 neither): what an update in
    // place may write.
    uint8_t reservedTail = 0;

    float* positions = nullptr;
    float* normals = nullptr;
    float* colors = nullptr;
    PointLabel* pointLabels = nullptr;
    PointLabel* secondPointLabels = nullptr;
    float* pointSizes = nullptr;
    int32_t* triangles = nullptr;
    uint16_t* lines = nullptr;
    float* texCoords = nullptr;
    uint16_t* pointIndices = nullptr;

    // A buffer name: the last one released, else the counter's next (the
    // first is 10001). Names are never deleted, only emptied and released.
    static uint32_t NewBufferName();
    static void ReleaseBufferName(uint32_t name);

    // Moves every mesh whose buffers live in the window's rendering context
    // into client arrays, before that context goes.
    static void EvacuateWindow(GLWindow* window);

private:
    void CreateVertexVBO(const float* pos, const float* nrm, const float* rgb, const float* uv);
    void CreateTriangleVBO(const float* pos, const float* nrm, const float* rgb, const float* uv,
                           const int32_t* tris);
    void CreateLineVBO(const float* pos, const float* rgb, const uint16_t* pairs);
    void CreatePointVBO(const float* pos, const float* rgb);
    void CreateElementVBO(const void* indices, intptr_t bytes);
    void DeleteVBOs();
    // False (failure 36 posted, nothing kept) when memory is refused.
    bool AllocClientArrays();
    void FreeClientArrays();
    void MoveToVBO();
    void MoveToClientArrays();
    void BindVBOArrays();
    void SetClientArrays();
    void DisableArrays();
    bool ChooseBufferObjects(bool usesGPUColorProgram) const;
    void BecomeBufferObjects();
    // Colours (3 components) or texture coordinates (2) after the normals.
    void SetVertexTail(const float* data, int components);
    GLFunctions* BufferGL() const;
    intptr_t TailOffset() const;
};

// Writes into the buffer bound to target through mapped memory; where the
// driver cannot map, with a plain sub-data write. False when the driver lost
// the store.
bool WriteBufferRange(GLFunctions& gl, uint32_t target, intptr_t offset, intptr_t size, const void* data);
// Binds no buffer to either target.
void UnbindBuffers(GLFunctions& gl);
