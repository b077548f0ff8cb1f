#include "graphs2d/AFunctionOf_XorY.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/CoverageMask.h"
#include "drawing/DrawingPort.h"
#include "drawing/Rasteriser.h"
#include "evaluation/CompiledFormula.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/CurveProbes.h"
#include "graphs2d/ParameterBatch.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr RgbColor kPoleGrey = 0xBFBFBF;
// Columns whose edges one batch run evaluates.
constexpr int32_t kBatchColumns = 256;
constexpr int32_t kMaxUndefinedPieces = 512;
constexpr int32_t kMaxRefinePieces = 2048;
constexpr double kInf = std::numeric_limits<double>::infinity();

// Workers publish a record by its state after its other fields; readers
// (the next column's worker, Draw, the status) read the state first.
int32_t LoadState(const ColumnSample& c)
{
    return __atomic_load_n(&c.state, __ATOMIC_ACQUIRE);
}

void StoreState(ColumnSample& c, int32_t state)
{
    __atomic_store_n(&c.state, state, __ATOMIC_RELEASE);
}

// The end of piece i of n equal pieces of [a, b]; the last ends exactly at b.
double PieceEnd(double a, double b, int32_t i, int32_t n)
{
    return i == n ? b : a + (b - a) * i / n;
}

bool IsNaNInterval(const Interval& v)
{
    return std::isnan(v.lo) || std::isnan(v.hi);
}

}  // namespace

AFunctionOf_XorY::AFunctionOf_XorY(CompiledFormula* f, bool isYofX, AGraphColor* color, int32_t evaluationMode,
                                   const ViewMapping* mapping, int32_t parts)
    : A2DGraph(mapping), formula(f), color(color),
      evaluationMode(evaluationMode >= EdgeSamples && evaluationMode <= RefinedBounds ? evaluationMode
                                                                                     : RefinedBounds),
      isYofX(isYofX), jobs(this, parts)
{
    const ShortRect& r = mapping->rect;
    AllocateColumns(std::max(0, isYofX ? r.right - r.left : r.bottom - r.top));
    formulaList[0] = formula;
    jobs.SetFormulas(formulaList, 2);
    PrepareFormulas();
    RecomputeAll();
}

AFunctionOf_XorY::~AFunctionOf_XorY()
{
    StopJobs();
    BudgetFree(columns);
    delete derivative;
    delete formula;
    delete color;
}

bool AFunctionOf_XorY::AllocateColumns(int32_t count)
{
    columns = nullptr;
    columnCount = 0;
    if (count <= 0)
        return true;
    columns = static_cast<ColumnSample*>(BudgetMalloc(static_cast<uint32_t>(count) * sizeof(ColumnSample), true));
    if (!columns) {
        PostFailure(FailureOutOfMemory);
        return false;
    }
    columnCount = count;
    return true;
}

void AFunctionOf_XorY::PrepareFormulas()
{
    if (!formula)
        return;
    CompileFormula(formula);
    if (formula->IsDifferentiable()) {
        delete derivative;
        derivative = formula->MakeDerivative(CodeU);
        if (derivative)
            CompileFormula(derivative);
    }
    formulaList[1] = derivative;
}

void AFunctionOf_XorY::StartJobs()
{
    if (color)
        color->ResumeFormulas();
    firstPending = columnCount;
    lastPending = 0;
    for (int32_t k = 0; k < columnCount; ++k) {
        if (columns[k].state == NotComputed) {
            firstPending = k;
            break;
        }
    }
    for (int32_t k = columnCount - 1; k >= 0; --k) {
        if (columns[k].state == NotComputed) {
            lastPending = k;
            break;
        }
    }
    pendingAtStart = 0;
    for (int32_t k = firstPending; k <= lastPending && k < columnCount; ++k)
        pendingAtStart += columns[k].state == NotComputed;
    jobs.Start();
}

void AFunctionOf_XorY::StopJobs()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
}

void AFunctionOf_XorY::RecomputeAll()
{
    StopJobs();
    for (int32_t k = 0; k < columnCount; ++k)
        columns[k].state = NotComputed;
    StartJobs();
}

double AFunctionOf_XorY::UnitsPerColumn() const
{
    return isYofX ? mapping->unitsPerPixelX : mapping->unitsPerPixelY;
}

