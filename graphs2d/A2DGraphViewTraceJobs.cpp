// Tracing in a 2D view: each step asks the traced plot for its readout on
// the single-job thread, snaps it onto a crossing with another graph, moves
// a dragged point, and draws the readout over the image captured when the
// drag began. Only the job runs on the single-job thread; drawing stays on
// the user-interface thread.
#include "CoreUtilities/ThreadLocks.h"
#include "document/DocState.h"
#include "drawing/OffscreenSurface.h"
#include "drawing/TypesetDCScope.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/CurveNumerics.h"
#include "graphs2d/GraphSet.h"
#include "graphs2d/SolutionCurve.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

constexpr int16_t kNoPoint = -32768;
constexpr int32_t kMaxRefinements = 100;

bool Overdue()
{
    return SingleJobOverdue.load(std::memory_order_relaxed) != 0;
}

WorldPoint At(const PlotPoint& p)
{
    return WorldPoint{p.x, p.y};
}

// The local piece of a plot as its two segments around the nearest point.
struct Piece {
    WorldPoint s[2][2];
};

Piece PieceOf(const NearestPointResult& r)
{
    return Piece{{{At(r.before), At(r.nearest)}, {At(r.nearest), At(r.after)}}};
}

// The first crossing of a segment of a with a segment of b, in the order
// first-first, first-second, second-first, second-second.
bool FirstCrossing(const NearestPointResult& a, const NearestPointResult& b, WorldPoint* at)
{
    const Piece pa = PieceOf(a), pb = PieceOf(b);
    for (const auto& sa : pa.s) {
        for (const auto& sb : pb.s) {
            if (IntersectSegments(sa[0], sa[1], sb[0], sb[1], at))
                return true;
        }
    }
    return false;
}

bool AnyNearlyCollinear(const NearestPointResult& a, const NearestPointResult& b)
{
    const Piece pa = PieceOf(a), pb = PieceOf(b);
    for (const auto& sa : pa.s) {
        for (const auto& sb : pb.s) {
            if (SegmentsNearlyCollinear(sa[0], sa[1], sb[0], sb[1]))
                return true;
        }
    }
    return false;
}

// Values within the agreement tolerance of zero are zero; the rest keep the
// digits a readout shows.
double Tidy(double v, double tolerance)
{
    return std::fabs(v) < tolerance ? 0.0 : RoundToSignificantDigits(v, 13);
}

}  // namespace

bool HasSharpBend(const NearestPointResult& r)
{
    const double ux = r.before.x - r.nearest.x, uy = r.before.y - r.nearest.y;
    const double wx = r.after.x - r.nearest.x, wy = r.after.y - r.nearest.y;
    return ux * wx + uy * wy > -0.8 * std::hypot(ux, uy) * std::hypot(wx, wy);
}

void A2DGraphView::RunJob()
{
    switch (jobKind) {
    case JobTraceStep:
        TraceJob();
        break;
    case JobRetrace:
        if (tracedGraph >= 0 && tracedGraph < graphs.count)
            trace = Plot(tracedGraph)->Trace(trace.x, trace.y);
        if (Overdue() || tracedGraph < 0 || tracedGraph >= graphs.count)
            trace.kind = TraceNothing;
        break;
    case JobHitGraphs:
        jobResult = HitTestGraphs(jobPoint);
        break;
    case JobHitPoints:
        jobResult = HitTestPoints(jobPoint);
        break;
    default:
        break;
    }
}

void A2DGraphView::BeginTrace()
{
    if (doc)
        doc->ClearEditHint();
    CaptureDragImage();
    ShellSetDragCursor(DragCursorMove);
    dragPoint = ShortPoint{kNoPoint, kNoPoint};
}

