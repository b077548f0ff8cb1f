// A curve in four dimensions, (x(t), y(t), u(t), v(t)) over the 4D view's T
// range, or a list of single 4D points joined in order. One part evaluates
// it on a worker into the view's normalised coordinates (with the box the
// view had when the computation started); every frame projects the points
// afresh through the view's projection, so the curve follows the 4D
// rotation without computing again. Segments with an end nearer the 4D eye
// than the view's depth range are left out.
#pragma once

#include "CoreUtilities/GraphJob.h"
#include "graphs3d/A4DGraph.h"
#include "graphs3d/Projection4D.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
class ViewRenderContext;
struct CompiledFormula;

class ASpaceCurve4D : public A4DGraph {
public:
    // The curve of four formulas of t (read from the u slot) and an
    // optional condition, all taken over with the colour. The T bounds stay
    // the view's. Starts computing at once.
    ASpaceCurve4D(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* w,
                  CompiledFormula* condition, AGraphColor* color, double resolution, ViewRenderContext* context,
                  const Projection4D* projection, const double* tMin, const double* tMax);
    // The points of a list of four-component items (taken over with the
    // colour), one point per item whatever the resolution.
    ASpaceCurve4D(CompiledFormula* list, AGraphColor* color, ViewRenderContext* context,
                  const Projection4D* projection);
    ~ASpaceCurve4D() override;
    ASpaceCurve4D(const ASpaceCurve4D&) = delete;
    ASpaceCurve4D& operator=(const ASpaceCurve4D&) = delete;

    int32_t ComputeChunk(int32_t part) override;
    bool IsComplete() override { return done.load(std::memory_order_acquire) != 0; }
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    // 8 the colour code; 10 a new sample count (curves only).
    void SetOption(int32_t code, double value) override;
    void Restart() override;
    bool HasResolution() override { return form == 0; }
    bool Draw() override;
    double GetExtent() override;

    void Start();
    void Stop();

    // For the tests, once complete; the projected points and the pairs as
    // the last Draw left them.
    int32_t PointCount() const { return n; }
    const double* NormalizedPoints() const { return normalized; }
    const uint8_t* Defined() const { return defined; }
    const float* ProjectedPoints() const { return projected; }
    int32_t LinePairCount() const { return pairCount; }

private:
    void AllocateArrays();
    void FreeArrays();
    bool HasArrays() const;
    void Reset();
    // The formulas to stop, resume and refresh, and their count.
    int32_t FormulaCount() const;
    CompiledFormula* const* Formulas() const;
    bool DependsOn(uint32_t code) const;

    ViewRenderContext* context;
    const Projection4D* projection;
    const double* tMin = nullptr;
    const double* tMax = nullptr;
    // Form 0: x, y, z, w and the condition (may be null).
    CompiledFormula* curve[5] = {};
    // Form 1: the list and its items' components, item i's at 4 i to 4 i + 3.
    CompiledFormula* list = nullptr;
    CompiledFormula** items = nullptr;
    AGraphColor* color;
    double* normalized = nullptr;
    uint8_t* defined = nullptr;
    float* projected = nullptr;
    uint16_t* pairs = nullptr;
    uint8_t* inFront = nullptr;
    int32_t pairCount = 0;
    int32_t n = 0;
    std::atomic<double> largestSquaredNorm{0};
    // 0 a curve in t, 1 a list of points.
    int32_t form;
    // The box of the computation, taken when it starts.
    Box4D box{};
    std::atomic<uint8_t> done{0};
    GraphJob job;
    std::atomic<uint8_t> stopRequested{0};
};