double AFunctionOf_XorY::EdgeOf(int32_t k) const
{
    // Pixel column left + k, or pixel row bottom - 1 - k; the edge lies half
    // a pixel below the centre in parameter terms.
    if (isYofX)
        return (mapping->rect.left + k - mapping->originX - 0.5) * mapping->unitsPerPixelX;
    return (mapping->originY - (mapping->rect.bottom - 1 - k) - 0.5) * mapping->unitsPerPixelY;
}

int32_t AFunctionOf_XorY::ValuePixel(double v) const
{
    return isYofX ? mapping->YToPixelClipped(v) : mapping->XToPixelClipped(v);
}

void AFunctionOf_XorY::EvaluateEdges(int32_t first, int32_t count, double* out)
{
    thread_local std::vector<double> u;
    u.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        u[i] = EdgeOf(first + i);
    EvaluateAtParameters(formula, u.data(), count, out);
}

int32_t AFunctionOf_XorY::ComputeChunk(int32_t part)
{
    if (!columns)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    const int32_t n = lastPending - firstPending + 1;
    if (n > 0) {
        const int32_t per = n / jobs.Parts() + 1;
        const int32_t start = firstPending + part * per;
        const int32_t end = std::min(columnCount - 1, start + per - 1);
        std::vector<double> edges(kBatchColumns + 1);
        for (int32_t block = start; block <= end; block += kBatchColumns) {
            const int32_t last = std::min(end, block + kBatchColumns - 1);
            bool pending = false;
            for (int32_t k = block; k <= last && !pending; ++k)
                pending = LoadState(columns[k]) == NotComputed;
            if (!pending)
                continue;
            EvaluateEdges(block, last - block + 2, edges.data());
            if (jobs.StopRequested())
                return GraphJobStopped;
            for (int32_t k = block; k <= last; ++k) {
                if (LoadState(columns[k]) == NotComputed)
                    EvaluateColumn(k, edges[k - block], edges[k - block + 1]);
                if (jobs.StopRequested())
                    return GraphJobStopped;
            }
        }
    }
    return jobs.FinishPart(part, mapping->doc);
}

void AFunctionOf_XorY::EvaluateColumn(int32_t k, double fa, double fb)
{
    ColumnSample& record = columns[k];
    Column c{EdgeOf(k), EdgeOf(k + 1), fa, fb, NAN, NAN, 2};
    // Swapped only when in order the wrong way, so that NaN stays put.
    if (fa > fb)
        std::swap(c.lo, c.hi);
    if (evaluationMode != EdgeSamples) {
        Interval v = formula->EvaluateOverInterval(c.a, c.b);
        c.ilo = v.lo;
        c.ihi = v.hi;
    }
    if (jobs.StopRequested())
        return;
    record.farEdgeValue = fb;
    record.center = (c.a + c.b) / 2;
    if (evaluationMode == EdgeSamples) {
        record.low = c.lo;
        record.high = c.hi;
        StoreState(record, std::isnan(c.lo) || std::isnan(c.hi) ? Undefined : EdgeSampled);
    } else if (evaluationMode == IntervalBounds) {
        record.low = c.ilo;
        record.high = c.ihi;
        int32_t state = IntervalBounded;
        if (std::isnan(c.ilo) || std::isnan(c.ihi))
            state = Undefined;
        else if (c.ilo == -kInf && c.ihi == kInf)
            state = Unbounded;
        StoreState(record, state);
    } else {
        ClassifyRefined(c, record);
    }
}

void AFunctionOf_XorY::ClassifyRefined(Column& c, ColumnSample& record)
{
    int32_t state;
    if (TestUndefinedColumn(c))
        state = Undefined;
    else if (TestUnboundedColumn(c))
        state = Unbounded;
    else
        state = TestNeedsBounds(c) ? IntervalBounded : EdgeSampled;
    if (jobs.StopRequested())
        return;
    record.low = state == EdgeSampled ? c.lo : c.ilo;
    record.high = state == EdgeSampled ? c.hi : c.ihi;
    StoreState(record, state);
}