void A2DGraphView::TraceStep(ShortPoint point)
{
    if (!PointInShortRect(point, rect)) {
        trace.kind = TraceNothing;
        RefreshTraceOverlay();
        dragPoint = ShortPoint{kNoPoint, kNoPoint};
        return;
    }
    HoldTracedSolutionCurves(nullptr, nullptr);
    jobPoint = point;
    jobUnchanged = 0;
    jobKind = JobTraceStep;
    // A job that cannot run leaves no trace.
    trace.kind = TraceNothing;
    RunSingleJob(this);
    if (trace.kind == TraceDraggablePoint && jobPointMoved) {
        TypesetDCScope typeset(true);
        if (doc)
            doc->SetPointEquationValue(tracedGraph, trace.x, trace.y);
        trace.kind = TraceDraggablePoint;
        jobPointMoved = 0;
    }
    // A trace that came to nothing still clears the old readout.
    if (!jobUnchanged || trace.kind == TraceNothing) {
        RefreshTraceOverlay();
        if (trace.kind != TraceNothing && trace.snapped)
            ShellPlayClickSound();
    }
}

void A2DGraphView::TraceJob()
{
    const ViewMapping& m = screenMapping;
    const double x = (jobPoint.h - m.originX) * m.unitsPerPixelX;
    const double y = -(jobPoint.v - m.originY) * m.unitsPerPixelY;
    if (tracedGraph < 0 || tracedGraph >= graphs.count) {
        trace.Clear();
    } else {
        trace = Plot(tracedGraph)->Trace(x, y);
    }
    if (trace.kind == TraceSolutionCurves)
        HoldTracedSolutionCurves(trace.forwardCurve, trace.backwardCurve);
    trace.forwardCurve = trace.backwardCurve = nullptr;
    if (trace.kind == TraceNothing || Overdue()) {
        trace.kind = TraceNothing;
        dragPoint = ShortPoint{kNoPoint, kNoPoint};
        jobUnchanged = 1;
        return;
    }
    if (graphs.count > 1 && !trace.snapped)
        SnapToIntersection();
    if (Overdue()) {
        trace.kind = TraceNothing;
        dragPoint = ShortPoint{kNoPoint, kNoPoint};
        jobUnchanged = 1;
        return;
    }
    const int32_t h = m.XToPixelChecked(trace.x), v = m.YToPixelChecked(trace.y);
    if (v == dragPoint.v && h == dragPoint.h && (trace.kind != TraceDraggablePoint || AreAllGraphsComplete())) {
        jobUnchanged = 1;
        return;
    }
    if (trace.kind == TraceDraggablePoint) {
        A2DGraph* plot = Plot(tracedGraph);
        plot->SetOption(OptionPointX, trace.x);
        plot->SetOption(OptionPointY, trace.y);
        jobPointMoved = 1;
    }
    dragPoint = ShortPoint{SaturateToShort(v), SaturateToShort(h)};
}

void A2DGraphView::EndTrace()
{
    DropTraceIfOffView();
    ShellUpdateGraphPaneCursor();
    DisposeOffscreenSurface(dragImage);
    dragImage = nullptr;
}

void A2DGraphView::RefreshTraceOverlay()
{
    OffscreenSurface* pane = ShellGraphPaneSurface(doc);
    if (dragImage && trace.kind != TraceDraggablePoint && pane && IsSurfaceUsable(pane) &&
        CopySurfaceRect(dragImage, pane, rect, rect) == 0) {
        DrawTraceOverlay();
        // A second view that mirrors this one follows.
        if (auto* set = doc ? dynamic_cast<GraphSet*>(doc->Graphs) : nullptr)
            set->SyncSecondView(this);
        ShellPresentGraphPane();
        return;
    }
    // A full redraw draws the overlay with the view.
    if (doc)
        doc->ComputeGraphsAndWait();
    ShellRedrawGraphPane(doc);
}

