// The base of the graphs that compute a set of start points and own the flow
// or arrow plot drawn from them: the points are computed in one job on the
// worker pool, then the plot is started on them. To the view the pair is one
// graph: drawing, extent, status and most options are the plot's.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "graphs3d/A3DGraph.h"
#include "graphs3d/PointStore.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class AVectorFieldOrDEPlot;
class ViewRenderContext;
struct CompiledFormula;

// What every set hands its plot: the field or right-hand sides, the radius
// formula (may be null), the colour and opacity, the view's box bounds and
// render context, and whether the plot draws flow lines (else arrows). The
// formulas and the colour are taken over by the plot.
struct FlowFieldArguments {
    CompiledFormula* dx = nullptr;
    CompiledFormula* dy = nullptr;
    CompiledFormula* dz = nullptr;
    CompiledFormula* radius = nullptr;
    AGraphColor* color = nullptr;
    double opacity = 1;
    const double* xMin = nullptr;
    const double* xMax = nullptr;
    const double* yMin = nullptr;
    const double* yMax = nullptr;
    const double* zMin = nullptr;
    const double* zMax = nullptr;
    ViewRenderContext* renderContext = nullptr;
    bool flow = true;
};

// A count from the line's resolution r in [0, 1]: trunc((max - min) r + min
// + rounding), kept within [min, max] (r outside [0, 1] or NaN included).
int32_t StartCount(double resolution, int32_t min, int32_t max, double rounding = 0);

class AStartPointSet : public A3DGraph {
public:
    // Every concrete set calls Stop first in its own destructor.
    ~AStartPointSet() override;
    AStartPointSet(const AStartPointSet&) = delete;
    AStartPointSet& operator=(const AStartPointSet&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override;
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool Draw() override;
    double GetExtent() override;

    void Start();
    void Stop();

    // Null only when memory for it was refused.
    AVectorFieldOrDEPlot* Plot() const { return plot; }
    // Read only while the set is stopped or its points are ready.
    const PointStore& StartPoints() const { return startPoints; }
    bool PointsReady() const { return pointsReady.load(std::memory_order_acquire) != 0; }

protected:
    // Takes over the condition (may be null), which a flow plot also uses.
    AStartPointSet(CompiledFormula* condition, ViewRenderContext* renderContext);
    // Makes the plot over the start points; arrowLength points at the
    // longest arrow's length (0: arrows as long as the field).
    void MakePlot(FlowFieldArguments& arguments, const double* arrowLength);

    // The points into startPoints: 3 done, 4 stopped, 5 nothing can be
    // computed (the plot is then not started).
    virtual int32_t ComputePoints() = 0;
    // The set's own formulas (null entries allowed), the condition among
    // them.
    virtual void OwnFormulas(CompiledFormula* (&list)[4]) const = 0;
    // Option 10: the counts for the new resolution.
    virtual void SetResolution(double) {}
    // Between stopping and starting again in a restart.
    virtual void ResetForRestart() {}

    // The condition holds at the point (none: always).
    bool Keeps(double x, double y, double z) const;
    // Appends a point whose coordinates are numbers; a refused block loses
    // it (failure 36).
    void Append(double x, double y, double z);
    bool StopRequested() const { return stopRequested.load(std::memory_order_relaxed) != 0; }

    CompiledFormula* condition;
    ViewRenderContext* renderContext;
    // The start point of a point set is no test of the condition: all
    // options go to the plot, and every variable change restarts.
    bool pointSet = false;

private:
    bool OwnFormulasUse(uint32_t code) const;

    AVectorFieldOrDEPlot* plot = nullptr;
    PointStore startPoints;
    std::atomic<uint8_t> pointsReady{0};
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
