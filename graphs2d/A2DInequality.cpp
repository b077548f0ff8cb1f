#include "graphs2d/A2DInequality.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/CoverageMask.h"
#include "drawing/DrawingPort.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/ParameterValue.h"
#include "formula/DocumentQueries.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/CurveNumerics.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Sub-boxes a side when an undecided pixel is searched for a place where
// the relation may hold.
constexpr int32_t kSubBoxes = 5;

// Mask bytes are written by the part that owns their row and read by Draw
// and the trace meanwhile: relaxed atomics, ordered by the parts' done flags
// where it matters.
uint8_t LoadByte(const uint8_t* p)
{
    return __atomic_load_n(p, __ATOMIC_RELAXED);
}

void StoreByte(uint8_t* p, uint8_t v)
{
    __atomic_store_n(p, v, __ATOMIC_RELAXED);
}

// The end of piece i of n equal pieces of [a, b]; the last ends exactly at b.
double PieceEnd(double a, double b, int32_t i, int32_t n)
{
    return i == n ? b : a + (b - a) * i / n;
}

bool IsExactly(const Interval& v, double value)
{
    return v.lo == value && v.hi == value;
}

}  // namespace

int32_t MaskRowBytes(int32_t width)
{
    return (std::max(0, width) / 16) * 4 + 4;
}

bool SplitPixelRect(const ShortRect& r, ShortRect* first, ShortRect* second)
{
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    if (w <= kLargestPixelRect && h <= kLargestPixelRect)
        return false;
    *first = *second = r;
    if (w > 1 && h < w) {
        first->right = second->left = static_cast<int16_t>(r.left + w / 2);
    } else {
        first->bottom = second->top = static_cast<int16_t>(r.top + h / 2);
    }
    return true;
}

A2DInequality::A2DInequality(CompiledFormula* relation, CompiledFormula* boundary, AGraphColor* color,
                             int32_t evaluationMode, bool isEquation, const ViewMapping* mapping, int32_t parts)
    : A2DGraph(mapping), relation(relation), boundary(boundary),
      evaluationMode(evaluationMode >= CornerSample && evaluationMode <= ClassifiedBoundary ? evaluationMode
                                                                                          : ClassifiedBoundary),
      isEquation(isEquation), color(color), jobs(this, parts)
{
    formulaList[0] = relation;
    formulaList[1] = boundary;
    jobs.SetFormulas(formulaList, 2);
    queues.reset(new PixelRectList[jobs.Parts()]());
    // The benchmark measures computing, not recalling.
    imageCache.disabled = ShellIsBenchmarkRunning();
    AllocateMask();
    ResetMask();
    PrepareFormulas();
    StartJobs();
}

A2DInequality::~A2DInequality()
{
    StopJobs();
    for (int32_t i = 0; i < jobs.Parts(); ++i)
        queues[i].Clear();
    pending.Clear();
    BudgetFree(mask);
    delete relation;
    delete boundary;
    delete color;
}

bool A2DInequality::AllocateMask()
{
    const ShortRect& r = mapping->rect;
    maskWidth = std::max(0, r.right - r.left);
    maskRows = std::max(0, r.bottom - r.top);
    maskRowBytes = MaskRowBytes(maskWidth);
    maskRect = r;
    computedMapping = *mapping;
    mask = nullptr;
    if (maskRows == 0)
        return true;
    mask = static_cast<uint8_t*>(BudgetMalloc(MaskBytes(), true));
    if (!mask) {
        PostFailure(FailureOutOfMemory);
        return false;
    }
    return true;
}

uint32_t A2DInequality::MaskBytes() const
{
    return static_cast<uint32_t>(maskRowBytes) * static_cast<uint32_t>(maskRows);
}

void A2DInequality::ResetMask()
{
    if (!mask)
        return;
    ZeroBytes(mask, MaskBytes());
    pending.count = 0;
    pending.Push(maskRect);
}

void A2DInequality::PrepareFormulas()
{
    // Apart, not as a batch: the workers run the relation while the
    // single-job thread runs the boundary.
    if (relation)
        CompileFormula(relation);
    if (boundary)
        CompileFormula(boundary);
}

void A2DInequality::StartJobs()
{
    // Dealing out the pending work touches the queues: no part may run.
    StopJobs();
    computedMapping = *mapping;
    if (color)
        color->ResumeFormulas();
    DistributePending();
    jobs.Start();
}

