// A sequence of 3D points drawn as a tube (rings of vertices around the
// points, joined by triangles) or, without radii, as a polyline. Points that
// are not finite break the curve into pieces. The curve computes nothing on
// the worker pool itself: its owner (a space curve, a flow, an arrow) fills
// the points, calls BuildTube, often from its own part on a worker, and
// forwards SetOption, Draw and GetExtent to it on the user-interface thread.
//
// Radii are in the view's normalised units (the box spans 4 on every axis),
// so a tube looks round whatever the box's proportions.
#pragma once

#include "graphs3d/A3DGraph.h"
#include "graphs3d/MeshPendingFlag.h"
#include "rendering/MeshBuffer.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class ViewRenderContext;

// Sides of a ring for a line's resolution: trunc(4 r + 8), 8 at 0 and 12 at
// 1 (a resolution outside [0, 1] is limited to it, NaN counts as 0.5).
int32_t TubeRingSides(double resolution);

class ACurve3D : public A3DGraph {
public:
    // points: n float triples, radii: n doubles or null for a polyline,
    // pointColors: n float triples or null; all three stay the caller's and
    // are read by each build. The colour stays the caller's too. Straight
    // makes every ring perpendicular to the chord from the first to the
    // last point (arrows). Nothing is built yet.
    ACurve3D(int32_t n, const float* points, const double* radii, const float* pointColors, AGraphColor* color,
             double resolution, double opacity, bool straight, ViewRenderContext* context);
    ~ACurve3D() override;
    ACurve3D(const ACurve3D&) = delete;
    ACurve3D& operator=(const ACurve3D&) = delete;

    // Builds the geometry from the caller's arrays once; nothing when it is
    // built already (Restart first to build again) or the arrays are
    // missing. Any thread, while nothing else touches the curve.
    void BuildTube();

    int32_t ComputeChunk(int32_t) override { return 3; }
    bool IsComplete() override { return built.load(std::memory_order_acquire) != 0; }
    // 11 once built when no point has three finite coordinates.
    int32_t GetStatus() override;
    void VariableChanged(uint32_t) override {}
    // 5 loads the built geometry into the mesh (once per build), 9 the
    // opacity, 10 a new resolution: the rings are reallocated and the curve
    // must be built again.
    void SetOption(int32_t code, double value) override;
    // Forgets the build: the next BuildTube builds afresh and the next
    // option 5 loads it.
    void Restart() override;
    bool Draw() override;
    double GetExtent() override { return extent.load(std::memory_order_relaxed); }

    bool IsTube() const { return radii != nullptr; }
    bool HasArrays() const;

    // What the last build left, for the tests: read while nothing builds.
    int32_t PointCount() const { return n; }
    int32_t RingSides() const { return sides; }
    int32_t TriangleCount() const { return triangleCount; }
    const int32_t* Triangles() const { return triangles; }
    const float* RingVertices() const { return ringVertices; }
    const float* Normals() const { return normals; }
    const float* RingColors() const { return ringColors; }
    const uint8_t* RingUsable() const { return ringUsable; }
    int32_t LinePairCount() const { return linePairCount; }
    const uint16_t* LinePairs() const { return linePairs; }
    const MeshBuffer& Mesh() const { return mesh; }

private:
    void AllocateArrays();
    void FreeArrays();
    void Reset();
    bool PointDefined(int32_t i) const;
    void BuildRings();
    void BuildRingTriangles();
    void BuildRingNormals();
    void BuildPolyline();

    ViewRenderContext* context;
    std::atomic<uint8_t> built{0};
    // Read by the view every frame while a worker may build.
    std::atomic<double> extent{0};
    MeshPendingFlag meshPending;
    MeshBuffer mesh;
    int32_t n;
    const float* points;
    const double* radii;
    const float* pointColors;
    AGraphColor* color;
    uint16_t* linePairs = nullptr;
    int32_t linePairCount = 0;
    double opacity;
    bool straight;
    int32_t triangleCount = 0;
    int32_t sides;
    float* ringVertices = nullptr;
    float* normals = nullptr;
    int32_t* triangles = nullptr;
    float* ringColors = nullptr;
    // Ring i was written by the last build and may carry triangles.
    uint8_t* ringUsable = nullptr;
};
