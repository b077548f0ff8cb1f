// How a 2D view answers the user: zoom steps with a short animation, panning
// by keys or by dragging (scrolling on by itself at the edges), the zoom
// box, dragging placed pictures, and the choice of what a press does.
#include "document/DocState.h"
#include "drawing/DrawingPort.h"
#include "drawing/OffscreenSurface.h"
#include "drawing/Rasteriser.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/A2DGraphView.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kZoomFrames = 5;
constexpr int32_t kAutoScrollMax = 20;
constexpr RgbColor kZoomBoxRgb = 0x3F3F3F;
constexpr int16_t kNoPoint = -32768;

// What a zoom animates between: every field the range state is made of.
struct RangeState {
    double tMin, tMax, rMin, rMax, thetaMin, thetaMax;
    double unitsX, unitsY, originX, originY, scaleX, scaleY, xMin, yMin;
    int32_t tickKindX, tickKindY;
};

RangeState SaveRanges(const A2DGraphView& v)
{
    return {v.tMin,   v.tMax,   v.rMin,    v.rMax,    v.thetaMin, v.thetaMax, v.unitsX,    v.unitsY,
            v.originX, v.originY, v.scaleX, v.scaleY, v.xMin,     v.yMin,     v.tickKindX, v.tickKindY};
}

void RestoreRanges(A2DGraphView& v, const RangeState& s)
{
    v.tMin = s.tMin, v.tMax = s.tMax, v.rMin = s.rMin, v.rMax = s.rMax;
    v.thetaMin = s.thetaMin, v.thetaMax = s.thetaMax;
    v.unitsX = s.unitsX, v.unitsY = s.unitsY, v.originX = s.originX, v.originY = s.originY;
    v.scaleX = s.scaleX, v.scaleY = s.scaleY, v.xMin = s.xMin, v.yMin = s.yMin;
    v.tickKindX = s.tickKindX, v.tickKindY = s.tickKindY;
}

double Between(double a, double b, double f)
{
    return a + f * (b - a);
}

ShortPoint Point(int32_t v, int32_t h)
{
    return ShortPoint{SaturateToShort(v), SaturateToShort(h)};
}

// A quarter of the distance beyond the view, at most 20 pixels.
int32_t AutoScrollStep(int32_t outside)
{
    return std::min(outside / 4, kAutoScrollMax);
}

}  // namespace

void A2DGraphView::Zoom(int32_t code)
{
    if (code != 7)
        ShellSetDocModified(true);
    if (code == 6 || code == 7) {
        StopGraphs();
        SetDefaultView();
        if (code == 7) {
            xMin = yMin = -2;
            UpdateScaleAndOrigin();
        }
        UpdateMappings();
        RestartAllGraphs();
        if (code == 7) {
            pictures.FreeAll();
            tMin = 0;
            tMax = 1;
            showAxes = showGraphPaper = 1;
        }
        return;
    }
    if (code < 0 || code > 5)
        return;
    DocSetGraphWorkPending(doc);
    const RangeState start = SaveRanges(*this);
    const ViewMapping& m = screenMapping;
    StopGraphs();
    const bool usable = trace.kind != TraceNothing && std::isfinite(trace.x) && std::isfinite(trace.y);
    if (!usable) {
        // The axes' crossing as drawn keeps its pixel.
        trace.kind = TraceNothing;
        const int32_t column = YAxisColumn(), row = XAxisRow();
        const double wx = (column - m.originX) * m.unitsPerPixelX;
        const double wy = -(row - m.originY) * m.unitsPerPixelY;
        StepUnits(code);
        UpdateScaleAndOrigin();
        UpdateMappings();
        xMin = wx - (column - rect.left) / scaleX;
        yMin = wy + (rect.bottom - row - 1) / scaleY;
    } else if (IsTracePixelInView()) {
        // The trace point keeps its pixel.
        const int32_t h = m.XToPixel(trace.x) - rect.left;
        const int32_t v = rect.bottom - m.YToPixel(trace.y) - 1;
        StepUnits(code);
        UpdateScaleAndOrigin();
        UpdateMappings();
        xMin = trace.x - h / scaleX;
        yMin = trace.y + v / scaleY;
    } else {
        // A trace out of sight comes to the middle, at the same units.
        const int32_t h = m.XToPixelClipped(trace.x), v = m.YToPixelClipped(trace.y);
        if (h < rect.left || h >= rect.right)
            xMin = trace.x - ((rect.left + rect.right) / 2 - rect.left) / scaleX;
        if (v < rect.top || v >= rect.bottom)
            yMin = trace.y + (rect.bottom - (rect.top + rect.bottom) / 2 - 1) / scaleY;
    }
    SnapRangesToTicks();
    UpdateScaleAndOrigin();
    UpdateMappings();
    const RangeState target = SaveRanges(*this);
    // Four frames on the way, ticks and paper at the start's spacing.
    for (int32_t i = 1; i < kZoomFrames; ++i) {
        const double f = static_cast<double>(i) / kZoomFrames;
        StopGraphs();
        RestoreRanges(*this, start);
        scaleX = Between(start.scaleX, target.scaleX, f);
        scaleY = Between(start.scaleY, target.scaleY, f);
        originX = Between(start.originX, target.originX, f);
        originY = Between(start.originY, target.originY, f);
        xMin = Between(start.xMin, target.xMin, f);
        yMin = Between(start.yMin, target.yMin, f);
        UpdateMappings();
        RestartAllGraphs();
        WaitForGraphs();
        ShellRedrawGraphPane(doc);
    }
    StopGraphs();
    RestoreRanges(*this, target);
    UpdateMappings();
    RestartAllGraphs();
    WaitForGraphs();
    if (trace.kind == TraceIntervalPoint || trace.kind == TraceVector) {
        // Their readouts depend on the pixel size.
        jobKind = JobRetrace;
        RunSingleJob(this);
    }
    ShellRedrawGraphPane(doc);
}