void A2DInequality::StopJobs()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
    CollectQueues();
}

void A2DInequality::CollectQueues()
{
    for (int32_t i = 0; i < jobs.Parts(); ++i) {
        for (const ShortRect& r : queues[i])
            pending.Push(r);
        queues[i].Clear();
    }
}

void A2DInequality::DistributePending()
{
    int32_t top0, bottom0;
    if (!RowRangeOfRects(pending, &top0, &bottom0))
        return;
    const int32_t parts = jobs.Parts();
    const int32_t band = (bottom0 - top0 + 1) / parts;
    while (pending.count > 0) {
        const ShortRect r = pending.PopLast();
        for (int32_t i = 0; i < parts; ++i) {
            const int32_t lo = top0 + i * (band + 1), hi = lo + band + 1;
            ShortRect piece = r;
            piece.top = static_cast<int16_t>(std::clamp<int32_t>(r.top, lo, hi));
            piece.bottom = static_cast<int16_t>(std::clamp<int32_t>(r.bottom, lo, hi));
            if (piece.top < piece.bottom && piece.left < piece.right)
                queues[i].Push(piece);
        }
    }
}

A2DInequality::Box A2DInequality::WorldBox(int32_t top, int32_t left, int32_t bottom, int32_t right) const
{
    // Every pixel is the box around its centre; a rectangle's box is the
    // union of its pixels' boxes, edge for edge the same numbers.
    const ViewMapping& m = computedMapping;
    return Box{(left - m.originX - 0.5) * m.unitsPerPixelX, (right - m.originX - 0.5) * m.unitsPerPixelX,
               -(bottom - m.originY - 0.5) * m.unitsPerPixelY, -(top - m.originY - 0.5) * m.unitsPerPixelY};
}

int32_t A2DInequality::ComputeChunk(int32_t part)
{
    if (!mask)
        return GraphJobNothingToDo;
    const Interval plane = relation->EvaluateOverBoxXY(-kInf, kInf, -kInf, kInf);
    if (!jobs.StopRequested()) {
        planeTruthLow.store(plane.lo, std::memory_order_relaxed);
        planeTruthHigh.store(plane.hi, std::memory_order_relaxed);
    }
    if (color)
        color->EvaluateConstantColor();
    PixelRectList& queue = queues[part];
    int64_t evaluations = 1;
    bool stopped = false;
    while (!stopped && !(stopped = jobs.StopRequested()) && queue.count > 0) {
        const ShortRect r = queue.PopLast();
        if (r.right <= r.left || r.bottom <= r.top)
            continue;
        const Box box = WorldBox(r.top, r.left, r.bottom, r.right);
        const Interval v = relation->EvaluateOverBoxXY(box.x0, box.x1, box.y0, box.y1);
        ++evaluations;
        if (jobs.StopRequested()) {
            queue.Push(r);
            stopped = true;
            break;
        }
        ShortRect first, second;
        if (IsExactly(v, 1)) {
            FillRect(r);
        } else if (IsExactly(v, 0)) {
            // Certainly false throughout.
        } else if (SplitPixelRect(r, &first, &second)) {
            // The first half is taken next.
            queue.Push(second);
            queue.Push(first);
        } else {
            for (int32_t row = r.top; row < r.bottom && !stopped; ++row) {
                for (int32_t column = r.left; column < r.right; ++column) {
                    const Box p = WorldBox(row, column, row + 1, column + 1);
                    const Interval pv = relation->EvaluateOverBoxXY(p.x0, p.x1, p.y0, p.y1);
                    ++evaluations;
                    int32_t level = MaskClear;
                    if (std::isnan(pv.hi) || IsExactly(pv, 0))
                        level = MaskClear;
                    else if (IsExactly(pv, 1))
                        level = MaskFull;
                    else
                        level = DecideUndecidedPixel(p, evaluations);
                    // A stopped evaluation answers nothing worth keeping:
                    // the whole rectangle is done again later.
                    if (jobs.StopRequested()) {
                        queue.Push(r);
                        stopped = true;
                        break;
                    }
                    if (level != MaskClear)
                        StoreLevel(row, column, level);
                }
            }
        }
    }
    boxEvaluations.fetch_add(evaluations, std::memory_order_relaxed);
    if (stopped)
        return GraphJobStopped;
    return jobs.FinishPart(part, mapping->doc);
}

