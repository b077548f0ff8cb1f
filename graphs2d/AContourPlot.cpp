#include "graphs2d/AContourPlot.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs2d/CurveNumerics.h"
#include "graphs2d/ViewMapping.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Corner k of a cell in cell units: bottom-left, top-left, top-right,
// bottom-right.
constexpr int32_t kCornerA[4] = {0, 0, 1, 1};
constexpr int32_t kCornerB[4] = {0, 1, 1, 0};
// The five edges by corner pairs: left, diagonal, bottom, top, right.
constexpr int32_t kEdgeCorners[5][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {2, 3}};
constexpr int32_t kEdgeLeft = 0, kEdgeBottom = 2, kEdgeTop = 3, kEdgeRight = 4;
// The two triangles by their edges.
constexpr int32_t kTriangleEdges[2][3] = {{0, 1, 3}, {1, 2, 4}};
// Root searches along an edge stop within this fraction of it.
constexpr double kEdgeTolerance = 0.01;

}  // namespace

AContourPlot::AContourPlot(CompiledFormula* f, double resolution, AGraphColor* color, const ViewMapping* mapping)
    : A2DGraph(mapping), formula(f), color(color), jobs(this, 1), levelCount(ContourLevelCount(resolution))
{
    formulaList[0] = formula;
    jobs.SetFormulas(formulaList, 1);
    if (formula)
        CompileFormula(formula);
    SetupGrid();
    if (this->color)
        this->color->ResumeFormulas();
    jobs.Start();
}

AContourPlot::~AContourPlot()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
    BudgetFree(columns);
    points.Clear();
    segments.Clear();
    delete formula;
    delete color;
}

void AContourPlot::SetupGrid()
{
    const ShortRect& r = mapping->rect;
    const double ux = mapping->unitsPerPixelX, uy = mapping->unitsPerPixelY;
    const double h = ux / 2;
    gridLeft = (r.left - mapping->originX) * ux - h;
    gridRight = (r.right - mapping->originX) * ux - h;
    gridBottom = h - (r.bottom - mapping->originY) * uy;
    gridTop = h - (r.top - mapping->originY) * uy;
    cellWidth = (gridRight - gridLeft) / kCells;
    cellHeight = (gridTop - gridBottom) / kCells;
    BudgetFree(columns);
    columns = static_cast<ContourColumn*>(BudgetMalloc((kCells + 1) * sizeof(ContourColumn), true));
    if (!columns)
        PostFailure(FailureOutOfMemory);
    std::memset(rowCarry.crossings, 0, sizeof rowCarry.crossings);
    column = row = 0;
}

void AContourPlot::ClearResults()
{
    MutexLock hold(jobs.lock);
    points.Clear();
    segments.Clear();
}

void AContourPlot::Restart()
{
    if (color)
        color->StopFormulas();
    jobs.Stop();
    ClearResults();
    SetupGrid();
    if (color)
        color->ResumeFormulas();
    jobs.Start();
}

bool AContourPlot::IsComplete()
{
    return !LevelsValid() || jobs.IsComplete();
}

int32_t AContourPlot::GetStatus()
{
    // Only a finished sweep tells: before the first one nothing is known.
    if (!jobs.IsComplete())
        return MessageNone;
    MutexLock hold(jobs.lock);
    return segments.count == 0 ? MessageUndefinedOrConstantInRegion : MessageNone;
}

void AContourPlot::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, formula);
    if ((formula && formula->DependsOn(code)) || (color && color->DependsOn(code)))
        Restart();
}

void AContourPlot::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color) {
        color->SetColorCode(value);
    } else if (code == OptionResolution) {
        // The sweep must be stopped before the levels it reads change.
        if (color)
            color->StopFormulas();
        jobs.Stop();
        levelCount = ContourLevelCount(value);
        levelsValid.store(0, std::memory_order_release);
        Restart();
    }
}

double AContourPlot::Evaluate(double x, double y)
{
    return formula ? formula->EvaluateAtUVXYZW(0, 0, x, y, 0, 0) : NAN;
}

double AContourPlot::CornerX(int32_t corner) const
{
    return cellX + kCornerA[corner] * cellWidth;
}

double AContourPlot::CornerY(int32_t corner) const
{
    return cellY + kCornerB[corner] * cellHeight;
}

void AContourPlot::ComputeLevels()
{
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (int32_t j = 0; j < 20; ++j) {
        const double y = gridBottom + (j + 0.5) * (gridTop - gridBottom) / 20;
        for (int32_t i = 0; i < 20; ++i) {
            const double v = Evaluate(gridLeft + (i + 0.5) * (gridRight - gridLeft) / 20, y);
            if (std::isfinite(v)) {
                lo = std::fmin(lo, v);
                hi = std::fmax(hi, v);
            }
        }
    }
    const bool valid = hi > lo && !jobs.StopRequested() && ChooseContourLevels(lo, hi, levelCount, levels);
    levelsValid.store(valid ? 1 : 0, std::memory_order_release);
}