void A2DGraphView::Scroll(int32_t dx, int32_t dy)
{
    Pan(3 * dx, 3 * dy);
}

void A2DGraphView::Pan(int32_t dx, int32_t dy)
{
    const bool hasGraphs = graphs.count > 0;
    if (hasGraphs)
        StopGraphs();
    const double x0 = xMin, y0 = yMin;
    const ViewMapping& d = drawMapping;
    const double p0x = std::floor(d.scaleX * x0 + d.originX + 0.5);
    const double p0y = std::floor(d.scaleY * y0 + d.originY + 0.5);
    xMin += dx / scaleX;
    yMin += dy / scaleY;
    SnapRangesToTicks();
    UpdateScaleAndOrigin();
    UpdateMappings();
    if (hasGraphs) {
        // The plots shift by the whole-pixel move of the drawing mapping.
        const double p1x = std::floor(d.scaleX * x0 + d.originX + 0.5);
        const double p1y = std::floor(d.scaleY * y0 + d.originY + 0.5);
        ScrollGraphs(static_cast<int32_t>(p1x - p0x), static_cast<int32_t>(p1y - p0y));
    }
    ShellSetDocModified(true);
    ShellRedrawGraphPane(doc);
}

void A2DGraphView::PanStep(ShortPoint point, ShortPoint previous)
{
    if (PointInShortRect(point, rect)) {
        if (point.h != previous.h || point.v != previous.v)
            Pan(previous.h - point.h, previous.v - point.v);
        else if ((doc && doc->IsAnimating()) || !AreAllGraphsComplete())
            Pan(0, 0);  // keeps the display refreshing
        return;
    }
    int32_t h = previous.h, v = previous.v;
    if (point.h < rect.left)
        h += AutoScrollStep(rect.left - point.h);
    else if (point.h >= rect.right)
        h -= AutoScrollStep(point.h - rect.right + 1);
    if (point.v < rect.top)
        v += AutoScrollStep(rect.top - point.v);
    else if (point.v >= rect.bottom)
        v -= AutoScrollStep(point.v - rect.bottom + 1);
    Pan(h - point.h, v - point.v);
}

void A2DGraphView::EndPan()
{
    DropTraceIfOffView();
    ShellUpdateGraphPaneCursor();
    DocSetGraphWorkPending(doc);
}

void A2DGraphView::BeginZoomBox(ShortPoint point)
{
    if (doc)
        doc->ClearEditHint();
    CaptureDragImage();
    dragPoint = point;
}

void A2DGraphView::TrackZoomBox(ShortPoint point, ShortPoint start)
{
    if (PointInShortRect(point, rect))
        ShowZoomBox(point, start);
    else
        ShowZoomBox(point, point);
}

void A2DGraphView::ShowZoomBox(ShortPoint p, ShortPoint q)
{
    OffscreenSurface* pane = ShellGraphPaneSurface(doc);
    const bool restored = dragImage && pane && CopySurfaceRect(dragImage, pane, rect, rect) == 0;
    if (!restored)
        ShellRedrawGraphPane(doc);
    if (PointInShortRect(p, rect) && PointInShortRect(q, rect))
        DrawZoomBox(p, q);
    ShellPresentGraphPane();
}

void A2DGraphView::DrawZoomBox(ShortPoint p, ShortPoint q)
{
    if (!LockPortSurface())
        return;
    const ShortPoint pq = Point(p.v, q.h), qp = Point(q.v, p.h);
    DrawTintedHorizontalLine(rect, p, pq, kZoomBoxRgb, 3);
    DrawTintedVerticalLine(rect, pq, q, kZoomBoxRgb, 3);
    DrawTintedHorizontalLine(rect, qp, q, kZoomBoxRgb, 3);
    DrawTintedVerticalLine(rect, p, qp, kZoomBoxRgb, 3);
    UnlockPortSurface();
}

