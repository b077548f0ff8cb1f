#include "graphs2d/A2DVectorPlot.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/ArrowHead.h"
#include "graphs2d/GridPhase.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool IsUndefined(const VectorCell& c)
{
    return std::isnan(c.fieldX) || std::isnan(c.fieldY);
}

}  // namespace

int32_t A2DVectorPlot::SpacingFor(double resolution)
{
    return static_cast<int32_t>(100 - 90 * HeldGrain(resolution) + 0.5);
}

A2DVectorPlot::A2DVectorPlot(CompiledFormula* u, CompiledFormula* v, double resolution, AGraphColor* color,
                             bool normalized, const ViewMapping* mapping)
    : A2DGraph(mapping), uFormula(u), vFormula(v), color(color), normalized(normalized),
      spacing(SpacingFor(resolution) * mapping->pixelsPerScreenPixelX), jobs(this, 1)
{
    for (CompiledFormula* f : {uFormula, vFormula}) {
        if (f)
            CompileFormula(f);
    }
    formulaList[0] = uFormula;
    formulaList[1] = vFormula;
    jobs.SetFormulas(formulaList, 2);
    ComputeGridPhase();
    AllocateCells();
    StartJobs();
}

A2DVectorPlot::~A2DVectorPlot()
{
    StopJobs();
    BudgetFree(cells);
    delete uFormula;
    delete vFormula;
    delete color;
}

void A2DVectorPlot::ComputeGridPhase()
{
    const GridPhase phase = ::ComputeGridPhase(*mapping, spacing);
    phaseX = phase.x;
    phaseY = phase.y;
}

void A2DVectorPlot::AllocateCells()
{
    const ShortRect& r = mapping->rect;
    gridColumns = std::max(0, (r.right - r.left - phaseX) / spacing + 3);
    gridRows = std::max(0, (r.bottom - r.top - phaseY) / spacing + 3);
    cells = static_cast<VectorCell*>(
        BudgetMalloc(static_cast<uint32_t>(gridColumns * gridRows) * sizeof(VectorCell), true));
    if (!cells) {
        PostFailure(FailureOutOfMemory);
        gridColumns = gridRows = 0;
    }
    maxMagnitude = 0;
}

void A2DVectorPlot::StartJobs()
{
    complete = false;
    if (color)
        color->ResumeFormulas();
    jobs.Start();
}

void A2DVectorPlot::StopJobs()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

void A2DVectorPlot::Restart()
{
    StopJobs();
    BudgetFree(cells);
    cells = nullptr;
    // The mapping may have been zoomed: the grid keeps to the origin.
    ComputeGridPhase();
    AllocateCells();
    StartJobs();
}

void A2DVectorPlot::Stop()
{
    if (cells)
        StopJobs();
}

int32_t A2DVectorPlot::ComputeChunk(int32_t part)
{
    if (!cells)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    const ShortRect& r = mapping->rect;
    const double ratio = mapping->unitsPerPixelX / mapping->unitsPerPixelY, k = ratio * ratio;
    int32_t computed = 0;
    for (int32_t i = 0; i < gridRows; ++i) {
        for (int32_t j = 0; j < gridColumns; ++j) {
            VectorCell& c = Cell(i, j);
            if (c.computed.load(std::memory_order_relaxed))
                continue;
            const int32_t h = r.left + spacing * (j - 1) + phaseX;
            const int32_t v = r.bottom - spacing * (i - 1) - phaseY;
            const double x = (h - mapping->originX) * mapping->unitsPerPixelX;
            const double y = -(v - mapping->originY) * mapping->unitsPerPixelY;
            const double fu = uFormula ? uFormula->EvaluateAtUVXYZW(0, 0, x, y, 0, 0) : NAN;
            const double fv = vFormula ? vFormula->EvaluateAtUVXYZW(0, 0, x, y, 0, 0) : NAN;
            if (jobs.StopRequested())
                return GraphJobStopped;
            const double m = std::sqrt(fu * fu + k * fv * fv);
            if (std::isfinite(m) && m > maxMagnitude.load(std::memory_order_relaxed))
                maxMagnitude.store(m, std::memory_order_relaxed);
            c.x = x;
            c.y = y;
            c.fieldX = fu;
            c.fieldY = fv;
            c.computed.store(1, std::memory_order_release);
            ++computed;
        }
    }
    computedByLastStart = computed;
    complete = true;
    return jobs.FinishPart(part, mapping->doc);
}