bool AFunctionOf_XorY::TestUndefinedColumn(Column& c)
{
    if (!std::isnan(c.ilo) && !std::isnan(c.ihi))
        return false;
    if (std::isnan(c.lo) || std::isnan(c.hi))
        return true;
    if (std::isnan(formula->EvaluateAt((c.a + c.b) / 2)))
        return true;
    if (IsUndefinedOnlyAtEnd(c.a, c.b) && IsMonotoneOnInterval(c.a, c.b))
        return true;
    // Undefined somewhere inside, or only the interval arithmetic says so:
    // split until every piece is defined.
    for (int32_t m = 2; m <= kMaxUndefinedPieces; m *= 2) {
        c.ilo = kInf;
        c.ihi = -kInf;
        bool defined = true;
        for (int32_t i = 0; i < m && defined; ++i) {
            Interval v = formula->EvaluateOverInterval(PieceEnd(c.a, c.b, i, m), PieceEnd(c.a, c.b, i + 1, m));
            defined = !IsNaNInterval(v);
            if (defined) {
                c.ilo = std::min(c.ilo, v.lo);
                c.ihi = std::max(c.ihi, v.hi);
            }
        }
        if (jobs.StopRequested())
            return false;
        if (defined) {
            c.pieces = 2 * m;
            return false;
        }
    }
    c.ilo = c.ihi = NAN;
    return true;
}

bool AFunctionOf_XorY::TestUnboundedColumn(const Column& c)
{
    if (c.ilo != -kInf && c.ihi != kInf)
        return false;
    if (std::isinf(c.lo) || std::isinf(c.hi))
        return true;
    // A monotone column with an infinite bound is drawn from its edges.
    return !IsMonotoneOnInterval(c.a, c.b);
}

bool AFunctionOf_XorY::TestNeedsBounds(Column& c)
{
    if (ValuePixel(c.lo) == ValuePixel(c.ilo) && ValuePixel(c.ihi) == ValuePixel(c.hi))
        return false;
    if (c.ilo == -kInf || c.ihi == kInf)
        return false;
    if (c.pieces == 2) {
        const double m = (c.a + c.b) / 2;
        Interval left = formula->EvaluateOverInterval(c.a, m);
        Interval right = formula->EvaluateOverInterval(m, c.b);
        // Halving does not tighten the bound: it is the function's own.
        if ((std::max(left.hi, right.hi) - std::min(left.lo, right.lo)) / (c.ihi - c.ilo) > 0.999)
            return true;
    }
    if (IsMonotoneOnInterval(c.a, c.b))
        return false;
    RefineBounds(c.a, c.b, c.ilo, c.ihi, c.pieces);
    return true;
}

void AFunctionOf_XorY::RefineBounds(double a, double b, double& lo, double& hi, int32_t n)
{
    if (n > kMaxRefinePieces)
        return;
    // The tightest pixel ends seen: pixels grow downwards and values upwards
    // in a column, the other way round in a row.
    const int32_t sign = isYofX ? -1 : 1;
    int32_t bestLo = -sign * 32768 + (isYofX ? -1 : 0);
    int32_t bestHi = sign * 32768 + (isYofX ? 0 : -1);
    double previousWidth = kInf;
    for (;;) {
        const int32_t pl = ValuePixel(lo), ph = ValuePixel(hi);
        bool improved = false;
        if (sign * pl > sign * bestLo) {
            bestLo = pl;
            improved = true;
        }
        if (sign * ph < sign * bestHi) {
            bestHi = ph;
            improved = true;
        }
        if (!improved) {
            const bool coversPixels = sign * ph > sign * pl;
            if (!((hi - lo) / previousWidth < 0.7 && coversPixels))
                return;
        }
        previousWidth = hi - lo;
        double newLo = kInf, newHi = -kInf;
        for (int32_t i = 0; i < n; ++i) {
            Interval v = formula->EvaluateOverInterval(PieceEnd(a, b, i, n), PieceEnd(a, b, i + 1, n));
            if (!std::isnan(v.lo))
                newLo = std::min(newLo, v.lo);
            if (!std::isnan(v.hi))
                newHi = std::max(newHi, v.hi);
        }
        if (jobs.StopRequested() || newLo > newHi)
            return;
        lo = newLo;
        hi = newHi;
        n *= 2;
        if (n > kMaxRefinePieces)
            return;
    }
}

bool AFunctionOf_XorY::IsMonotoneOnInterval(double a, double b)
{
    const double w = b - a;
    double da = NAN, db = NAN;
    if (derivative) {
        da = derivative->EvaluateAt(a);
        const int32_t s = da >= 0 ? 1 : -1;
        for (double p : kDerivativeProbes) {
            const double v = derivative->EvaluateAt(a + p * w);
            if (p == 1.0)
                db = v;
            if (v == 0)
                continue;
            if ((v > 0 ? 1 : -1) != s)
                return false;
        }
    }
    const double fa = formula->EvaluateAt(a), fb = formula->EvaluateAt(b);
    if (derivative) {
        for (double d : {da, db}) {
            if ((d < 0 && fa < fb) || (d > 0 && fa > fb))
                return false;
        }
    }
    double previous = formula->EvaluateAt(a + kValueProbes[0] * w);
    const double d = previous - fa;
    if (std::isnan(d))
        return false;
    const int32_t direction = d < 0 ? -1 : 1;
    for (size_t i = 1; i < std::size(kValueProbes); ++i) {
        const double v = formula->EvaluateAt(a + kValueProbes[i] * w);
        const double step = v - previous;
        if (std::isnan(step))
            return false;
        if (step != 0) {
            if ((step < 0 ? -1 : 1) != direction)
                return false;
            previous = v;
        }
    }
    return true;
}