void A2DGraphView::DropTraceIfOffView()
{
    const ViewMapping& m = screenMapping;
    auto overlaps = [](int32_t a, int32_t b, int32_t lo, int32_t hi) {
        return std::min(a, b) < hi && std::max(a, b) >= lo;
    };
    bool keep;
    if (trace.kind == TraceIntervalPoint)
        keep = overlaps(m.XToPixelChecked(trace.xLow), m.XToPixelChecked(trace.xHigh), rect.left, rect.right) ||
               overlaps(m.YToPixelChecked(trace.yHigh), m.YToPixelChecked(trace.yLow), rect.top, rect.bottom);
    else
        keep = overlaps(m.XToPixelChecked(trace.x), m.XToPixelChecked(trace.x), rect.left, rect.right) ||
               overlaps(m.YToPixelChecked(trace.y), m.YToPixelChecked(trace.y), rect.top, rect.bottom);
    if (!keep)
        trace.kind = TraceNothing;
}

bool A2DGraphView::IsTracePixelInView() const
{
    const ShortPoint p{SaturateToShort(screenMapping.YToPixelClipped(trace.y)),
                       SaturateToShort(screenMapping.XToPixelClipped(trace.x))};
    return PointInShortRect(p, rect);
}

void A2DGraphView::SnapToIntersection()
{
    const double tolerance = 4 * screenMapping.unitsPerPixelX;
    if (tracedGraph < 0 || tracedGraph >= graphs.count)
        return;
    const NearestPointResult r = Plot(tracedGraph)->NearestPoint(trace.x, trace.y, tolerance, -INFINITY, INFINITY);
    if (!r.found)
        return;
    for (int32_t i = 0; i < graphs.count && !Overdue(); ++i) {
        if (i == tracedGraph)
            continue;
        const NearestPointResult ri = Plot(i)->NearestPoint(trace.x, trace.y, tolerance, -INFINITY, INFINITY);
        if (ri.found && FindIntersection(r, ri, i))
            return;
    }
}

bool A2DGraphView::FindIntersection(NearestPointResult a, NearestPointResult b, int32_t otherIndex)
{
    A2DGraph* traced = Plot(tracedGraph);
    A2DGraph* other = Plot(otherIndex);
    const double pixel = screenMapping.unitsPerPixelX;
    double q = 4 * pixel;
    const double d =
        16 * DBL_EPSILON * std::fmax(std::fmax(std::fabs(a.nearest.x), std::fabs(a.nearest.y)), q);
    double previousDx = INFINITY, previousDy = INFINITY;
    WorldPoint previous{INFINITY, INFINITY};
    for (int32_t iteration = 1;; ++iteration) {
        if (!(std::fabs(a.nearest.x - b.nearest.x) > d || std::fabs(a.nearest.y - b.nearest.y) > d))
            break;
        WorldPoint c;
        if (!FirstCrossing(a, b, &c))
            return false;
        a = traced->NearestPoint(c.x, c.y, q, a.before.t, a.after.t);
        b = other->NearestPoint(c.x, c.y, q, b.before.t, b.after.t);
        if (!a.found || !b.found || HasSharpBend(a) || HasSharpBend(b) || Overdue())
            return false;
        const double dx = std::fabs(a.nearest.x - b.nearest.x), dy = std::fabs(a.nearest.y - b.nearest.y);
        // Stalled: a candidate that no longer moves is the crossing.
        if (iteration > 3 && (dx >= previousDx || dy >= previousDy) && std::fabs(c.x - previous.x) < d &&
            std::fabs(c.y - previous.y) < d) {
            a.nearest.x = c.x;
            a.nearest.y = c.y;
            break;
        }
        previousDx = dx;
        previousDy = dy;
        previous = c;
        if (iteration >= kMaxRefinements)
            return false;
        q /= 2;
    }
    // Curves that touch rather than cross look parallel close up.
    const PlotPoint at = a.nearest;
    while (q > 1e-6 * pixel) {
        if (AnyNearlyCollinear(a, b) || Overdue())
            return false;
        q /= 10;
        a = traced->NearestPoint(at.x, at.y, q, a.before.t, a.after.t);
        b = other->NearestPoint(at.x, at.y, q, b.before.t, b.after.t);
        if (!a.found || !b.found)
            return false;
    }
    trace.snapped = 1;
    trace.t = Tidy(at.t, d);
    trace.x = Tidy(at.x, d);
    trace.y = Tidy(at.y, d);
    return true;
}