void A2DGraphView::EndZoomBox(ShortPoint point, ShortPoint start)
{
    ShellUpdateGraphPaneCursor();
    DisposeOffscreenSurface(dragImage);
    dragImage = nullptr;
    // A box less than a pixel wide or high is no box.
    if (!PointInShortRect(point, rect) || !PointInShortRect(start, rect) || point.h == start.h ||
        point.v == start.v) {
        ShellRedrawGraphPane(doc);
        return;
    }
    const ViewMapping& m = screenMapping;
    auto x = [&](int32_t h) { return (h - m.originX) * m.unitsPerPixelX; };
    auto y = [&](int32_t v) { return -(v - m.originY) * m.unitsPerPixelY; };
    SetRanges(x(start.h), x(point.h), y(start.v), y(point.v));
    ShellRedrawGraphPane(doc);
}

void A2DGraphView::CaptureDragImage()
{
    DisposeOffscreenSurface(dragImage);
    dragImage = nullptr;
    trace.kind = TraceNothing;
    OffscreenSurface* pane = ShellGraphPaneSurface(doc);
    if (!pane || !IsSurfaceUsable(pane))
        return;
    dragImage = NewOffscreenSurface(rect);
    if (!dragImage)
        return;
    ShellDrawGraphViewsDetached(doc);
    if (CopySurfaceRect(pane, dragImage, rect, rect) != 0) {
        DisposeOffscreenSurface(dragImage);
        dragImage = nullptr;
    }
}

void A2DGraphView::SetGrabCursor()
{
    ShellSetDragCursor(DragCursorClosedHand);
}

ShortRect A2DGraphView::PictureRect(int32_t i) const
{
    const PlacedPicture& placed = pictures.entries[i];
    ShortRect bounds;
    GetPictureBounds(placed.picture, bounds);
    const int32_t h = screenMapping.XToPixelClipped(placed.x);
    const int32_t v = screenMapping.YToPixelClipped(placed.y);
    ShortRect r;
    SetShortRect(r, SaturateToShort(v - ShortRectHeight(bounds)), SaturateToShort(h), SaturateToShort(v),
                 SaturateToShort(h + ShortRectWidth(bounds)));
    return r;
}

void A2DGraphView::MovePicture(ShortPoint point, ShortPoint previous)
{
    if (movingPicture < 0 || movingPicture >= pictures.entries.count)
        return;
    if (point.h != previous.h || point.v != previous.v) {
        PlacedPicture& placed = pictures.entries[movingPicture];
        placed.x -= (previous.h - point.h) * screenMapping.unitsPerPixelX;
        placed.y += (previous.v - point.v) * screenMapping.unitsPerPixelY;
        ShellRedrawGraphPane(doc);
    }
    ShortRect inside;
    const bool meets = IntersectShortRects(PictureRect(movingPicture), rect, inside);
    // Dropped out of the view, the picture goes.
    ShellSetDragCursor(meets ? DragCursorClosedHand : DragCursorArrow);
}

void A2DGraphView::EndMovePicture()
{
    ShellUpdateGraphPaneCursor();
    if (movingPicture >= 0 && movingPicture < pictures.entries.count) {
        ShortRect inside;
        if (!IntersectShortRects(PictureRect(movingPicture), rect, inside)) {
            pictures.RemoveAt(movingPicture);
            ShellRedrawGraphPane(doc);
        }
    }
    ShellSetDocModified(true);
}

void A2DGraphView::GetPictureRegion(Region r)
{
    SetRegionEmpty(r);
    for (int32_t i = pictures.entries.count - 1; i >= 0; --i) {
        Region one = NewRegion();
        SetRegionToRect(one, PictureRect(i));
        UnionRegions(r, one, r);
        DisposeRegion(one);
    }
}

ShortRect A2DGraphView::GetXAxisBand() const
{
    ShortRect band, out;
    SetShortRect(band, SaturateToShort(XAxisRow() - 7), rect.left, SaturateToShort(XAxisRow() + 10), rect.right);
    if (!IntersectShortRects(band, rect, out))
        SetShortRect(out, 0, 0, 0, 0);
    return out;
}

ShortRect A2DGraphView::GetYAxisBand() const
{
    ShortRect band, out;
    SetShortRect(band, rect.top, SaturateToShort(YAxisColumn() - 16), rect.bottom,
                 SaturateToShort(YAxisColumn() + 16));
    if (!IntersectShortRects(band, rect, out))
        SetShortRect(out, 0, 0, 0, 0);
    return out;
}

bool A2DGraphView::IsOnAxisBand(ShortPoint p) const
{
    return showAxes && (PointInShortRect(p, GetXAxisBand()) || PointInShortRect(p, GetYAxisBand()));
}