WorldPoint A2DVectorPlot::ArrowVector(double u, double v) const
{
    const double a = spacing * mapping->unitsPerPixelX / maxMagnitude.load(std::memory_order_relaxed);
    if (!std::isfinite(a))
        return {0, 0};
    const double e = a * u, f = a * v;
    const double w = std::sqrt(e * e + f * f);
    if (!std::isfinite(1 / w))
        return {e, f};
    const double g = std::min(mapping->unitsPerPixelX, mapping->unitsPerPixelY);
    if (normalized)
        return {e / w * g * (spacing - 8), f / w * g * (spacing - 8)};
    // Shortened, so that the head does not touch the next cell's tail.
    const double m = std::min(w, 6.0);
    return {e - e / w * g * m, f - f / w * g * m};
}

int32_t A2DVectorPlot::GetStatus()
{
    if (!complete)
        return MessageNone;
    if (gridRows == 0 || !cells)
        return MessageUndefinedInRegion;
    const ShortRect& r = mapping->rect;
    const double xlo = (r.left - mapping->originX - 0.5) * mapping->unitsPerPixelX;
    const double xhi = (r.right - mapping->originX - 0.5) * mapping->unitsPerPixelX;
    const double ylo = -(r.bottom - mapping->originY - 0.5) * mapping->unitsPerPixelY;
    const double yhi = -(r.top - mapping->originY - 0.5) * mapping->unitsPerPixelY;
    const double a = spacing * mapping->unitsPerPixelX / maxMagnitude.load(std::memory_order_relaxed);
    for (int32_t n = 0; n < gridRows * gridColumns; ++n) {
        const VectorCell& c = cells[n];
        if (!c.computed.load(std::memory_order_acquire) || IsUndefined(c))
            continue;
        if (!std::isfinite(a))
            return MessageNone;
        const bool infinite = !std::isfinite(c.fieldX * c.fieldX + c.fieldY * c.fieldY);
        const WorldPoint tail{c.x, c.y};
        const WorldPoint head = infinite ? tail : WorldPoint{c.x + a * c.fieldX, c.y + a * c.fieldY};
        if (SegmentMeetsBox(tail, head, xlo, xhi, ylo, yhi))
            return MessageNone;
    }
    return MessageUndefinedInRegion;
}

void A2DVectorPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, uFormula, vFormula);
    if ((uFormula && uFormula->DependsOn(code)) || (vFormula && vFormula->DependsOn(code)) ||
        (color && color->DependsOn(code)))
        Restart();
}

void A2DVectorPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color) {
        color->SetColorCode(value);
    } else if (code == OptionResolution) {
        StopJobs();
        spacing = SpacingFor(value) * mapping->pixelsPerScreenPixelX;
        Restart();
    } else if (code == OptionVectorLength) {
        StopJobs();
        normalized = value != 0;
        Restart();
    }
}

void A2DVectorPlot::Draw()
{
    if (!color || color->IsHidden() || !cells || !LockPortSurface())
        return;
    const RgbColor rgb = color->rgb.load(std::memory_order_relaxed);
    for (int32_t n = 0; n < gridRows * gridColumns; ++n) {
        const VectorCell& c = cells[n];
        if (!c.computed.load(std::memory_order_acquire) || IsUndefined(c))
            continue;
        if (!std::isfinite(c.fieldX * c.fieldX + c.fieldY * c.fieldY))
            continue;
        const WorldPoint a = ArrowVector(c.fieldX, c.fieldY);
        const ShortPoint tail{SaturateToShort(mapping->YToPixelClipped(c.y)),
                              SaturateToShort(mapping->XToPixelClipped(c.x))};
        const ShortPoint head{SaturateToShort(mapping->YToPixelClipped(c.y + a.y)),
                              SaturateToShort(mapping->XToPixelClipped(c.x + a.x))};
        DrawTintedLine(mapping->rect, tail, head, rgb);
        DrawArrowHeadAt(c.x, c.y, a.x, a.y, *mapping, rgb);
    }
    UnlockPortSurface();
}

