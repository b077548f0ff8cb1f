// z = f(x, y) shown as shades of the graph colour over the whole 2D view:
// every cell holds the position of f in its range over the view (0 to 239),
// and drawing maps that to one of a few shades from dark to the full colour.
// The range is measured once, on a 20 by 20 sampling, and kept, so that an
// animation or a pan keeps the same shading scale. Rows are split into one
// band per worker; finished images are kept per slider value.
#pragma once

#include "CoreUtilities/Mutex.h"
#include "graphs2d/ACellPlot.h"

#include <atomic>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;
struct GridProgramSet;

constexpr uint8_t kDensityUndefined = 254;
constexpr uint8_t kDensityPending = 255;
constexpr int32_t kDensityValues = 240;

class ADensityPlot : public ACellPlot<uint8_t> {
public:
    // Takes over f (of x and y, or of u and v) and the colour. bands: 0 for
    // one per processor.
    ADensityPlot(CompiledFormula* f, double resolution, AGraphColor* color, const ViewMapping* mapping,
                 int32_t bands = 0);
    ~ADensityPlot() override;
    ADensityPlot(const ADensityPlot&) = delete;
    ADensityPlot& operator=(const ADensityPlot&) = delete;

    int32_t ComputeChunk(int32_t band) override;
    int32_t GetStatus() override;
    void VariableChanged(uint32_t code) override;
    void SetOption(int32_t code, double value) override;
    void Draw() override;
    bool HitTest(double x, double y) override;
    TraceInfo Trace(double x, double y) override;

    // The shades the palette is cut into: 4, 6, 8, 12 or 24.
    static int32_t ShadeCount(double resolution);
    // The 240-entry palette for the colour and the shade count.
    static void BuildPalette(RgbColor rgb, int32_t shades, RgbColor* palette);
    // The cell of a value over [valueMin, valueMax]; 254 for NaN.
    uint8_t CellValue(double v) const;

    // For the tests, while the plot is stopped or complete.
    int32_t Shades() const { return shadeCount; }
    bool RangeValid() const { return rangeValid; }
    double ValueMin() const { return valueMin; }
    double ValueMax() const { return valueMax; }

private:
    // An invalid range is measured again at every start.
    void PrepareStart() override;
    void EnsureRange();
    void MeasureRange();

    CompiledFormula* formula;
    // Guards the range measurement.
    Mutex resultsMutex;
    bool rangeValid = false;
    std::atomic<uint8_t> rangeChecked{0};
    double valueScale = 0;
    double valueMin, valueMax;
    int32_t shadeCount;
    GridProgramSet* gridPrograms = nullptr;
    CompiledFormula* formulaList[1] = {};
};
