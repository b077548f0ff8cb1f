// The mesh of an implicit surface mapped vertex by vertex through three
// coordinate formulas X(x, y, z), Y, Z into another view. The source
// polygonises in the equation's own coordinates; this graph maps its
// published mesh in one job that waits until the source is complete and holds
// the source's results lock while it reads, then publishes its own arrays,
// which the view loads after the source's (option 6).
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/Mutex.h"
#include "graphs3d/A3DGraph.h"
#include "rendering/MeshBuffer.h"

#include <atomic>
#include <cstdint>

class AnImplicitSurface;
class ViewRenderContext;
struct CompiledFormula;

// The three coordinates are numbers.
bool IsFiniteVertex(const float* p);
// ((B - A) x (C - A)) . normal < 0: the triangle turns against the normal.
bool IsWoundAgainstVertexNormal(const float* a, const float* b, const float* c, const float* normal);

class ATransformedImplicitSurface : public A3DGraph {
public:
    // Takes over X, Y and Z; the source stays its owner's and must outlive
    // this graph. Starts.
    ATransformedImplicitSurface(CompiledFormula* X, CompiledFormula* Y, CompiledFormula* Z, AnImplicitSurface* source,
                                ViewRenderContext* renderContext);
    ~ATransformedImplicitSurface() override;
    ATransformedImplicitSurface(const ATransformedImplicitSurface&) = delete;
    ATransformedImplicitSurface& operator=(const ATransformedImplicitSurface&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override { return extent; }

    void Start();
    void Stop();

    // The published mapping, for tests: read while the graph is complete.
    int32_t VertexCount() const { return publishedVertexCount; }
    int32_t TriangleCount() const { return publishedTriangleCount; }
    const float* Positions() const { return publishedPositions; }
    const float* Normals() const { return publishedNormals; }
    const int32_t* Triangles() const { return publishedTriangles; }
    bool SourceChanged() const { return sourceChanged.load() != 0; }

private:
    void FreeWork();
    void FreePublished();
    void PublishMapping();
    bool BoxChanged() const;

    CompiledFormula* X;
    CompiledFormula* Y;
    CompiledFormula* Z;
    AnImplicitSurface* source;
    ViewRenderContext* renderContext;
    double extent = 0;
    float* workPositions = nullptr;
    float* workNormals = nullptr;
    int32_t* workTriangles = nullptr;
    int32_t workVertexCount = 0, workTriangleCount = 0;
    float* publishedPositions = nullptr;
    float* publishedNormals = nullptr;
    int32_t* publishedTriangles = nullptr;
    int32_t publishedVertexCount = 0, publishedTriangleCount = 0;
    uint8_t meshPending = 0;
    Mutex resultsMutex;
    MeshBuffer mesh;
    double box[6] = {};
    std::atomic<uint8_t> sourceChanged{0};
    std::atomic<uint8_t> done{0};
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
