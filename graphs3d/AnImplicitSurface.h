// The 3D graph of F(x, y, z) = 0 inside the view's box. The box is cut into
// C x C x C cells and split along z into one slab per part; each part
// polygonises its slab on the worker pool in time slices, leaving a progress
// snapshot after each, and the last part to finish publishes every slab at
// once. The view then loads the publication (option 6) on the user-interface
// thread. Runs of layers over which interval arithmetic shows F keeps one
// sign are not visited at all.
#pragma once

#include "CoreUtilities/Condition.h"
#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/MeshRecords.h"
#include "CoreUtilities/Mutex.h"
#include "graphs3d/A3DGraph.h"
#include "rendering/MeshBuffer.h"

#include <atomic>
#include <cstdint>
#include <memory>

class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;
struct GridProgramSet;

// Cells per axis for a resolution: trunc(36 r + 4), at least 1.
int32_t ImplicitCellCount(double resolution);
// Parts a surface splits into: 1 on one processor, else twice the
// processor count.
int32_t GetImplicitPartCount();
// The cell layers [first, end) of part p of P over C layers, in slabs of
// ceil(C / P) layers; empty (first == end) past the last layer.
void ImplicitPartLayers(int32_t C, int32_t P, int32_t p, int32_t& first, int32_t& end);
// False only when the interval shows that 0 lies outside F's range: a NaN
// bound or an exterior interval may hold a sign change.
bool IntervalMayChangeSign(double lo, double hi);

class AnImplicitSurface : public A3DGraph {
public:
    // Takes over f, colour and condition (may be null); reads the box
    // bounds through the pointers at every computation. Starts computing.
    AnImplicitSurface(CompiledFormula* f, double resolution, double opacity, AGraphColor* color,
                      CompiledFormula* condition, int32_t mode, const double* xMin, const double* xMax,
                      const double* yMin, const double* yMax, const double* zMin, const double* zMax,
                      ViewRenderContext* renderContext);
    ~AnImplicitSurface() override;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override;
    bool UsesGPUColorProgram() override;
    bool UsesHSVColorProgram() override;

    void Start();
    void Stop();
    int32_t CellCount() const;
    int32_t PartCount() const { return partCount; }
    int64_t CountPublishedTriangles() const;
    int64_t CountPublishedVertices() const;
    // The published slabs (part order) and the colours loaded with them.
    const MeshVertexArray& PublishedVertices(int32_t part) const { return publishedVertices[part]; }
    const MeshTriangleArray& PublishedTriangles(int32_t part) const { return publishedTriangles[part]; }
    const float* CombinedColors() const { return combinedColors; }
    const MeshBuffer& Mesh() const { return mesh; }
    bool IsUploadHeld();
    bool IsMeshPending();
    bool IsColorPending();
    bool IsClipPlaneActive() const { return clipPlaneActive != 0; }
    // Every part finished the current run (publication may still wait).
    bool AllPartsDone() const;
    // Geometry passes of the last full run: how many cells the slabs hold
    // and how many of them the interval tests let the polygoniser skip.
    int64_t CellsInSlabs() const { return cellsTotal.load(); }
    int64_t CellsSkipped() const { return cellsSkipped.load(); }
    // Runs of the geometry and of the colour pass since construction.
    int32_t GeometryPasses() const { return geometryPasses.load(); }
    int32_t ColorPasses() const { return colorPasses.load(); }
    // For a graph that maps the publication into another view: the lock it
    // is published under, whether the surface is being stopped (for a
    // restart), its box (x, y, z minimum, then maximum), colour and opacity,
    // and whether F or the condition uses a variable.
    Mutex& ResultsMutex() { return resultsMutex; }
    bool IsStopping() const { return stopRequested.load(std::memory_order_relaxed) != 0; }
    void GetBox(double (&box)[6]) const;
    AGraphColor* Color() const { return color; }
    double Opacity() const { return opacity; }
    bool SurfaceFormulasUse(uint32_t code) const;

private:
    void PrepareFormulas();
    void UpdateClipPlane();
    void ReleaseUploadHold();
    void Publish();
    void BuildColorArray();
    void FreePublished();
    void FreePublishedColors();
    void FreeWork(int32_t part);
    void FreeSnapshot(int32_t part);
    // Geometry of one part into its work arrays: 3 done, 4 stopped, 5
    // refused memory.
    int32_t ComputeGeometry(int32_t part);
    int32_t ComputeColors(int32_t part);
    void StoreSnapshot(int32_t part);
    void GatherSnapshots();
    bool DrawMesh();
    bool IsFormulaColor() const;
    bool HoldsGPUProgram() const;
    bool FormulaDependsOn(CompiledFormula* formula, uint32_t code) const;

    CompiledFormula* f;
    CompiledFormula* fx = nullptr;
    CompiledFormula* fy = nullptr;
    CompiledFormula* fz = nullptr;
    CompiledFormula* condition;
    // One linking of F serves both grids: the corner and the centre grid
    // differ only in where they start.
    GridProgramSet* cornerPrograms = nullptr;
    GridProgramSet* centrePrograms = nullptr;
    std::atomic<double> resolution;
    AGraphColor* color;
    ViewRenderContext* renderContext;
    MeshBuffer mesh;
    float* combinedColors = nullptr;
    double opacity;
    const double* xMin;
    const double* xMax;
    const double* yMin;
    const double* yMax;
    const double* zMin;
    const double* zMax;
    std::atomic<uint8_t> geometryChanged{1};
    std::atomic<uint8_t> colorsChanged{1};
    uint8_t meshPending = 0;
    uint8_t colorPending = 0;
    int32_t mode;
    uint8_t clipPlaneActive = 0;
    std::atomic<uint8_t> noSignChangeAnywhere{0};
    std::atomic<uint8_t> noSignChangeInBox{0};
    double clipPlane[4] = {0, 0, 0, -1};
    uint8_t snapshotChanged = 0;
    int32_t partCount;
    std::atomic<uint8_t> stopRequested{0};
    std::unique_ptr<MeshVertexArray[]> workVertices;
    std::unique_ptr<MeshTriangleArray[]> workTriangles;
    std::unique_ptr<float*[]> workColors;
    std::unique_ptr<MeshVertexArray[]> publishedVertices;
    std::unique_ptr<MeshTriangleArray[]> publishedTriangles;
    std::unique_ptr<float*[]> publishedColors;
    std::atomic<uint8_t> published{0};
    Mutex resultsMutex, doneMutex, snapshotMutex, uploadMutex;
    // The upload hold: taken by the publishing worker, given back on the
    // user-interface thread after loading or by Stop; a flag, since a
    // mutex may not be unlocked by a thread that did not lock it.
    bool uploadHold = false;
    Condition uploadFree;
    std::unique_ptr<MeshVertexArray[]> snapshotVertices;
    std::unique_ptr<MeshTriangleArray[]> snapshotTriangles;
    std::unique_ptr<uint8_t[]> snapshotStored;
    GraphJob* jobs = nullptr;
    std::unique_ptr<std::atomic<uint8_t>[]> done;
    std::unique_ptr<std::atomic<uint8_t>[]> computed;
    std::atomic<int64_t> cellsTotal{0}, cellsSkipped{0};
    std::atomic<int32_t> geometryPasses{0}, colorPasses{0};
};
