// A 2D plot that does nothing: the base of test plots that fill in only the
// operations a test needs.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "graphs2d/A2DGraph.h"

class StubPlot : public A2DGraph {
public:
    explicit StubPlot(const ViewMapping* drawMapping = nullptr) : A2DGraph(drawMapping) {}

    int32_t ComputeChunk(int32_t) override { return GraphJobNothingToDo; }
    bool IsComplete() override { return true; }
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t) override {}
    void SetOption(int32_t, double) override {}
    void Restart() override {}
    void Draw() override {}
    void ViewResized() override {}
    void ViewScrolled(int32_t, int32_t) override {}
    bool HitTest(double, double) override { return false; }
    TraceInfo Trace(double, double) override { return TraceInfo{}; }
    void Stop() override {}
};
