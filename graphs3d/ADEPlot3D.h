// Flow lines of an autonomous system x' = f, y' = g, z' = h drawn in a 3D
// view: from every start point of its start-point set the system is
// integrated forward by fourth-order Runge-Kutta steps of a fixed arc length,
// and every fourth point (tenth with a radius formula) becomes a point of a
// tube or polyline. The start points are shared out among one job per
// processor. A restart only marks the current lines as old: new lines are
// appended behind them and the next mesh load drops the old ones, so the view
// keeps the previous flow until the new one is ready.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/Mutex.h"
#include "graphs3d/AVectorFieldOrDEPlot.h"
#include "graphs3d/FlowCurve.h"
#include "graphs3d/PointStore.h"

#include <atomic>
#include <cstdint>
#include <memory>

class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;

// Steps of one flow line at most, and the step interval of the stored points
// without and with a radius formula.
constexpr int32_t kFlowStepLimit = 2000;
constexpr int32_t kFlowStoreEvery = 4;
constexpr int32_t kFlowStoreEveryWithRadius = 10;

class ADEPlot3D : public AVectorFieldOrDEPlot {
public:
    // Takes over dx, dy, dz, the radius (may be null) and the colour; the
    // condition (may be null) and the start points stay the start-point
    // set's. Computes nothing until Start.
    ADEPlot3D(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* radius,
              CompiledFormula* condition, AGraphColor* color, double opacity, const PointStore* startPoints,
              const double* xMin, const double* xMax, const double* yMin, const double* yMax, const double* zMin,
              const double* zMax, ViewRenderContext* renderContext);
    ~ADEPlot3D() override;
    ADEPlot3D(const ADEPlot3D&) = delete;
    ADEPlot3D& operator=(const ADEPlot3D&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override;
    void Start() override;
    void Stop() override;
    bool UsesVariable(uint32_t code) override;

    // The line from p0, every s-th step stored after p0, into line (which
    // must be empty). False, and line empty, when a point block was refused
    // (failure 36 posted).
    bool IntegrateFlowLine(const SpacePoint& p0, int32_t s, PointStore& line);
    // The start points part p of parts integrates, [first, end): contiguous
    // runs of ceil(count / parts).
    static void PartRange(int32_t count, int32_t parts, int32_t p, int32_t& first, int32_t& end);

    // For the transformed plot that follows this one and for tests: the
    // lines, oldest first, guarded by ListMutex; the first RemoveCount are
    // old ones that the next load drops.
    Mutex& ListMutex() { return lines.mutex; }
    int32_t CurveCount() const { return lines.curves.count; }
    int32_t RemoveCount() const { return lines.removeCount; }
    const FlowCurve* CurveAt(int32_t i) const { return lines.curves[i]; }
    AGraphColor* Color() const { return color; }
    double Opacity() const { return opacity; }
    int32_t PartCount() const { return partCount; }
    // Counts the restarts, so that a graph following this one notices them.
    uint32_t Generation() const { return generation.load(std::memory_order_acquire); }

private:
    void PrepareFormulas();
    // (dx, dy, dz) at the point, with u = v = w = 0.
    void Field(double x, double y, double z, double (&out)[3]);
    // Radii and formula colours of a finished record; false when stopped.
    bool FillPointValues(FlowCurve& record);

    ViewRenderContext* renderContext;
    const double* xMin;
    const double* xMax;
    const double* yMin;
    const double* yMax;
    const double* zMin;
    const double* zMax;
    CompiledFormula* dx;
    CompiledFormula* dy;
    CompiledFormula* dz;
    CompiledFormula* radius;
    CompiledFormula* condition;
    AGraphColor* color;
    double opacity;
    const PointStore* startPoints;
    FlowCurveList lines;
    int32_t partCount;
    std::atomic<uint8_t> stopRequested{0};
    std::atomic<uint32_t> generation{0};
    Mutex doneMutex;
    GraphJob* jobs = nullptr;
    std::unique_ptr<std::atomic<uint8_t>[]> done;
};
