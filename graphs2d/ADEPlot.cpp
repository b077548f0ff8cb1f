#include "graphs2d/ADEPlot.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/GridPhase.h"
#include "graphs2d/SolutionCurve.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Points of a curve that circles inside the view.
constexpr int32_t kStartPointLimit = 4000;
constexpr int32_t kGridPointLimit = 1000;

int32_t SignOf(double v, int32_t unchanged)
{
    return v > 0 ? 1 : v < 0 ? -1 : unchanged;
}

}  // namespace

int32_t ADEPlot::SpacingFor(double resolution)
{
    return static_cast<int32_t>(200 - 150 * HeldGrain(resolution) + 0.5);
}

ADEPlot::ADEPlot(CompiledFormula* slope, CompiledFormula* dy, CompiledFormula* startX, CompiledFormula* startY,
                 AGraphColor* color, double resolution, const ViewMapping* mapping)
    : A2DGraph(mapping), slopeFormula(slope), dyFormula(dy), startXFormula(startX), startYFormula(startY),
      color(color), spacing(SpacingFor(resolution) * mapping->pixelsPerScreenPixelX), jobs(this, 1)
{
    if (IsGridMode())
        AllocateOccupancy();
    int32_t n = 0;
    for (CompiledFormula* f : {slopeFormula, dyFormula, startXFormula, startYFormula}) {
        if (f) {
            CompileFormula(f);
            formulaList[n++] = f;
        }
    }
    jobs.SetFormulas(formulaList, n);
    StartJobs();
}

ADEPlot::~ADEPlot()
{
    StopJobs();
    FreeCurves();
    delete slopeFormula;
    delete dyFormula;
    delete startXFormula;
    delete startYFormula;
    delete color;
    BudgetFree(occupancy);
}

void ADEPlot::AllocateOccupancy()
{
    BudgetFree(occupancy);
    const GridPhase phase = ComputeGridPhase(*mapping, spacing);
    phaseX = phase.x;
    phaseY = phase.y;
    const ShortRect& r = mapping->rect;
    gridColumns = std::max(0, (r.right - r.left - phaseX) / spacing + 3);
    gridRows = std::max(0, (r.bottom - r.top - phaseY) / spacing + 3);
    occupancy = static_cast<std::atomic<uint8_t>*>(BudgetMalloc(static_cast<uint32_t>(4 * gridColumns * gridRows), true));
    if (!occupancy) {
        PostFailure(FailureOutOfMemory);
        gridColumns = gridRows = 0;
    }
}

void ADEPlot::FreeCurves()
{
    MutexLock hold(jobs.lock);
    for (int32_t i = 0; i < curves.count; ++i)
        delete curves.storage[i];
    curves.Clear();
}

void ADEPlot::AddCurve(SolutionCurve* curve)
{
    if (!curve)
        return;
    if (jobs.StopRequested()) {
        delete curve;
        return;
    }
    MutexLock hold(jobs.lock);
    if (curves.Push(curve) != 0) {
        PostFailure(FailureOutOfMemory);
        delete curve;
    }
}

int32_t ADEPlot::CurveCount()
{
    MutexLock hold(jobs.lock);
    return curves.count;
}

bool ADEPlot::CopyCurve(int32_t i, SolutionCurve* into)
{
    MutexLock hold(jobs.lock);
    if (i < 0 || i >= curves.count)
        return false;
    const SolutionCurve& c = *curves.storage[i];
    for (int32_t k = 0; k < c.count; ++k) {
        if (into->Push(c.PointAt(k)) != 0)
            return false;
    }
    return true;
}

std::atomic<uint8_t>* ADEPlot::OccupancyAt(int32_t px, int32_t py)
{
    if (!occupancy)
        return nullptr;
    const ShortRect& r = mapping->rect;
    const int64_t c = (spacing / 2 + 2 * (int64_t{px} - phaseX - r.left)) / spacing;
    const int64_t row = (spacing / 2 + 2 * (int64_t{r.bottom} - phaseY - py)) / spacing;
    const int64_t index = c + 2 * int64_t{gridColumns} * row;
    if (index < 0 || index >= 4 * int64_t{gridColumns} * gridRows)
        return nullptr;
    return occupancy + index;
}

void ADEPlot::StartJobs()
{
    complete = false;
    if (color)
        color->ResumeFormulas();
    jobs.Start();
}

void ADEPlot::StopJobs()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

void ADEPlot::Restart()
{
    StopJobs();
    FreeCurves();
    if (IsGridMode())
        AllocateOccupancy();
    solved = false;
    StartJobs();
}

ADEPlot::SlopeAt ADEPlot::Slope(double x, double y) const
{
    if (!dyFormula)
        return {slopeFormula->EvaluateAtXY(x, y), 1, 1};
    const double a = slopeFormula->EvaluateAtXY(x, y);
    const double b = dyFormula->EvaluateAtXY(x, y);
    if (std::fabs(a) < 0.001 * std::fabs(mapping->unitsPerPixelX) &&
        std::fabs(b) < 0.001 * std::fabs(mapping->unitsPerPixelY))
        return {NAN, 1, 1};
    return {b / a, a >= 0 ? 1 : -1, b >= 0 ? 1 : -1};
}