int32_t AContourPlot::ComputeChunk(int32_t)
{
    if (!columns)
        return GraphJobNothingToDo;
    if (color)
        color->EvaluateConstantColor();
    if (!LevelsValid())
        ComputeLevels();
    if (jobs.StopRequested())
        return GraphJobStopped;
    if (LevelsValid() && !SweepGrid()) {
        {
            MutexLock hold(jobs.lock);
            points.Clear();
            segments.Clear();
        }
        BudgetFree(columns);
        columns = nullptr;
        PostFailure(FailureOutOfMemory);
    }
    if (jobs.StopRequested())
        return GraphJobStopped;
    return jobs.FinishPart(0, mapping->doc);
}

bool AContourPlot::SweepGrid()
{
    for (; row < kCells; ++row) {
        if (column == kCells)
            column = 0;
        for (; column < kCells; ++column) {
            BeginCell();
            EvaluateCorners();
            if (jobs.StopRequested())
                return true;
            SaveCornerValues();
            if (!FindCellCrossings())
                return false;
            SaveEdgeCrossings();
            if (!EmitCellSegments())
                return false;
        }
    }
    return true;
}

void AContourPlot::BeginCell()
{
    cellX = column * cellWidth + gridLeft;
    cellY = row * cellHeight + gridBottom;
    std::memset(edgeCrossings, 0, sizeof edgeCrossings);
}

void AContourPlot::EvaluateCorners()
{
    // Every grid node is evaluated once: values flow up through columns and
    // to the right through rowCarry.
    bool known[4] = {false, false, false, false};
    if (row > 0) {
        cornerValues[0] = columns[column].value;
        cornerValues[3] = columns[column + 1].value;
        known[0] = known[3] = true;
    }
    if (column > 0) {
        cornerValues[1] = rowCarry.value;
        known[1] = true;
        if (row == 0) {
            cornerValues[0] = columns[column].value;
            known[0] = true;
        }
    }
    for (int32_t k = 0; k < 4; ++k) {
        if (!known[k])
            cornerValues[k] = Evaluate(CornerX(k), CornerY(k));
    }
}

void AContourPlot::SaveCornerValues()
{
    if (row < kCells - 1)
        columns[column].value = cornerValues[1];
    if (column < kCells - 1)
        rowCarry.value = cornerValues[2];
    if (row == 0)
        columns[column + 1].value = cornerValues[3];
    if (column == kCells - 1)
        columns[kCells].value = cornerValues[2];
}

bool AContourPlot::FindCellCrossings()
{
    const size_t bytes = static_cast<size_t>(levelCount) * sizeof(int32_t);
    bool inherited[5] = {false, false, false, false, false};
    if (row > 0) {
        std::memcpy(edgeCrossings[kEdgeBottom], columns[column].crossings, bytes);
        inherited[kEdgeBottom] = true;
    }
    if (column > 0) {
        std::memcpy(edgeCrossings[kEdgeLeft], rowCarry.crossings, bytes);
        inherited[kEdgeLeft] = true;
    }
    for (int32_t edge = 0; edge < 5; ++edge) {
        if (inherited[edge])
            continue;
        for (int32_t k = 0; k < levelCount; ++k) {
            const double d0 = cornerValues[kEdgeCorners[edge][0]] - levels[k];
            const double d1 = cornerValues[kEdgeCorners[edge][1]] - levels[k];
            // A node on the level counts as above it; NaN never crosses.
            if (((d0 < 0 && d1 >= 0) || (d0 >= 0 && d1 < 0)) && !FindEdgeCrossing(edge, k))
                return false;
        }
    }
    return true;
}

bool AContourPlot::FindEdgeCrossing(int32_t edge, int32_t level)
{
    const int32_t c0 = kEdgeCorners[edge][0], c1 = kEdgeCorners[edge][1];
    const SpaceSegment s{CornerX(c0), CornerX(c1), CornerY(c0), CornerY(c1), 0, 0};
    SpacePoint root;
    if (!FindRootOnSegment(formula, levels[level], kEdgeTolerance, cornerValues[c0] - levels[level],
                           cornerValues[c1] - levels[level], s, &root))
        return true;  // the edge stays uncrossed for this level
    MutexLock hold(jobs.lock);
    if (points.Push({root.x, root.y, static_cast<int16_t>(level)}) != 0)
        return false;
    edgeCrossings[edge][level] = points.count;
    return true;
}

void AContourPlot::SaveEdgeCrossings()
{
    const size_t bytes = static_cast<size_t>(levelCount) * sizeof(int32_t);
    if (row < kCells - 1)
        std::memcpy(columns[column].crossings, edgeCrossings[kEdgeTop], bytes);
    if (column < kCells - 1)
        std::memcpy(rowCarry.crossings, edgeCrossings[kEdgeRight], bytes);
}

