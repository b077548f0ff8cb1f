// A 2D vector field (u(x, y), v(x, y)) drawn as arrows on a square grid of
// cells aligned with the world origin. The spacing follows the line's
// resolution; the longest arrow in the view spans one cell, or, normalised,
// every arrow has the same length. Panning shifts the grid and keeps every
// cell that stays in view.
#pragma once

#include "graphs2d/A2DGraph.h"
#include "graphs2d/CurveNumerics.h"
#include "graphs2d/PlotJobs.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;

struct VectorCell {
    double x, y;            // the cell's world point
    double fieldX, fieldY;  // u and v there
    // Written after the values.
    std::atomic<uint8_t> computed;
};

class A2DVectorPlot : public A2DGraph {
public:
    // Spacing in screen pixels: 100 at resolution 0 down to 10 at 1; a
    // resolution outside [0, 1] is held to it, NaN is the middle one.
    static int32_t SpacingFor(double resolution);

    // Takes over u, v and the colour.
    A2DVectorPlot(CompiledFormula* u, CompiledFormula* v, double resolution, AGraphColor* color, bool normalized,
                  const ViewMapping* mapping);
    ~A2DVectorPlot() override;
    A2DVectorPlot(const A2DVectorPlot&) = delete;
    A2DVectorPlot& operator=(const A2DVectorPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return complete; }
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool HasResolution() override { return true; }
    void Draw() override;
    void ViewResized() override { Restart(); }
    void ViewScrolled(int32_t dx, int32_t dy) override;
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;
    void Stop() override;
    int GetHitPriority() override { return HitPriorityNext; }

    // The arrow drawn for the field value (u, v), in world units.
    WorldPoint ArrowVector(double u, double v) const;
    // For the tests, once complete.
    int32_t Spacing() const { return spacing; }
    int32_t GridColumns() const { return gridColumns; }
    int32_t GridRows() const { return gridRows; }
    const VectorCell* Cells() const { return cells; }
    // Cells computed by the last start.
    int32_t ComputedByLastStart() const { return computedByLastStart; }

private:
    void ComputeGridPhase();
    void AllocateCells();
    void StartJobs();
    void StopJobs();
    VectorCell& Cell(int32_t row, int32_t column) { return cells[row * gridColumns + column]; }

    CompiledFormula* uFormula;
    CompiledFormula* vFormula;
    AGraphColor* color;
    VectorCell* cells = nullptr;
    // The largest finite magnitude sqrt(u^2 + k v^2) so far, k the square of
    // the axes' scale ratio; 0 after every allocation.
    std::atomic<double> maxMagnitude{0};
    bool normalized;
    int32_t spacing;
    int32_t phaseX = 0, phaseY = 0;
    int32_t gridColumns = 0, gridRows = 0;
    std::atomic<bool> complete{false};
    std::atomic<int32_t> computedByLastStart{0};
    CompiledFormula* formulaList[2] = {};
    PlotJobs jobs;
};