SolutionCurve* ADEPlot::SolveFrom(double x0, double y0, int32_t direction, bool onWorker)
{
    auto* curve = new (std::nothrow) SolutionCurve;
    if (!curve) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    const double hx = mapping->unitsPerPixelX, hy = mapping->unitsPerPixelY;
    double x = x0, y = y0;
    const SlopeAt first = Slope(x, y);
    int32_t xSign = 1, ySign = 1;
    // A slope that is NaN counts as steep: its step is NaN and ends the curve.
    auto shallow = [](double m) { return std::fabs(m) <= 1; };
    int32_t d = (shallow(first.slope) ? first.sx : first.sy) * direction;
    double previous = first.slope;
    const int32_t limit = IsGridMode() ? kGridPointLimit : kStartPointLimit;
    while (mapping->ContainsWorldPoint(x, y) && !(onWorker && jobs.StopRequested())) {
        if (std::atomic<uint8_t>* counter = OccupancyAt(mapping->XToPixelChecked(x), mapping->YToPixelChecked(y))) {
            const uint8_t n = counter->load(std::memory_order_relaxed);
            if (n < 255)
                counter->store(n + 1, std::memory_order_relaxed);
        }
        if (curve->Push(WorldPoint{x, y}) != 0) {
            PostFailure(FailureOutOfMemory);
            delete curve;
            return nullptr;
        }
        const double l = Slope(x, y).slope;
        double dx, dy;
        if (shallow(l)) {
            if (!shallow(previous))
                d = xSign;
            const double h = d * hx;
            const double k1 = l * h;
            const double k2 = Slope(x + h / 2, y + k1 / 2).slope * h;
            const double k3 = Slope(x + h / 2, y + k2 / 2).slope * h;
            const double k4 = Slope(x + h, y + k3).slope * h;
            dy = (k1 + 2 * k2 + 2 * k3 + k4) / 6;
            dx = h;
            // The step left the shallow regime: the curve ends at the next test.
            if (std::fabs(dx) * 1.5 < std::fabs(dy))
                dy = NAN;
            ySign = SignOf(dy, ySign);
        } else {
            if (shallow(previous))
                d = ySign;
            const double h = d * hy;
            const double k1 = h / l;
            const double k2 = h / Slope(x + k1 / 2, y + h / 2).slope;
            const double k3 = h / Slope(x + k2 / 2, y + h / 2).slope;
            const double k4 = h / Slope(x + k3, y + h).slope;
            dx = (k1 + 2 * k2 + 2 * k3 + k4) / 6;
            dy = h;
            if (std::fabs(dy) * 1.5 < std::fabs(dx))
                dx = NAN;
            xSign = SignOf(dx, xSign);
        }
        x += dx;
        y += dy;
        previous = l;
        if (curve->count >= limit)
            break;
    }
    return curve;
}

int32_t ADEPlot::ComputeChunk(int32_t part)
{
    if (IsGridMode() && !occupancy)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    if (!solved && IsGridMode()) {
        const ShortRect& r = mapping->rect;
        for (int32_t i = 0; i < gridRows; ++i) {
            for (int32_t j = 0; j < gridColumns; ++j) {
                const int32_t h = r.left + spacing * (j - 1) + phaseX;
                const int32_t v = r.bottom - spacing * (i - 1) - phaseY;
                const double x = (h - mapping->originX) * mapping->unitsPerPixelX;
                const double y = -(v - mapping->originY) * mapping->unitsPerPixelY;
                std::atomic<uint8_t>* counter = OccupancyAt(h, v);
                if (!mapping->ContainsWorldPoint(x, y) || !counter || counter->load(std::memory_order_relaxed) != 0)
                    continue;
                AddCurve(SolveFrom(x, y, +1, true));
                AddCurve(SolveFrom(x, y, -1, true));
                if (jobs.StopRequested())
                    return GraphJobStopped;
            }
        }
    } else if (!solved) {
        // A computation stopped half-way left what it had; start again.
        FreeCurves();
        const double x = startXFormula->EvaluateAt(0), y = startYFormula->EvaluateAt(0);
        AddCurve(SolveFrom(x, y, +1, true));
        AddCurve(SolveFrom(x, y, -1, true));
    }
    if (jobs.StopRequested())
        return GraphJobStopped;
    solved = true;
    complete = true;
    return jobs.FinishPart(part, mapping->doc);
}

void ADEPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, slopeFormula, dyFormula, startXFormula, startYFormula);
    for (CompiledFormula* f : {slopeFormula, dyFormula, startXFormula, startYFormula}) {
        if (f && f->DependsOn(code)) {
            Restart();
            return;
        }
    }
    if (color && color->DependsOn(code)) {
        // The curves stay: the colour is evaluated again and they are redrawn.
        StopJobs();
        StartJobs();
    }
}

void ADEPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color) {
        color->SetColorCode(value);
    } else if (code == OptionResolution && IsGridMode()) {
        StopJobs();
        spacing = SpacingFor(value) * mapping->pixelsPerScreenPixelX;
        Restart();
    }
}

void ADEPlot::Draw()
{
    if (!color || color->IsHidden() || !AcquirePortDC())
        return;
    ClipPortToRect(mapping->rect);
    PortSetPenSize(mapping->pixelsPerScreenPixelX);
    PortSetForeColor(color->rgb.load(std::memory_order_relaxed));
    {
        MutexLock hold(jobs.lock);
        for (int32_t i = 0; i < curves.count; ++i)
            DrawSolutionCurve(*curves.storage[i], *mapping);
    }
    PortPenNormal();
    ReleasePortDC();
}

bool ADEPlot::HitTest(double, double)
{
    // The curves fill the view: all of it counts as the plot.
    return color && !color->IsHidden();
}

TraceInfo ADEPlot::Trace(double x, double y)
{
    TraceInfo readout;
    readout.kind = TraceSolutionCurves;
    readout.x = x;
    readout.y = y;
    readout.color = static_cast<int32_t>(color ? color->rgb.load(std::memory_order_relaxed) : 0);
    readout.forwardCurve = SolveFrom(x, y, +1);
    // A system is traced forward in time only.
    readout.backwardCurve = dyFormula ? nullptr : SolveFrom(x, y, -1);
    return readout;
}
