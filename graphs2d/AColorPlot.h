// Every cell of a 2D view painted with a colour computed from three
// formulas of x and y: red, green and blue, or hue, saturation and value.
// Each component is scaled by the range it takes over the view (a range
// that always holds [0, 1]), so components within [0, 1] are used as they
// are and larger ones are squeezed into it. An optional complex formula is
// what the trace shows. Rows are split into one band per worker; cells
// computed earlier survive a scroll or a resize.
#pragma once

#include "CoreUtilities/Mutex.h"
#include "graphs2d/ACellPlot.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;
struct GridProgramSet;

constexpr uint32_t kColorCellUndefined = 0x80000000u;
constexpr uint32_t kColorCellPending = 0xDEADBEEFu;

class AColorPlot : public ACellPlot<uint32_t> {
public:
    // Takes over the formulas (the three components in u and v, which grids
    // give the values of x and y; complexValue in x and y, may be null) and
    // the colour. bands: 0 for one per processor.
    AColorPlot(CompiledFormula* formula1, CompiledFormula* formula2, CompiledFormula* formula3,
               CompiledFormula* complexValue, bool isHSV, AGraphColor* color, const ViewMapping* mapping,
               int32_t bands = 0);
    ~AColorPlot() override;
    AColorPlot(const AColorPlot&) = delete;
    AColorPlot& operator=(const AColorPlot&) = delete;

    int32_t ComputeChunk(int32_t band) override;
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    bool HasResolution() override { return false; }
    void Draw() override;
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;

    // The cell of three component values under the measured ranges.
    uint32_t CellColor(const double* v) const;

    // For the tests, while the plot is stopped or complete.
    double RangeMin(int32_t k) const { return rangeMin[k]; }
    double RangeMax(int32_t k) const { return rangeMax[k]; }

private:
    void EnsureRanges();
    void MeasureRanges();

    CompiledFormula* components[3];
    CompiledFormula* complexValue;
    // Guards the range measurement.
    Mutex resultsMutex;
    std::atomic<uint8_t> rangesReady{0};
    double rangeMin[3] = {0, 0, 0};
    double rangeMax[3] = {1, 1, 1};
    GridProgramSet* gridPrograms = nullptr;
    bool isHSV;
    CompiledFormula* formulaList[4] = {};
};
