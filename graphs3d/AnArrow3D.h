// An arrow between two points: with a radius, a tube (tail disc, shaft, the
// rim of the head and its cone) built by an ACurve3D from an eleven-point
// radius profile; with radius 0, line segments with three or four barbs.
// Like a curve it computes nothing on the pool: its owner (a vector field,
// a flow's end) builds it, from a worker if it likes, and forwards
// SetOption, Draw and GetExtent to it on the user-interface thread.
#pragma once

#include "graphs3d/A3DGraph.h"
#include "rendering/MeshBuffer.h"

#include <atomic>
#include <cstdint>

class ACurve3D;
class AGraphColor;
class ViewRenderContext;

constexpr int32_t kArrowProfilePoints = 11;

class AnArrow3D : public A3DGraph {
public:
    // from and to: float triples that stay the caller's and are read by
    // each build. radius in the view's normalised units, 0 for a line
    // arrow. The colour stays the caller's. Fixed size gives line arrows a
    // head of one size in the view (and four barbs instead of three). Builds
    // at once.
    AnArrow3D(const float* from, const float* to, double radius, AGraphColor* color, bool fixedSize, bool noHead,
              ViewRenderContext* context);
    ~AnArrow3D() override;
    AnArrow3D(const AnArrow3D&) = delete;
    AnArrow3D& operator=(const AnArrow3D&) = delete;

    // Builds from the current ends; any thread, while nothing else touches
    // the arrow. An arrow whose ends coincide or are not finite is not
    // ready and draws nothing.
    void BuildMesh();
    bool IsReady() const { return ready.load(std::memory_order_acquire) != 0; }

    int32_t ComputeChunk(int32_t) override { return 3; }
    bool IsComplete() override { return true; }
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t) override {}
    // 8 the colour code; 5, 6, 7 and 9 go to the shaft; 10 goes to the
    // shaft and builds again; 5 loads a line arrow.
    void SetOption(int32_t code, double value) override;
    void Restart() override {}
    bool Draw() override;
    double GetExtent() override { return extent.load(std::memory_order_relaxed); }

    // For the tests.
    ACurve3D* Shaft() const { return shaft; }
    const float* ProfilePoints() const { return profile; }
    const double* ProfileRadii() const { return profileRadii; }
    int32_t BarbCount() const { return barbCount; }
    const MeshBuffer& Mesh() const { return mesh; }

private:
    void BuildLineArrow(double length);
    void BuildTubeArrow(double length);

    ViewRenderContext* context;
    const float* from;
    const float* to;
    double radius;
    AGraphColor* color;
    std::atomic<uint8_t> ready{0};
    std::atomic<uint8_t> headPending{0};
    std::atomic<double> extent{0};
    MeshBuffer mesh;
    // The profile of a tube arrow, or the line arrow's vertices: the tip,
    // the tail, then the barbs.
    float profile[3 * kArrowProfilePoints] = {};
    int32_t barbCount;
    bool noHead;
    bool fixedSize;
    ACurve3D* shaft = nullptr;
    double profileRadii[kArrowProfilePoints] = {};
};
