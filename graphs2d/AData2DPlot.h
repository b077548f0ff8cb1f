// The rows of the document's tables as points of the plane: x and y come
// from formulas evaluated for row 1, 2, ..., n (formulas that name table
// columns), and optional formulas give each row a condition, a marker
// radius in world units, a text symbol drawn instead of the marker, a text
// label beside it, a font size and a colour. Computed in one part on the
// worker pool; drawn in world coordinates, so scrolling and resizing only
// redraw it.
#pragma once

#include "graphs2d/A2DGraph.h"
#include "graphs2d/PlotJobs.h"

#include <atomic>
#include <cmath>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;
struct DocState;

class AData2DPlot : public A2DGraph {
public:
    // Takes over the formulas (all but x and y may be null) and the colour.
    AData2DPlot(CompiledFormula* x, CompiledFormula* y, AGraphColor* color, CompiledFormula* condition,
                CompiledFormula* radius, CompiledFormula* symbol, CompiledFormula* label, CompiledFormula* fontSize,
                const ViewMapping* mapping, DocState* doc);
    ~AData2DPlot() override;
    AData2DPlot(const AData2DPlot&) = delete;
    AData2DPlot& operator=(const AData2DPlot&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return computed.load(std::memory_order_acquire) >= rowCount; }
    int32_t GetStatus() override { return 0; }
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
    int GetHitPriority() override { return HitPriorityNext; }
    bool GetDataBounds(double* xMin, double* xMax, double* yMin, double* yMax) override;

    // For the tests, once complete: the rows' points (NaN for rows left
    // out) and texts.
    int32_t RowCount() const { return rowCount; }
    double X(int32_t i) const { return xs ? xs[i] : NAN; }
    double Y(int32_t i) const { return ys ? ys[i] : NAN; }
    const char16_t* Symbol(int32_t i) const { return symbols ? symbols[i] : nullptr; }
    const char16_t* Label(int32_t i) const { return labels ? labels[i] : nullptr; }

private:
    void Compile();
    void Start();
    void StopComputation();
    bool DependsOn(uint32_t code) const;
    void FreeTexts();

    CompiledFormula* xFormula;
    CompiledFormula* yFormula;
    CompiledFormula* conditionFormula;
    CompiledFormula* radiusFormula;
    CompiledFormula* symbolFormula;
    CompiledFormula* labelFormula;
    CompiledFormula* fontSizeFormula;
    AGraphColor* color;
    DocState* doc;
    double* xs = nullptr;
    double* ys = nullptr;
    int32_t* colors = nullptr;
    double* radii = nullptr;
    double* fontSizes = nullptr;
    // The plot's own copies of the rows' texts.
    char16_t** symbols = nullptr;
    char16_t** labels = nullptr;
    int32_t rowCount = 0;
    // Rows finished: raised after each row's values are written.
    std::atomic<int32_t> computed{0};
    // The formulas Stop and Start reach, the colour's among them.
    CompiledFormula* formulaList[8] = {};
    PlotJobs jobs;
};
