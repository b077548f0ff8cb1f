// A surface of the 4D view: four formulas x(u, v), y(u, v), z(u, v),
// w(u, v) on the view's x, y, u and v axes, sampled on the N x N grid of the
// 3D grid surface. One job computes every grid point once, normalised into
// the view's box as it was when the job started, with the eight partials
// by u and v (scaled to normalised units, so that a box of unequal sides
// still lights the surface rightly). Every frame the user-interface thread
// projects the points and tangents through the view's projection and builds
// normals and triangles afresh: the surface follows the 4D rotation without
// recomputing. Colours are computed on the processor and drawn from client
// arrays.
//
// The worker writes the grid arrays and then sets complete; the frame reads
// them only while complete is set, and every change of formulas, colour or
// buffers first stops the job and waits for it, so no lock guards them.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "graphs3d/A4DGraph.h"
#include "graphs3d/Projection4D.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;
struct GridProgramSet;

class AGridSurface4D : public A4DGraph {
public:
    // Takes over the four formulas (of u and v), the colour and the
    // condition (may be null); the parameter bounds, the context and the
    // projection stay the view's. Starts computing at once.
    AGridSurface4D(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* w, double resolution,
                   double opacity, AGraphColor* color, CompiledFormula* condition, const double* uMin,
                   const double* uMax, const double* vMin, const double* vMax, ViewRenderContext* context,
                   const Projection4D* projection);
    ~AGridSurface4D() override;
    AGridSurface4D(const AGridSurface4D&) = delete;
    AGridSurface4D& operator=(const AGridSurface4D&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return complete.load(std::memory_order_acquire) != 0; }
    // 11 once complete with no point defined.
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    // 8 colour code, 9 opacity, 10 resolution; the others change nothing.
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    // The largest norm of a defined normalised point; 0 while computing.
    double GetExtent() override;

    // Raises the stop request and returns once no worker touches the
    // buffers.
    void Stop();

    // For the tests: read only while the surface is stopped or complete
    // (positions, normals and triangles after a Draw).
    int32_t GridSize() const { return n; }
    int32_t Copies() const { return copies; }
    bool HasDerivatives() const { return hasDerivatives; }
    const double* Points() const { return points; }
    const float* Partials() const { return partials; }
    const uint8_t* Defined() const { return defined; }
    const float* Positions() const { return positions; }
    const float* Normals() const { return normals; }
    const float* Colors() const { return colors; }
    int32_t TriangleCount() const { return triangleCount; }
    const int32_t* Triangles() const { return triangles; }
    const Box4D& BoxInUse() const { return box; }

private:
    void PrepareFormulas();
    void FreeDerivatives();
    void FormulaList(CompiledFormula* (&list)[13]) const;
    void Start();
    bool HasBuffers() const;
    void ResetBuffers();
    void AllocateBuffers();
    void FreeBuffers();
    // Point g's values: the four coordinates, then the eight partials.
    void StorePoint(int32_t iu, int32_t iv, const double* values, double u, double v);
    void ProjectVertices();
    // Stops, rebuilds the buffers for the colour and computes again.
    void RecomputeForColor(double code);

    CompiledFormula* x;
    CompiledFormula* y;
    CompiledFormula* z;
    CompiledFormula* w;
    // By u: x, y, z, w; then by v.
    CompiledFormula* derivatives[8] = {};
    CompiledFormula* condition;
    AGraphColor* color;
    double opacity;
    const double* uMin;
    const double* uMax;
    const double* vMin;
    const double* vMax;
    ViewRenderContext* context;
    const Projection4D* projection;

    // Per grid point: nx, ny, nz, nw.
    double* points = nullptr;
    // Per grid point: the partials by u, then by v, in normalised units.
    float* partials = nullptr;
    uint8_t* defined = nullptr;
    float* positions = nullptr;
    float* normals = nullptr;
    float* colors = nullptr;
    float* texCoords = nullptr;
    int32_t* triangles = nullptr;
    int32_t triangleCount = 0;

    int32_t n;
    // Vertices per grid point: 2 for the two-colour patterns, else 1.
    int32_t copies = 1;
    bool hasDerivatives = false;
    std::atomic<uint8_t> complete{0};
    // Written by the worker before complete is set.
    double maxSquaredRadius = 0;
    // The view's box when the computation started.
    Box4D box{};
    GridProgramSet* gridPrograms = nullptr;
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