void A2DVectorPlot::ViewScrolled(int32_t dx, int32_t dy)
{
    if (!cells)
        return;
    StopJobs();
    phaseX += dx;
    phaseY -= dy;
    // Whole cells the grid moved by, columns right and rows up.
    int32_t cx = 0, cy = 0;
    while (phaseX >= spacing)
        phaseX -= spacing, ++cx;
    while (phaseX <= -spacing)
        phaseX += spacing, --cx;
    while (phaseY >= spacing)
        phaseY -= spacing, ++cy;
    while (phaseY <= -spacing)
        phaseY += spacing, --cy;
    auto move = [&](VectorCell& to, VectorCell& from) {
        to.x = from.x;
        to.y = from.y;
        to.fieldX = from.fieldX;
        to.fieldY = from.fieldY;
        to.computed.store(from.computed.load(std::memory_order_relaxed), std::memory_order_relaxed);
    };
    // Along each of the lines, index k takes the cell of k - by; the cells
    // that came into view are cleared. cell(line, k) is the cell.
    auto shift = [&](int32_t lines, int32_t length, int32_t by, auto cell) {
        for (int32_t line = 0; line < lines; ++line) {
            for (int32_t n = 0; n < length; ++n) {
                const int32_t k = by > 0 ? length - 1 - n : n;
                const int32_t from = k - by;
                if (from >= 0 && from < length)
                    move(cell(line, k), cell(line, from));
                else
                    cell(line, k).computed.store(0, std::memory_order_relaxed);
            }
        }
    };
    shift(gridRows, gridColumns, cx, [&](int32_t i, int32_t j) -> VectorCell& { return Cell(i, j); });
    shift(gridColumns, gridRows, cy, [&](int32_t j, int32_t i) -> VectorCell& { return Cell(i, j); });
    StartJobs();
}

bool A2DVectorPlot::HitTest(double x, double y)
{
    if (!cells || !color || color->IsHidden())
        return false;
    const double upx = mapping->unitsPerPixelX;
    const double r = upx / mapping->unitsPerPixelY;
    double a = spacing * upx / maxMagnitude.load(std::memory_order_relaxed);
    if (!std::isfinite(a))
        a = 1;
    for (int32_t n = 0; n < gridRows * gridColumns; ++n) {
        const VectorCell& c = cells[n];
        if (!c.computed.load(std::memory_order_acquire) || IsUndefined(c))
            continue;
        const bool infinite = !std::isfinite(c.fieldX * c.fieldX + c.fieldY * c.fieldY);
        const WorldPoint tail{c.x, r * c.y};
        const WorldPoint head = infinite ? tail : WorldPoint{c.x + a * c.fieldX, r * (c.y + a * c.fieldY)};
        if (PointSegmentDistanceSquared({x, r * y}, tail, head) < 16 * upx * upx)
            return true;
    }
    return false;
}

TraceInfo A2DVectorPlot::Trace(double x, double y)
{
    TraceInfo readout;
    if (!cells)
        return readout;
    const double u = uFormula ? uFormula->EvaluateAtUVXYZW(0, 0, x, y, 0, 0) : NAN;
    const double v = vFormula ? vFormula->EvaluateAtUVXYZW(0, 0, x, y, 0, 0) : NAN;
    const WorldPoint a = ArrowVector(u, v);
    readout.kind = TraceVector;
    readout.x = x;
    readout.y = y;
    readout.componentX = u;
    readout.componentY = v;
    readout.arrowX = a.x;
    readout.arrowY = a.y;
    readout.color = static_cast<int32_t>(color ? color->rgb.load(std::memory_order_relaxed) : 0);
    return readout;
}
