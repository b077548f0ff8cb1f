#include "graphs2d/ADensityPlot.h"

#include "CoreUtilities/GraphJob.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/CellBands.h"
#include "graphs2d/ContourLevels.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

ADensityPlot::ADensityPlot(CompiledFormula* f, double resolution, AGraphColor* color, const ViewMapping* mapping,
                           int32_t bands)
    : ACellPlot(color, kDensityPending, mapping, bands), formula(f), valueMin(-kInf), valueMax(-kInf),
      shadeCount(ShadeCount(resolution))
{
    formulaList[0] = formula;
    jobs.SetFormulas(formulaList, 1);
    gridPrograms = formula ? LinkGridFormula(formula) : nullptr;
    cache.disabled = ShellIsBenchmarkRunning();
    if (this->color)
        this->color->NormalizeBrightness();
    image.Allocate(*mapping);
    StartJobs();
}

ADensityPlot::~ADensityPlot()
{
    StopJobs();
    image.Free();
    delete gridPrograms;
    delete formula;
}

int32_t ADensityPlot::ShadeCount(double resolution)
{
    return 24 / (24 / ContourLevelCount(resolution));
}

void ADensityPlot::BuildPalette(RgbColor rgb, int32_t shades, RgbColor* palette)
{
    const int32_t perShade = kDensityValues / shades;
    for (int32_t s = 0; s < shades; ++s) {
        const RgbColor c = 0xFF000000u | ShadeOfColor(rgb, s, shades);
        for (int32_t k = s * perShade; k < (s + 1) * perShade; ++k)
            palette[k] = c;
    }
}

uint8_t ADensityPlot::CellValue(double v) const
{
    if (std::isnan(v))
        return kDensityUndefined;
    if (v <= valueMin)
        return 0;
    if (v >= valueMax)
        return kDensityValues - 1;
    // Just below the maximum the product may round up to 240.
    const double position = (v - valueMin) * valueScale;
    return static_cast<uint8_t>(position < kDensityValues - 1 ? position : kDensityValues - 1);
}

void ADensityPlot::PrepareStart()
{
    if (!rangeValid)
        rangeChecked.store(0, std::memory_order_relaxed);
}

void ADensityPlot::EnsureRange()
{
    if (rangeChecked.load(std::memory_order_acquire))
        return;
    MutexLock hold(resultsMutex);
    if (rangeChecked.load(std::memory_order_relaxed))
        return;
    MeasureRange();
    rangeChecked.store(1, std::memory_order_release);
}

void ADensityPlot::MeasureRange()
{
    const ShortRect& r = mapping->rect;
    if (r.right <= r.left || r.bottom <= r.top || !formula)
        return;
    const double ux = mapping->unitsPerPixelX, uy = mapping->unitsPerPixelY;
    const double x0 = (r.left - mapping->originX) * ux, y0 = -(r.top - mapping->originY) * uy;
    const double dx = ((r.right - 1 - mapping->originX) * ux - x0) / 19;
    const double dy = (-(r.bottom - 1 - mapping->originY) * uy - y0) / 19;
    GridEvalState state;
    PrepareGrid2D(x0, y0, dx, dy, 20, 20, gridPrograms, &state);
    double lo = kInf, hi = -kInf, row[20];
    for (int32_t j = 0; j < 20; ++j) {
        if (formula->canEvaluateRows) {
            formula->EvaluateRow(j, &state, row);
        } else {
            for (int32_t i = 0; i < 20; ++i)
                row[i] = formula->EvaluateAtGridPoint(i, j, &state);
        }
        for (double v : row) {
            if (std::isfinite(v)) {
                lo = std::fmin(lo, v);
                hi = std::fmax(hi, v);
            }
        }
    }
    // A span that overflows cannot scale: the range counts as invalid.
    rangeValid = hi > lo && std::isfinite(hi - lo) && !jobs.StopRequested();
    valueMin = rangeValid ? lo : -kInf;
    valueMax = rangeValid ? hi : -kInf;
    valueScale = rangeValid ? kDensityValues / (hi - lo) : 0;
}

int32_t ADensityPlot::ComputeChunk(int32_t band)
{
    if (!image.cells)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    EnsureRange();
    int32_t s, e;
    BandOf(band, s, e);
    const bool rows = formula && formula->canEvaluateRows;
    if (!formula || !ComputeCellRows(image, *mapping, gridPrograms, formulaList, 1, rows, s, e, jobs,
                                     [this](const double* v) { return CellValue(v[0]); }))
        return GraphJobStopped;
    if (jobs.StopRequested())
        return GraphJobStopped;
    return jobs.FinishPart(band, mapping->doc);
}

int32_t ADensityPlot::GetStatus()
{
    return IsComplete() && image.cells && image.AllEqual(kDensityUndefined) ? MessageUndefinedInRegion : MessageNone;
}

void ADensityPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, formula);
    if (!image.cells)
        return;
    if (formula && formula->DependsOn(code)) {
        CellsDependOn(code);
    } else if (color && color->DependsOn(code)) {
        StopJobs();
        StartJobs();
    }
}

void ADensityPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color) {
        color->SetColorCode(value);
        color->NormalizeBrightness();
    } else if (code == OptionResolution) {
        shadeCount = ShadeCount(value);
    }
}

void ADensityPlot::Draw()
{
    if (!PrepareDraw())
        return;
    RgbColor palette[kDensityValues];
    BuildPalette(color->rgb.load(std::memory_order_relaxed), shadeCount, palette);
    DrawCells(
        image, *mapping, [](uint8_t b) { return b >= kDensityUndefined; },
        [&](uint8_t b) { return palette[b]; });
}

bool ADensityPlot::HitTest(double x, double y)
{
    if (!image.cells || !color || color->IsHidden())
        return false;
    const double v = EvaluateGridFormulaAt(gridPrograms, formula, x, y);
    return v == v;
}

TraceInfo ADensityPlot::Trace(double x, double y)
{
    TraceInfo trace;
    if (!image.cells || !color || color->IsHidden())
        return trace;
    trace.kind = TraceDensityValue;
    trace.x = x;
    trace.y = y;
    trace.t = EvaluateGridFormulaAt(gridPrograms, formula, x, y);
    return trace;
}
