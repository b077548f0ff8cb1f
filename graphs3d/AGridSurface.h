// A surface given by three formulas x(u, v), y(u, v), z(u, v), sampled on
// an N x N grid over a rectangle of (u, v) whose bounds the view owns, and
// drawn as a lit triangle mesh. The whole grid is one job on the worker
// pool; the interface thread loads the finished arrays into the mesh
// (option 5) and draws only that copy, so no lock guards the arrays: every
// change of formulas, colour or buffers first stops the job and waits.
//
// Points where a coordinate is not finite, or where the condition is not
// exactly true, are holes that no triangle uses. A linear condition in an
// OpenGL view is drawn as a clip plane instead of being tested per point.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "graphs3d/A3DGraph.h"
#include "graphs3d/MeshPendingFlag.h"
#include "rendering/MeshBuffer.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;
struct GridProgramSet;

// Grid points per side for a line's resolution: trunc(74 r + 5).
int32_t GridSurfaceSize(double resolution);

// The triangles of the quad whose corners are (a, b), (a, b + 1), (a + 1, b)
// and (a + 1, b + 1) on an n x n grid (flat index iu n + iv), as grid
// indices into out (room for 6); answers how many triangles (0, 1 or 2).
// A quad with fewer than three defined corners has none; with three, the
// one triangle that leaves the missing corner out.
int32_t QuadTriangles(const uint8_t* defined, int32_t n, int32_t a, int32_t b, int32_t* out);

// Normals from neighbouring positions for every defined point whose normal
// is still (0, 0, 0): the cross product of the steps to the next column and
// the next row (the previous ones on the last, with the sign turned so the
// orientation stays that of u tangent x v tangent); where the neighbours
// coincide with the point the diagonal neighbour stands in. copies vertices
// per point share position and normal.
void ComputeNeighbourNormals(const float* positions, float* normals, const uint8_t* defined, int32_t n, int32_t copies);

// Grid point (iu, iv) of an n x n grid whose points have copies vertices
// each (flat index iu n + iv).
struct GridPoint {
    int32_t iu, iv, n, copies;
};

// The colour of a grid point by the colour's kind, into its vertices' colours
// (or its texture coordinates for a picture): hue gradients by row or
// column, formula colours at (u, v, x, y, z, w), the two copies of the
// patterns, nothing for the other kinds.
void StoreGridPointColor(const AGraphColor* color, float* colors, float* texCoords, const GridPoint& p, double u,
                         double v, double x, double y, double z, double w);
// Every quad's triangles (QuadTriangles) as vertex indices into triangles
// (room for (2n - 2)(n - 1) triangles): grid indices for solid, picture,
// GPU and per-point colours, the pattern copies of each corner for the
// two-colour patterns, none for other kinds. Answers how many.
int32_t BuildGridTriangles(const AGraphColor* color, const uint8_t* defined, int32_t n, int32_t copies,
                           int32_t* triangles);

class AGridSurface : public A3DGraph {
public:
    // Takes over the formulas (of u and v), the colour and the condition
    // (may be null); the bounds stay the view's and are read afresh at
    // every computation. Starts computing at once.
    AGridSurface(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, double resolution, double opacity,
                 AGraphColor* color, CompiledFormula* condition, int32_t mode, const double* uMin,
                 const double* uMax, const double* vMin, const double* vMax, ViewRenderContext* context);
    ~AGridSurface() override;
    AGridSurface(const AGridSurface&) = delete;
    AGridSurface& operator=(const AGridSurface&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return complete.load(std::memory_order_acquire) != 0; }
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override { return extent; }
    bool UsesGPUColorProgram() override;
    bool UsesHSVColorProgram() override;

    // Raises the stop request and returns once no worker touches the
    // buffers.
    void Stop();

    // What the last computation left, for the tests: read only while the
    // surface is stopped or complete.
    int32_t GridSize() const { return n; }
    int32_t Copies() const { return copies; }
    int32_t TriangleCount() const { return triangleCount; }
    const int32_t* Triangles() const { return triangles; }
    const float* Positions() const { return positions; }
    const float* Normals() const { return normals; }
    const float* Colors() const { return colors; }
    const uint8_t* Defined() const { return defined; }
    bool HasDerivatives() const { return hasDerivatives; }
    bool ClipPlaneActive() const { return clipPlaneActive; }
    const double* ClipPlane() const { return clipPlane; }
    const MeshBuffer& Mesh() const { return mesh; }

private:
    void PrepareFormulas();
    void FreeDerivatives();
    void UpdateClipPlane();
    void Start();
    bool HasBuffers() const;
    void ResetBuffers();
    void AllocateBuffers();
    void FreeBuffers();
    void StoreGridPoint(int32_t iu, int32_t iv, double x, double y, double z, double u0, double v0, double du,
                        double dv);
    void StoreAnalyticNormal(int32_t g, const double* p);
    void BuildTriangles();
    void ComputeExtent();
    bool ConditionPerPoint() const;
    // The ten formulas in the order the stop, resume and invalidate
    // helpers take them.
    void FormulaList(CompiledFormula* (&list)[13]) const;
    bool GeometryDependsOn(uint32_t code) const;

    CompiledFormula* x;
    CompiledFormula* y;
    CompiledFormula* z;
    // dx/du, dy/du, dz/du, dx/dv, dy/dv, dz/dv while symbolic normals are
    // in use.
    CompiledFormula* partials[6] = {};
    CompiledFormula* condition;
    AGraphColor* color;
    double opacity;
    const double* uMin;
    const double* uMax;
    const double* vMin;
    const double* vMax;
    ViewRenderContext* context;

    float* positions = nullptr;
    float* normals = nullptr;
    float* colors = nullptr;
    float* texCoords = nullptr;
    int32_t* triangles = nullptr;
    uint8_t* defined = nullptr;
    MeshBuffer mesh;

    int32_t n;
    // Vertices per grid point: 2 for the two-colour patterns, else 1. Set
    // when the buffers are allocated.
    int32_t copies = 1;
    int32_t triangleCount = 0;
    bool hasDerivatives = false;
    bool analyticNormalsValid = true;
    std::atomic<uint8_t> complete{0};
    MeshPendingFlag meshPending;
    int32_t mode;
    double extent = 0;
    bool clipPlaneActive = false;
    double clipPlane[4] = {0, 0, 0, -1};
    GridProgramSet* gridPrograms = nullptr;
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