void A2DGraphView::GetAxisHitRegion(Region r, int32_t wholeView)
{
    if (wholeView) {
        SetRegionToRect(r, rect);
        return;
    }
    SetRegionEmpty(r);
    if (!showAxes)
        return;
    SetRegionToRect(r, GetXAxisBand());
    Region y = NewRegion();
    SetRegionToRect(y, GetYAxisBand());
    UnionRegions(r, y, r);
    DisposeRegion(y);
}

void A2DGraphView::GetGraphHitRegion(Region r, int32_t wholeView, ShortPoint cursor)
{
    if (wholeView) {
        SetRegionToRect(r, rect);
        return;
    }
    SetRegionEmpty(r);
    if (PointInShortRect(cursor, rect) && HitTestPointsOnJobThread(cursor)) {
        ShortRect one;
        SetShortRect(one, cursor.v, cursor.h, cursor.v + 1, cursor.h + 1);
        SetRegionToRect(r, one);
        return;
    }
    if (trace.kind == TraceNothing)
        return;
    // Bands of 11 pixels along the trace's cross-hair.
    const int32_t h = screenMapping.XToPixelChecked(trace.x), v = screenMapping.YToPixelChecked(trace.y);
    ShortRect band;
    if (h >= rect.left && h < rect.right) {
        SetShortRect(band, rect.top, SaturateToShort(h - 5), rect.bottom, SaturateToShort(h + 6));
        SetRegionToRect(r, band);
    }
    if (v >= rect.top && v < rect.bottom) {
        SetShortRect(band, SaturateToShort(v - 5), rect.left, SaturateToShort(v + 6), rect.right);
        Region row = NewRegion();
        SetRegionToRect(row, band);
        UnionRegions(r, row, r);
        DisposeRegion(row);
    }
}

bool A2DGraphView::MouseDown(const ViewMouseEvent& event)
{
    const ShortPoint point = event.point;
    lastPoint = point;
    Region region = NewRegion();
    GetGraphHitRegion(region, 0, point);
    const bool onTrace = PointInRegion(point, region);
    DisposeRegion(region);
    const bool traceIt = onTrace || event.traceAll;
    if (event.traceAll)
        tracedGraph = 0;
    const bool pointHit = HitTestPointsOnJobThread(point);
    const bool hasGraphs = graphs.count > 0;

    auto startBox = [&] {
        BeginZoomBox(point);
        dragMode = DragZoomBox;
        return false;
    };
    auto grabView = [&] {
        SetGrabCursor();
        dragMode = DragPan;
        return false;
    };
    auto act = [&] {
        if (event.doubleClick) {
            Zoom(event.pan ? 3 : 0);
            return false;
        }
        BeginTrace();
        dragMode = DragTrace;
        TraceStep(point);
        return false;
    };
    auto hitOrNothing = [&] {
        if (HitTestOnJobThread(point))
            return act();
        dragMode = DragNone;
        return true;
    };

    if (pointHit || traceIt || event.pan) {
        if (event.box)
            return startBox();
        if (event.pan)
            return grabView();
    } else {
        if (event.box)
            return startBox();
        if (!event.noPicture) {
            for (int32_t i = pictures.entries.count - 1; i >= 0; --i) {
                if (!PointInShortRect(point, PictureRect(i)))
                    continue;
                movingPicture = i;
                SetGrabCursor();
                dragMode = DragPicture;
                return false;
            }
        }
    }
    if (IsOnAxisBand(point)) {
        if (!traceIt)
            return pointHit ? hitOrNothing() : grabView();
        return hasGraphs ? act() : hitOrNothing();
    }
    if (!traceIt || !hasGraphs)
        return hitOrNothing();
    return act();
}

void A2DGraphView::MouseMove(int32_t h, int32_t v)
{
    const ShortPoint point = Point(v, h);
    const ShortPoint previous = lastPoint;
    lastPoint = point;
    switch (dragMode) {
    case DragTrace:
        TraceStep(point);
        break;
    case DragPan:
        PanStep(point, previous);
        break;
    case DragPicture:
        MovePicture(point, previous);
        break;
    case DragZoomBox:
        TrackZoomBox(point, dragPoint);
        break;
    default:
        ShellSetGraphPaneCursor(point);
        break;
    }
}

void A2DGraphView::MouseUp(ShortPoint point)
{
    switch (dragMode) {
    case DragTrace:
        EndTrace();
        break;
    case DragPan:
        EndPan();
        break;
    case DragPicture:
        EndMovePicture();
        break;
    case DragZoomBox:
        EndZoomBox(point, dragPoint);
        dragPoint = Point(kNoPoint, kNoPoint);
        break;
    default:
        break;
    }
    ShellSetGraphPaneCursor(point);
    dragMode = DragNone;
}
