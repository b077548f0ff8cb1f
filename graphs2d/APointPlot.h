// One point of the plane from formulas for x and y, drawn as a dot, as a
// text symbol centred on it or as the line's picture, with an optional
// text label to its right and a text size that may itself be a formula. A
// point the user may drag answers hit tests and traces, and the view moves
// it through options 11 and 12 while the mouse drags it.
#pragma once

#include "CoreUtilities/Mutex.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/PlotJobs.h"

#include <cstdint>

class AGraphColor;
struct CompiledFormula;

class APointPlot : public A2DGraph {
public:
    // Takes over the formulas (symbol, label and size may be null) and the
    // colour.
    APointPlot(CompiledFormula* x, CompiledFormula* y, CompiledFormula* symbol, CompiledFormula* label,
               CompiledFormula* size, AGraphColor* color, bool draggable, const ViewMapping* mapping);
    ~APointPlot() override;
    APointPlot(const APointPlot&) = delete;
    APointPlot& operator=(const APointPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return computed; }
    int32_t GetStatus() override { return 0; }
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Restart() override {}
    bool HasResolution() override { return false; }
    void Draw() override;
    void ViewResized() override {}
    void ViewScrolled(int32_t, int32_t) override {}
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;
    void Stop() override {}
    int GetHitPriority() override { return HitPriorityFirst; }

    // For the tests, once complete.
    double PointX() const { return pointX; }
    double PointY() const { return pointY; }
    double Size() const { return size; }
    bool IsDraggable() const { return draggable; }

private:
    void StartJobs();
    void StopJobs();

    CompiledFormula* xFormula;
    CompiledFormula* yFormula;
    CompiledFormula* symbolFormula;
    CompiledFormula* labelFormula;
    CompiledFormula* sizeFormula;
    AGraphColor* color;
    // Written by the worker and, while the user drags, by the view: under
    // the jobs' lock.
    double pointX = 0, pointY = 0;
    // Text size in points; kept until the size formula gives a finite
    // positive value.
    double size = 9.0;
    // The formula's or the table's own texts.
    const char16_t* symbolText = nullptr;
    const char16_t* labelText = nullptr;
    std::atomic<bool> computed{false};
    bool draggable;
    CompiledFormula* formulaList[5] = {};
    PlotJobs jobs;
};