int32_t A2DInequality::DecideUndecidedPixel(const Box& box, int64_t& evaluations)
{
    if (isEquation)
        return AnySubBoxMayHold(box, evaluations);
    switch (evaluationMode) {
    case CornerSample:
        return relation->EvaluateAtXY(box.x0, box.y1) == 1 ? MaskFull : MaskClear;
    case LightBoundary:
        return MaskLight;
    default:
        return ClassifyBoundaryPixel(box, evaluations);
    }
}

int32_t A2DInequality::AnySubBoxMayHold(const Box& box, int64_t& evaluations)
{
    // The diagonals first: a curve through the pixel most likely crosses
    // one of them.
    static const auto order = [] {
        std::vector<std::pair<int32_t, int32_t>> cells;
        for (int32_t i = 0; i < kSubBoxes; ++i)
            cells.emplace_back(i, i);
        for (int32_t i = 0; i < kSubBoxes; ++i) {
            if (i != kSubBoxes - 1 - i)
                cells.emplace_back(i, kSubBoxes - 1 - i);
        }
        for (int32_t i = 0; i < kSubBoxes; ++i) {
            for (int32_t j = 0; j < kSubBoxes; ++j) {
                if (i != j && i + j != kSubBoxes - 1)
                    cells.emplace_back(i, j);
            }
        }
        return cells;
    }();
    for (const auto& [i, j] : order) {
        const Interval v = relation->EvaluateOverBoxXY(
            PieceEnd(box.x0, box.x1, i, kSubBoxes), PieceEnd(box.x0, box.x1, i + 1, kSubBoxes),
            PieceEnd(box.y0, box.y1, j, kSubBoxes), PieceEnd(box.y0, box.y1, j + 1, kSubBoxes));
        ++evaluations;
        if (v.hi == 1)
            return MaskFull;
        if (jobs.StopRequested())
            return MaskClear;
    }
    return MaskClear;
}

int32_t A2DInequality::ClassifyBoundaryPixel(const Box& box, int64_t& evaluations)
{
    const double e = relation->EvaluateAtXY(box.x0, box.y1);
    const double others[] = {relation->EvaluateAtXY(box.x1, box.y0), relation->EvaluateAtXY(box.x1, box.y1),
                             relation->EvaluateAtXY(box.x0, box.y0)};
    for (double o : others) {
        if (o != e)
            return MaskLight;
    }
    if (AnySubBoxMayHold(box, evaluations) == MaskFull)
        return MaskLight;
    return e == 1 ? MaskFull : MaskClear;
}

void A2DInequality::StoreLevel(int32_t row, int32_t column, int32_t level)
{
    const int32_t c = column - maskRect.left;
    uint8_t* p = mask + static_cast<size_t>(row - maskRect.top) * maskRowBytes + c / 4;
    const int32_t shift = 6 - 2 * (c % 4);
    StoreByte(p, static_cast<uint8_t>((LoadByte(p) & ~(3 << shift)) | (level << shift)));
}

void A2DInequality::FillRect(const ShortRect& r)
{
    const int32_t c0 = r.left - maskRect.left, c1 = r.right - maskRect.left;
    for (int32_t row = r.top; row < r.bottom; ++row) {
        uint8_t* line = mask + static_cast<size_t>(row - maskRect.top) * maskRowBytes;
        for (int32_t byte = c0 / 4; byte * 4 < c1; ++byte) {
            uint8_t bits = 0;
            for (int32_t c = std::max(c0, byte * 4); c < std::min(c1, byte * 4 + 4); ++c)
                bits |= static_cast<uint8_t>(3 << (6 - 2 * (c % 4)));
            StoreByte(line + byte, static_cast<uint8_t>(LoadByte(line + byte) | bits));
        }
    }
}

int32_t A2DInequality::LevelAt(int32_t row, int32_t column) const
{
    const int32_t c = column - maskRect.left;
    const uint8_t byte = LoadByte(mask + static_cast<size_t>(row - maskRect.top) * maskRowBytes + c / 4);
    return (byte >> (6 - 2 * (c % 4))) & 3;
}

bool A2DInequality::IsSet(int32_t row, int32_t column) const
{
    return (LevelAt(row + maskRect.top, column + maskRect.left) & 1) != 0;
}