bool AFunctionOf_XorY::IsUndefinedOnlyAtEnd(double a, double b)
{
    const double tol = ParameterTolerance(a, b);
    double w = (b - a) / 10;
    while (w > tol) {
        int32_t undefinedPieces = 0, changes = 0, lastChange = 0;
        bool previousUndefined = false;
        for (int32_t i = 0; i < 10; ++i) {
            Interval v = formula->EvaluateOverInterval(a + i * w, i == 9 ? b : a + (i + 1) * w);
            const bool undefined = IsNaNInterval(v);
            undefinedPieces += undefined;
            if (i > 0 && undefined != previousUndefined) {
                ++changes;
                lastChange = i;
            }
            previousUndefined = undefined;
        }
        if (jobs.StopRequested())
            return false;
        if (changes > 1)
            return true;
        if (changes == 0 || undefinedPieces > 1)
            return false;
        // One undefined piece at one end: look closer at it.
        if (lastChange == 1)
            b = a + w;
        else
            a = a + 9 * w;
        w = (b - a) / 10;
    }
    return true;
}

int32_t AFunctionOf_XorY::GetStatus()
{
    if (!IsComplete())
        return MessageNone;
    const ShortRect& r = mapping->rect;
    double vlo, vhi;
    if (isYofX) {
        vhi = -(r.top - mapping->originY - 0.5) * mapping->unitsPerPixelY;
        vlo = -(r.bottom - mapping->originY - 0.5) * mapping->unitsPerPixelY;
    } else {
        vlo = (r.left - mapping->originX - 0.5) * mapping->unitsPerPixelX;
        vhi = (r.right - mapping->originX - 0.5) * mapping->unitsPerPixelX;
    }
    bool anyUnbounded = false, anyShown = false;
    for (int32_t k = 0; k < columnCount; ++k) {
        const ColumnSample& c = columns[k];
        const int32_t state = LoadState(c);
        if (state == Unbounded) {
            anyUnbounded = true;
            continue;
        }
        if (state != EdgeSampled && state != IntervalBounded)
            continue;
        anyShown = true;
        // An exterior interval leaves its ends the wrong way round.
        if (vhi > std::min(c.low, c.high) && vlo < std::max(c.low, c.high))
            return MessageNone;
    }
    if (anyShown)
        return MessageCurveOutsideRegion;
    return anyUnbounded ? MessageInfiniteInDomain : MessageUndefinedInDomain;
}

void AFunctionOf_XorY::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, formula, derivative);
    if (formula && formula->DependsOn(code)) {
        RecomputeAll();
    } else if (color && color->DependsOn(code)) {
        // Every column stays; the jobs finish at once and ask for a redraw.
        StopJobs();
        StartJobs();
    }
}

void AFunctionOf_XorY::SetOption(int32_t code, double value)
{
    if (code == OptionPlottingMode) {
        for (int32_t mode : {EdgeSamples, IntervalBounds, RefinedBounds}) {
            if (value == mode)
                evaluationMode = mode;
        }
        RecomputeAll();
    } else if (code == OptionColor && color) {
        color->SetColorCode(value);
    }
}

void AFunctionOf_XorY::Draw()
{
    if (!color || color->IsHidden() || !columns || !LockPortSurface())
        return;
    if (mapping->pixelsPerScreenPixelX == 2)
        DrawAntialiased();
    else
        DrawLines();
    UnlockPortSurface();
}

