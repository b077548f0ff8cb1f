// A single point (x, y, z) of three formulas, drawn as a small lit sphere
// that looks round in the view whatever the box's proportions. Its one part
// evaluates the point on a worker and places a copy of the shared unit
// sphere there; the user-interface thread loads and draws it.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "graphs3d/A3DGraph.h"
#include "graphs3d/MeshPendingFlag.h"
#include "graphs3d/UnitSphere.h"
#include "rendering/MeshBuffer.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;

class A3DPoint : public A3DGraph {
public:
    // Takes over the formulas and the colour. radius is the user's size (0
    // to 1): the sphere's radius is 0.4 radius + 0.04 in the view's
    // normalised units. Starts computing at once.
    A3DPoint(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, AGraphColor* color, double radius,
             double opacity, ViewRenderContext* context);
    ~A3DPoint() override;
    A3DPoint(const A3DPoint&) = delete;
    A3DPoint& operator=(const A3DPoint&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return ready.load(std::memory_order_acquire) != 0; }
    int32_t GetStatus() override { return 0; }
    // Any variable restarts the point: it is cheap.
    void VariableChanged(uint32_t code) override;
    // 5 loads the sphere, 8 the colour code, 9 the opacity, 10 the size.
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override { return extent.load(std::memory_order_relaxed); }

    void Start();
    void Stop();

    // For the tests, once complete.
    bool IsDefined() const { return defined.load(std::memory_order_acquire) != 0; }
    const float* Positions() const { return positions; }
    const float* Normals() const { return normals; }
    const MeshBuffer& Mesh() const { return mesh; }

private:
    ViewRenderContext* context;
    CompiledFormula* x;
    CompiledFormula* y;
    CompiledFormula* z;
    AGraphColor* color;
    double radius;
    double opacity;
    std::atomic<uint8_t> defined{0};
    MeshPendingFlag meshPending;
    std::atomic<double> extent{0};
    std::atomic<uint8_t> ready{0};
    float positions[3 * kUnitSphereVertices] = {};
    float normals[3 * kUnitSphereVertices] = {};
    MeshBuffer mesh;
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