int32_t A2DInequality::GetStatus()
{
    if (!IsComplete())
        return MessageNone;
    if (planeTruthLow.load(std::memory_order_relaxed) == 0 && planeTruthHigh.load(std::memory_order_relaxed) == 0)
        return isEquation ? MessageNotSatisfiedAnywhere : MessageFalseEverywhere;
    const uint32_t bytes = MaskBytes();
    for (uint32_t i = 0; i < bytes; ++i) {
        if (LoadByte(mask + i))
            return MessageNone;
    }
    return isEquation ? MessageNotSatisfiedInRegion : MessageFalseInRegion;
}

void A2DInequality::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, relation, boundary);
    if (!mask)
        return;
    const bool inRelation = relation && relation->DependsOn(code);
    if (inRelation && code != DocSliderVariable(relation->doc)) {
        Restart();
    } else if (inRelation) {
        // The slider moved: a value seen before shows its stored mask.
        StopJobs();
        if (imageCache.Recall(DocSliderValue(relation->doc), mask, MaskBytes()))
            pending.count = 0;
        else
            ResetMask();
        StartJobs();
    } else if (color && color->DependsOn(code)) {
        // The mask stays; the parts finish at once and ask for a redraw.
        StartJobs();
    }
}

void A2DInequality::SetOption(int32_t code, double value)
{
    if (code == OptionPlottingMode) {
        for (int32_t mode : {CornerSample, LightBoundary, ClassifiedBoundary}) {
            if (value == mode)
                evaluationMode = mode;
        }
        // Masks of the other mode must not come back with the slider.
        imageCache.Clear();
        StopJobs();
        ResetMask();
        StartJobs();
    } else if (code == OptionColor && color) {
        color->SetColorCode(value);
    }
}

void A2DInequality::Restart()
{
    imageCache.Clear();
    StopJobs();
    ResetMask();
    StartJobs();
}

bool A2DInequality::MappingMoved() const
{
    const ViewMapping& m = *mapping;
    const ViewMapping& c = computedMapping;
    return !EqualShortRects(m.rect, c.rect) || m.originX != c.originX || m.originY != c.originY ||
           m.scaleX != c.scaleX || m.scaleY != c.scaleY;
}

void A2DInequality::Draw()
{
    if (!color || color->IsHidden())
        return;
    if (MappingMoved()) {
        // The view changed its drawing mapping without telling its plots
        // (switching to or from its supersampled surface): the mask belongs
        // to another mapping and is made afresh.
        StopJobs();
        imageCache.Clear();
        BudgetFree(mask);
        AllocateMask();
        ResetMask();
        if (mask)
            StartJobs();
        return;
    }
    if (!mask)
        return;
    if (IsComplete())
        imageCache.Store(mask, MaskBytes());
    if (!LockPortSurface())
        return;
    // A snapshot, as the parts may still be writing.
    std::vector<uint8_t> snapshot(MaskBytes());
    for (size_t i = 0; i < snapshot.size(); ++i)
        snapshot[i] = LoadByte(mask + i);
    DrawMaskTinted(snapshot.data(), maskRowBytes, maskRect, color->rgb.load(std::memory_order_relaxed),
                   mapping->rect);
    UnlockPortSurface();
}

void A2DInequality::ViewResized()
{
    StopJobs();
    imageCache.Clear();
    uint8_t* oldMask = mask;
    const ShortRect oldRect = maskRect;
    const int32_t oldRowBytes = maskRowBytes;
    AllocateMask();
    if (mask && oldMask) {
        // The bottom-left corners coincide.
        const int32_t dx = maskRect.left - oldRect.left, dy = maskRect.bottom - oldRect.bottom;
        const RECT moved{oldRect.left + dx, oldRect.top + dy, oldRect.right + dx, oldRect.bottom + dy};
        const int32_t top = std::max<int32_t>(moved.top, maskRect.top);
        const int32_t left = std::max<int32_t>(moved.left, maskRect.left);
        const int32_t bottom = std::min<int32_t>(moved.bottom, maskRect.bottom);
        const int32_t right = std::min<int32_t>(moved.right, maskRect.right);
        if (top < bottom && left < right) {
            ShortRect overlap, source;
            SetShortRect(overlap, top, left, bottom, right);
            SetShortRect(source, top - dy, left - dx, bottom - dy, right - dx);
            CopyMaskRect(oldMask, oldRowBytes, ShortPoint{oldRect.top, oldRect.left}, source, mask, maskRowBytes,
                         maskRect, overlap);
            OffsetAndClipRects(pending, dx, dy, maskRect);
            AddUncoveredStrips(pending, moved, maskRect);
        } else {
            ResetMask();
        }
    } else if (mask) {
        ResetMask();
    }
    BudgetFree(oldMask);
    if (mask)
        StartJobs();
}

