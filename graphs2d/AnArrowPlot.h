// One arrow from (x1, y1) to (x2, y2), each coordinate a formula that may
// use the slider but not x or y. Its four values are computed once per
// start, in one part; an arrow with an undefined or infinite coordinate is
// not drawn. Arrows cannot be hit or traced.
#pragma once

#include "graphs2d/A2DGraph.h"
#include "graphs2d/PlotJobs.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;

class AnArrowPlot : public A2DGraph {
public:
    // Takes over the four formulas and the colour.
    AnArrowPlot(CompiledFormula* x1, CompiledFormula* y1, CompiledFormula* x2, CompiledFormula* y2,
                AGraphColor* color, const ViewMapping* mapping);
    ~AnArrowPlot() override;
    AnArrowPlot(const AnArrowPlot&) = delete;
    AnArrowPlot& operator=(const AnArrowPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return computed; }
    int32_t GetStatus() override { return 0; }
    // Every variable recomputes the arrow, used or not.
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override {}
    bool HasResolution() override { return false; }
    void Draw() override;
    void ViewResized() override {}
    void ViewScrolled(int32_t, int32_t) override {}
    bool HitTest(double, double) override { return false; }
    TraceInfo Trace(double, double) override { return TraceInfo{}; }
    void Stop() override {}
    int GetHitPriority() override { return HitPriorityFirst; }

    // Tail and head, once complete.
    double X1() const { return x1; }
    double Y1() const { return y1; }
    double X2() const { return x2; }
    double Y2() const { return y2; }

private:
    void Start();
    void StopComputation();

    CompiledFormula* formulas[4];
    AGraphColor* color;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    // Set by the worker after the four values.
    std::atomic<bool> computed{false};
    PlotJobs jobs;
};