bool AContourPlot::EmitCellSegments()
{
    for (int32_t k = 0; k < levelCount; ++k) {
        for (const auto& triangle : kTriangleEdges) {
            int32_t ends[3], n = 0;
            for (int32_t edge : triangle) {
                if (edgeCrossings[edge][k])
                    ends[n++] = edgeCrossings[edge][k];
            }
            if (n != 2)
                continue;
            MutexLock hold(jobs.lock);
            if (segments.Push({ends[0] - 1, ends[1] - 1}) != 0)
                return false;
        }
    }
    return true;
}

RgbColor AContourPlot::LevelColor(int32_t k) const
{
    return ShadeOfColor(color ? color->rgb.load(std::memory_order_relaxed) : kDefaultGraphRgb, k, levelCount);
}

void AContourPlot::Draw()
{
    if (!color || color->IsHidden() || !columns || !LevelsValid())
        return;
    RgbColor inks[kMaxContourLevels];
    for (int32_t k = 0; k < levelCount; ++k)
        inks[k] = LevelColor(k);
    if (!AcquirePortDC())
        return;
    {
        MutexLock hold(jobs.lock);
        for (int32_t i = 0; i < segments.count; ++i) {
            const ContourSegment& s = *segments.At(i);
            const ContourPoint& a = *points.At(s.first);
            const ContourPoint& b = *points.At(s.second);
            PortSetForeColor(inks[a.levelIndex]);
            PortMoveTo(mapping->XToPixelClipped(a.x), mapping->YToPixelClipped(a.y));
            PortLineToIncludingEnd(mapping->XToPixelClipped(b.x), mapping->YToPixelClipped(b.y));
        }
    }
    ReleasePortDC();
}

bool AContourPlot::HitTest(double x, double y)
{
    if (!columns || !color || color->IsHidden() || !LevelsValid() || !formula)
        return false;
    for (int32_t k = 0; k < levelCount; ++k) {
        if (HasSignChangeAround(formula, levels[k], x, y, 4 * mapping->unitsPerPixelX,
                                4 * mapping->unitsPerPixelY)) {
            hitLevel = k;
            return true;
        }
    }
    return false;
}

int32_t AContourPlot::NearestSegment(double x, double y, int32_t level) const
{
    // Distances count in pixels: y is scaled by the aspect.
    const double aspect = mapping->unitsPerPixelX / mapping->unitsPerPixelY;
    const WorldPoint p{x, aspect * y};
    int32_t best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int32_t i = 0; i < segments.count; ++i) {
        const ContourSegment& s = *segments.At(i);
        const ContourPoint& a = *points.At(s.first);
        if (level >= 0 && a.levelIndex != level)
            continue;
        const ContourPoint& b = *points.At(s.second);
        const double d = PointSegmentDistanceSquared(p, {a.x, aspect * a.y}, {b.x, aspect * b.y});
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

TraceInfo AContourPlot::Trace(double x, double y)
{
    TraceInfo trace;
    if (!columns || !color || color->IsHidden() || !LevelsValid() || !formula)
        return trace;
    const double aspect = mapping->unitsPerPixelX / mapping->unitsPerPixelY;
    WorldPoint start;
    {
        MutexLock hold(jobs.lock);
        const int32_t i = NearestSegment(x, y, hitLevel);
        if (i < 0)
            return trace;
        const ContourSegment& s = *segments.At(i);
        const ContourPoint& a = *points.At(s.first);
        const ContourPoint& b = *points.At(s.second);
        start = NearestPointOnSegment({x, aspect * y}, {a.x, aspect * a.y}, {b.x, aspect * b.y});
    }
    start.y /= aspect;
    const double level = levels[hitLevel];
    const double ux = mapping->unitsPerPixelX, uy = mapping->unitsPerPixelY;
    WorldPoint found;
    if (!FindImplicitPointNear(formula, level, start, 2 * ux, 2 * uy, {x, y}, &found))
        return trace;
    trace.kind = TraceContourLevel;
    trace.t = level;
    trace.x = found.x;
    trace.y = found.y;
    SnapTraceToAxes(formula, level, 4 * ux, 4 * uy, &trace);
    return trace;
}

NearestPointResult AContourPlot::NearestPoint(double x, double y, double tolerance, double, double tHigh)
{
    NearestPointResult result;
    if (!columns || !color || color->IsHidden() || !LevelsValid() || !formula)
        return result;
    double level = tHigh;
    if (tHigh == std::numeric_limits<double>::infinity()) {
        MutexLock hold(jobs.lock);
        const int32_t i = NearestSegment(x, y, -1);
        if (i < 0)
            return result;
        level = levels[points.At(segments.At(i)->first)->levelIndex];
    }
    result = FindImplicitCrossings(formula, level, {x, y}, tolerance,
                                   tolerance * mapping->unitsPerPixelY / mapping->unitsPerPixelX);
    result.nearest.t = level;
    result.after.t = level;
    return result;
}