void A2DInequality::ViewScrolled(int32_t dx, int32_t dy)
{
    if (!mask)
        return;
    StopJobs();
    ScrollMask(mask, maskRowBytes, maskRect, dx, dy);
    OffsetAndClipRects(pending, dx, dy, maskRect);
    const RECT moved{maskRect.left + dx, maskRect.top + dy, maskRect.right + dx, maskRect.bottom + dy};
    AddUncoveredStrips(pending, moved, maskRect);
    imageCache.Clear();
    StartJobs();
}

bool A2DInequality::CanTrace() const
{
    return mask && boundary && color && !color->IsHidden();
}

bool A2DInequality::HitTest(double x, double y)
{
    if (!CanTrace())
        return false;
    return HasSignChangeAround(boundary, 0, x, y, 4 * mapping->unitsPerPixelX, 4 * mapping->unitsPerPixelY);
}

NearestPointResult A2DInequality::NearestPoint(double x, double y, double tolerance, double, double)
{
    if (!CanTrace())
        return NearestPointResult{};
    return FindImplicitCrossings(boundary, 0, WorldPoint{x, y}, tolerance,
                                 tolerance * mapping->unitsPerPixelY / mapping->unitsPerPixelX);
}

void A2DInequality::ConsiderBoundaryPixel(int32_t col, int32_t row, double xm, double ym, double k, double& best,
                                          double& bx, double& by) const
{
    if (col < 0 || row < 0 || col >= maskWidth || row >= maskRows || !IsSet(row, col))
        return;
    bool inside = true;
    for (int32_t dr = -1; dr <= 1 && inside; ++dr) {
        for (int32_t dc = -1; dc <= 1 && inside; ++dc) {
            const int32_t r = std::clamp(row + dr, 0, maskRows - 1), c = std::clamp(col + dc, 0, maskWidth - 1);
            inside = IsSet(r, c);
        }
    }
    if (inside)
        return;
    const ViewMapping& m = *mapping;
    const double x = (col + maskRect.left - m.originX) * m.unitsPerPixelX;
    const double y = -(row + maskRect.top - m.originY) * m.unitsPerPixelY;
    const double d = (x - xm) * (x - xm) + k * (y - ym) * (y - ym);
    if (d < best) {
        best = d;
        bx = x;
        by = y;
    }
}

TraceInfo A2DInequality::Trace(double x, double y)
{
    TraceInfo readout;
    if (!CanTrace())
        return readout;
    const ViewMapping& m = *mapping;
    const int32_t px = m.XToPixelClipped(x) - maskRect.left, py = m.YToPixelClipped(y) - maskRect.top;
    const double ratio = m.unitsPerPixelX / m.unitsPerPixelY;
    const double k = ratio * ratio;
    double best = kInf, bx = 0, by = 0;
    double limit = std::max(maskWidth, maskRows);
    for (int32_t d = 0; d <= limit; ++d) {
        const double before = best;
        for (int32_t c = px - d; c <= px + d; ++c) {
            ConsiderBoundaryPixel(c, py - d, x, y, k, best, bx, by);
            if (d > 0)
                ConsiderBoundaryPixel(c, py + d, x, y, k, best, bx, by);
        }
        for (int32_t r = py - d + 1; r <= py + d - 1; ++r) {
            ConsiderBoundaryPixel(px - d, r, x, y, k, best, bx, by);
            ConsiderBoundaryPixel(px + d, r, x, y, k, best, bx, by);
        }
        // Nothing beyond the best distance found can be nearer.
        if (best < before)
            limit = std::sqrt(best) * m.scaleX + 1;
    }
    if (best == kInf)
        return readout;
    WorldPoint point{};
    if (FindImplicitPointNear(boundary, 0, WorldPoint{bx, by}, 2 * m.unitsPerPixelX, 2 * m.unitsPerPixelY,
                              WorldPoint{x, y}, &point)) {
        readout.x = point.x;
        readout.y = point.y;
        readout.kind = TracePoint;
        SnapTraceToAxes(boundary, 0, 4 * m.unitsPerPixelX, 4 * m.unitsPerPixelY, &readout);
    }
    return readout;
}
