// Solution curves of a first-order differential equation in the plane: a
// slope equation dy/dx = f(x, y) or an autonomous system dx/dt = f(x, y),
// dy/dt = g(x, y). Without a start point the view is filled with curves
// from a square grid of seeds, a seed skipped when a curve already passes
// through its neighbourhood; with one, the solution through it is drawn
// forward and backward. Each step is a fourth-order Runge-Kutta step of
// one pixel along the axis in which the curve moves fastest.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/PlotJobs.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;
struct SolutionCurve;

class ADEPlot : public A2DGraph {
public:
    // Seed spacing in screen pixels: 200 at resolution 0 down to 50 at 1.
    static int32_t SpacingFor(double resolution);

    // Takes over the formulas and the colour. dy is null for a slope
    // equation, the start point's formulas null to fill the view.
    ADEPlot(CompiledFormula* slope, CompiledFormula* dy, CompiledFormula* startX, CompiledFormula* startY,
            AGraphColor* color, double resolution, const ViewMapping* mapping);
    ~ADEPlot() override;
    ADEPlot(const ADEPlot&) = delete;
    ADEPlot& operator=(const ADEPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return complete; }
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool HasResolution() override { return true; }
    void Draw() override;
    void ViewResized() override { Restart(); }
    void ViewScrolled(int32_t, int32_t) override { Restart(); }
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;
    // The worker reads the mapping, which the view changes after this.
    void Stop() override { StopJobs(); }
    int GetHitPriority() override { return HitPriorityNext; }

    // The curve from (x0, y0), direction +1 or -1, until it leaves the view,
    // meets an undefined slope or a stationary point, or holds its point
    // limit; null when memory is refused. The caller owns it. A worker's
    // curve ends early when the plot is stopped.
    SolutionCurve* SolveFrom(double x0, double y0, int32_t direction, bool onWorker = false);

    // For the tests, once complete.
    int32_t Spacing() const { return spacing; }
    int32_t CurveCount();
    // A copy of curve i's points into the caller's curve.
    bool CopyCurve(int32_t i, SolutionCurve* into);

private:
    struct SlopeAt {
        double slope;
        int32_t sx, sy;
    };
    SlopeAt Slope(double x, double y) const;
    bool IsGridMode() const { return startXFormula == nullptr || startYFormula == nullptr; }
    // The seed grid, phase first: it keeps to the origin when the view
    // moves. Its counters start at zero.
    void AllocateOccupancy();
    void FreeCurves();
    void AddCurve(SolutionCurve* curve);
    // The occupancy counter of the pixel, or null off the grid.
    std::atomic<uint8_t>* OccupancyAt(int32_t px, int32_t py);
    void StartJobs();
    void StopJobs();

    CompiledFormula* slopeFormula;
    CompiledFormula* dyFormula;
    CompiledFormula* startXFormula;
    CompiledFormula* startYFormula;
    AGraphColor* color;
    // curves is guarded by jobs.lock.
    GrowArray<SolutionCurve*> curves;
    // 2 gridColumns x 2 gridRows counters of half-spacing cells, saturating.
    std::atomic<uint8_t>* occupancy = nullptr;
    int32_t spacing;
    int32_t phaseX = 0, phaseY = 0;
    int32_t gridColumns = 0, gridRows = 0;
    std::atomic<bool> complete{false};
    // The curves are all there: a colour change only redraws them.
    std::atomic<bool> solved{false};
    CompiledFormula* formulaList[4] = {};
    PlotJobs jobs;
};