void AFunctionOf_XorY::DrawLines()
{
    const RgbColor rgb = color->rgb.load(std::memory_order_relaxed);
    for (int32_t k = 0; k < columnCount; ++k) {
        const ColumnSample& c = columns[k];
        const int32_t state = LoadState(c);
        if (state != EdgeSampled && state != IntervalBounded && state != Unbounded)
            continue;
        if (std::isnan(c.low) || std::isnan(c.high))
            continue;
        const int16_t lowPixel = static_cast<int16_t>(ValuePixel(c.low));
        const int16_t highPixel = static_cast<int16_t>(ValuePixel(c.high));
        const RgbColor ink = state == Unbounded ? kPoleGrey : rgb;
        if (isYofX) {
            const int16_t h = SaturateToShort(mapping->XToPixel(c.center));
            DrawTintedVerticalLine(mapping->rect, {lowPixel, h}, {highPixel, h}, ink, 1);
        } else {
            const int16_t v = SaturateToShort(mapping->YToPixel(c.center));
            DrawTintedHorizontalLine(mapping->rect, {v, lowPixel}, {v, highPixel}, ink, 1);
        }
    }
}

void AFunctionOf_XorY::DrawAntialiased()
{
    const ShortRect& r = mapping->rect;
    const int32_t rows = r.bottom - r.top;
    const int32_t rowBytes = ((r.right - r.left) / 16) * 4 + 4;
    if (rows <= 0 || r.right <= r.left)
        return;
    const uint32_t bytes = static_cast<uint32_t>(rows) * static_cast<uint32_t>(rowBytes);
    auto* mask = static_cast<uint8_t*>(BudgetMalloc(bytes, true));
    if (!mask) {
        PostFailure(FailureOutOfMemory);
        return;
    }
    const int32_t f = 2;
    // The rectangles of the columns in the given states, into the mask.
    auto fill = [&](bool poles) {
        for (int32_t k = 0; k < columnCount; ++k) {
            const ColumnSample& c = columns[k];
            const int32_t state = LoadState(c);
            const bool wanted = poles ? state == Unbounded : state == EdgeSampled || state == IntervalBounded;
            if (!wanted || std::isnan(c.low) || std::isnan(c.high))
                continue;
            const int32_t p0 = ValuePixel(c.low), p1 = ValuePixel(c.high);
            const int32_t lo = std::min(p0, p1), hi = std::max(p0, p1);
            ShortRect box;
            if (isYofX) {
                const int32_t px = mapping->XToPixel(c.center);
                SetShortRect(box, SaturateToShort(lo - f + 1), SaturateToShort(px), SaturateToShort(hi + 1),
                             SaturateToShort(px + f));
            } else {
                const int32_t py = mapping->YToPixel(c.center);
                SetShortRect(box, SaturateToShort(py), SaturateToShort(lo), SaturateToShort(py + f),
                             SaturateToShort(hi + f));
            }
            FillMaskRect(mask, rowBytes, r, box, 3);
        }
    };
    fill(false);
    DrawMaskTinted(mask, rowBytes, r, color->rgb.load(std::memory_order_relaxed), r);
    bool anyPole = false;
    for (int32_t k = 0; k < columnCount && !anyPole; ++k)
        anyPole = LoadState(columns[k]) == Unbounded;
    if (anyPole) {
        std::memset(mask, 0, bytes);
        fill(true);
        DrawMaskTinted(mask, rowBytes, r, kPoleGrey, r);
    }
    BudgetFree(mask);
}

void AFunctionOf_XorY::ViewResized()
{
    const ShortRect& r = mapping->rect;
    const int32_t count = std::max(0, isYofX ? r.right - r.left : r.bottom - r.top);
    StopJobs();
    ColumnSample* old = columns;
    const int32_t oldCount = columnCount;
    // Index 0, the left column or the bottom row, keeps its world position.
    if (AllocateColumns(count) && columns) {
        std::memcpy(columns, old, static_cast<size_t>(std::min(oldCount, count)) * sizeof(ColumnSample));
        for (int32_t k = oldCount; k < count; ++k)
            columns[k].state = NotComputed;
    }
    BudgetFree(old);
    StartJobs();
}

void AFunctionOf_XorY::ViewScrolled(int32_t dx, int32_t dy)
{
    if (!columns)
        return;
    StopJobs();
    const int32_t s = isYofX ? dx : -dy;
    const int32_t count = columnCount;
    if (s >= count || s <= -count) {
        for (int32_t k = 0; k < count; ++k)
            columns[k].state = NotComputed;
    } else if (s > 0) {
        std::memmove(columns + s, columns, static_cast<size_t>(count - s) * sizeof(ColumnSample));
        for (int32_t k = 0; k < s; ++k)
            columns[k].state = NotComputed;
    } else if (s < 0) {
        std::memmove(columns, columns - s, static_cast<size_t>(count + s) * sizeof(ColumnSample));
        for (int32_t k = count + s; k < count; ++k)
            columns[k].state = NotComputed;
    }
    StartJobs();
}
