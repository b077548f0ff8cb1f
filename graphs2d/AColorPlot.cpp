#include "graphs2d/AColorPlot.h"

#include "CoreUtilities/GraphJob.h"
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/CellBands.h"

#include <cmath>

namespace {

double Clamp01(double x)
{
    return x < 0 ? 0 : x > 1 ? 1 : x;
}

}  // namespace

AColorPlot::AColorPlot(CompiledFormula* formula1, CompiledFormula* formula2, CompiledFormula* formula3,
                       CompiledFormula* complexValue, bool isHSV, AGraphColor* color, const ViewMapping* mapping,
                       int32_t bands)
    : ACellPlot(color, kColorCellPending, mapping, bands), components{formula1, formula2, formula3},
      complexValue(complexValue), isHSV(isHSV)
{
    for (int32_t k = 0; k < 3; ++k)
        formulaList[k] = components[k];
    formulaList[3] = complexValue;
    jobs.SetFormulas(formulaList, 4);
    if (formula1 && formula2 && formula3)
        gridPrograms = LinkGridFormulas3(formula1, formula2, formula3);
    if (complexValue)
        CompileFormula(complexValue);
    // Images are kept per slider value only while the benchmark runs.
    cache.disabled = !ShellIsBenchmarkRunning();
    image.Allocate(*mapping);
    StartJobs();
}

AColorPlot::~AColorPlot()
{
    StopJobs();
    image.Free();
    delete gridPrograms;
    for (CompiledFormula* f : formulaList)
        delete f;
}

uint32_t AColorPlot::CellColor(const double* v) const
{
    if (std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2]))
        return kColorCellUndefined;
    double c[3];
    for (int32_t k = 0; k < 3; ++k)
        c[k] = Clamp01((v[k] - rangeMin[k]) / (rangeMax[k] - rangeMin[k]));
    if (isHSV) {
        // The hue keeps its turns; one that is not finite has no turn.
        const double hue = (v[0] - rangeMin[0]) / (rangeMax[0] - rangeMin[0]);
        return HsvToRgbColor(std::isfinite(hue) ? hue : 0, c[1], c[2]);
    }
    auto byte = [](double x) { return static_cast<uint32_t>(static_cast<int32_t>(255 * x)) & 0xFF; };
    return byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
}

void AColorPlot::EnsureRanges()
{
    const ShortRect& r = mapping->rect;
    if (rangesReady.load(std::memory_order_acquire) || r.right <= r.left || r.bottom <= r.top)
        return;
    MutexLock hold(resultsMutex);
    if (rangesReady.load(std::memory_order_relaxed))
        return;
    MeasureRanges();
    if (!jobs.StopRequested())
        rangesReady.store(1, std::memory_order_release);
}

void AColorPlot::MeasureRanges()
{
    const ShortRect& r = mapping->rect;
    const double ux = mapping->unitsPerPixelX, uy = mapping->unitsPerPixelY;
    const double x0 = (r.left - mapping->originX) * ux, y0 = -(r.top - mapping->originY) * uy;
    const double dx = ((r.right - 1 - mapping->originX) * ux - x0) / 19;
    const double dy = (-(r.bottom - 1 - mapping->originY) * uy - y0) / 19;
    GridEvalState state;
    PrepareGrid2D(x0, y0, dx, dy, 20, 20, gridPrograms, &state);
    const bool rows = components[0]->canEvaluateRows && components[1]->canEvaluateRows &&
                      components[2]->canEvaluateRows;
    double lo[3] = {0, 0, 0}, hi[3] = {1, 1, 1}, values[3 * 20];
    for (int32_t j = 0; j < 20; ++j) {
        if (rows) {
            EvaluateCellRow(components, 3, j, 20, &state, values);
        } else {
            for (int32_t i = 0; i < 20; ++i) {
                for (int32_t k = 0; k < 3; ++k)
                    values[k * 20 + i] = components[k]->EvaluateAtGridPoint(i, j, &state);
            }
        }
        for (int32_t k = 0; k < 3; ++k) {
            for (int32_t i = 0; i < 20; ++i) {
                const double v = values[k * 20 + i];
                if (std::isfinite(v)) {
                    lo[k] = std::fmin(lo[k], v);
                    hi[k] = std::fmax(hi[k], v);
                }
            }
        }
    }
    for (int32_t k = 0; k < 3; ++k) {
        // A span that overflows would scale everything to 0.
        if (std::isfinite(hi[k] - lo[k])) {
            rangeMin[k] = lo[k];
            rangeMax[k] = hi[k];
        }
    }
}

int32_t AColorPlot::ComputeChunk(int32_t band)
{
    if (!image.cells || !gridPrograms)
        return GraphJobNothingToDo;
    EnsureRanges();
    int32_t s, e;
    BandOf(band, s, e);
    const bool rows = components[0]->canEvaluateRows && components[1]->canEvaluateRows &&
                      components[2]->canEvaluateRows;
    if (!ComputeCellRows(image, *mapping, gridPrograms, components, 3, rows, s, e, jobs,
                         [this](const double* v) { return CellColor(v); }))
        return GraphJobStopped;
    if (jobs.StopRequested())
        return GraphJobStopped;
    return jobs.FinishPart(band, mapping->doc);
}

int32_t AColorPlot::GetStatus()
{
    return IsComplete() && image.cells && image.AllEqual(kColorCellUndefined) ? MessageUndefinedInRegion
                                                                                 : MessageNone;
}

void AColorPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(nullptr, components[0], components[1], components[2], complexValue);
    if (!image.cells)
        return;
    bool depends = false;
    for (CompiledFormula* f : components)
        depends = depends || (f && f->DependsOn(code));
    if (depends)
        CellsDependOn(code);
}

void AColorPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color)
        color->SetColorCode(value);
}

void AColorPlot::Draw()
{
    if (!PrepareDraw())
        return;
    DrawCells(
        image, *mapping, [](uint32_t c) { return c == kColorCellPending || c == kColorCellUndefined; },
        [](uint32_t c) { return static_cast<RgbColor>(c); });
}

bool AColorPlot::HitTest(double x, double y)
{
    if (!image.cells || !color || color->IsHidden())
        return false;
    for (CompiledFormula* f : components) {
        const double v = EvaluateGridFormulaAt(gridPrograms, f, x, y);
        if (v != v)
            return false;
    }
    return true;
}

TraceInfo AColorPlot::Trace(double x, double y)
{
    TraceInfo trace;
    if (!image.cells || !color || color->IsHidden())
        return trace;
    trace.x = x;
    trace.y = y;
    if (complexValue) {
        trace.kind = TraceComplexValue;
        trace.value = complexValue->EvaluateComplexAtXY(x, y);
    } else {
        trace.kind = TracePoint;
    }
    return trace;
}
