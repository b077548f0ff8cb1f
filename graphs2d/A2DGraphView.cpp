#include "graphs2d/A2DGraphView.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/ThreadLocks.h"
#include "drawing/OffscreenSurface.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraph.h"
#include "graphs2d/CurveNumerics.h"

#include <algorithm>
#include <cmath>

namespace {

bool JobOverdue()
{
    return SingleJobOverdue.load(std::memory_order_relaxed) != 0;
}

// A plot is tested once, in the pass of its priority: a plot that missed in
// one pass would miss again in the next.
constexpr int kHitPasses[] = {HitPriorityFirst, HitPriorityNext, HitPriorityLast};

// One zoom step from units u = e x d (d = 0.5 x 10^k, e in {1, 2, 5}): the
// new units as a multiple of d and the new tick kind, by e.
struct UnitStep {
    int32_t e;
    double inFactor;
    int32_t inKind;
    double outFactor;
    int32_t outKind;
};
constexpr UnitStep kUnitSteps[] = {
    {1, 0.5, TickKind1, 2, TickKind5},
    {2, 1, TickKind2, 5, TickKind1},
    {5, 2, TickKind5, 10, TickKind2},
};

// Powers of ten formed by repeated multiplication are a few ulps off; units
// that keep them drift off the lattice, and a range fitted again then no
// longer matches the units it was fitted at. Lattice values have two
// significant digits.
double OnLattice(double units)
{
    return RoundToSignificantDigits(units, 2);
}

void StepAxisUnits(double& units, int32_t& kind, bool zoomIn)
{
    // Units from a document may be anything; the loops below would not end.
    if (!(units > 0) || !std::isfinite(units))
        return;
    double c = 2 * units;
    double d = 0.5;
    while (c >= 10) {
        c /= 10;
        d *= 10;
    }
    while (c < 1) {
        c *= 10;
        d /= 10;
    }
    int32_t e = static_cast<int32_t>(std::floor(c + 0.5));
    if (e == 10) {
        e = 1;
        d *= 10;
    }
    for (const UnitStep& step : kUnitSteps) {
        if (step.e != e)
            continue;
        units = OnLattice((zoomIn ? step.inFactor : step.outFactor) * d);
        kind = zoomIn ? step.inKind : step.outKind;
    }
}

// Widening the candidate units by one phase of the lattice: the factor and
// the next kind. A kind outside {1, 2, 5} widens as kind 1.
void WidenOnce(double& units, double& width, int32_t& kind)
{
    const double factor = kind == TickKind5 ? 2.5 : 2;
    kind = kind == TickKind2 ? TickKind5 : kind == TickKind5 ? TickKind1 : TickKind2;
    units *= factor;
    width *= factor;
}

// The fitting of one axis: w is the view's world extent along it.
void FitAxisRange(double a, double b, double w, double& units, int32_t& kind, double& min)
{
    if (!(w > 0) || !std::isfinite(w))
        return;
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    const double length = hi - lo;
    // Equal ends (the range panel sends them) and infinite or NaN ends would
    // keep the steps below from ever ending.
    if (!(length > 0) || !std::isfinite(length))
        return;
    // Powers of ten beyond the double's normal range are not formed.
    const int32_t h = static_cast<int32_t>(std::clamp(std::floor(std::log10(length / w)), -300.0, 300.0));
    double p = 1;
    for (int32_t i = 0; i < h; ++i)
        p *= 10;
    for (int32_t i = 0; i > h; --i)
        p *= 0.1;
    double v = p * units;
    double c = p * w;
    int32_t k = kind == TickKind1 || kind == TickKind2 || kind == TickKind5 ? kind : TickKind1;
    if (!(c > 0))
        return;
    while (c < length)
        WidenOnce(v, c, k);
    v = OnLattice(v);
    if (!std::isfinite(c) || !(v > 0) || !std::isfinite(v))
        return;
    if (v == units && k == kind && min <= lo && min + w >= hi)
        return;
    kind = k;
    units = v;
    min = lo - (c - length) * 0.5;
}

double TickSpacing(double units, int32_t kind)
{
    return (kind == TickKind5 ? 5 : 4) * units;
}

// The first tick at or above min.
double FirstTick(double min, double spacing)
{
    double tick = min - std::fmod(min, spacing);
    if (tick < min)
        tick += spacing;
    return tick;
}

}  // namespace

A2DGraphView::A2DGraphView()
{
    SetDefaultView();
}

A2DGraphView::~A2DGraphView()
{
    DisposeOffscreenSurface(dragImage);
    DisposeOffscreenSurface(supersampleSurface);
    pictures.FreeAll();
    // Here and not in the base: the plots read the mappings until they stop.
    DeleteGraphs(graphs);
}

A2DGraph* A2DGraphView::Plot(int32_t i) const
{
    return static_cast<A2DGraph*>(graphs[i]);
}

void A2DGraphView::SetDefaultView()
{
    rMin = 0;
    rMax = 2;
    thetaMin = 0;
    thetaMax = 6.283185307179586;
    // Half the size, truncated, at 64 pixels per unit.
    xMin = -((rect.right - rect.left) / 2) * 0.015625;
    yMin = -((rect.bottom - rect.top) / 2) * 0.015625;
    tickKindX = tickKindY = TickKind1;
    unitsX = unitsY = 0.25;
    if (xMin == 0)
        xMin = -2;
    if (yMin == 0)
        yMin = -2;
    UpdateScaleAndOrigin();
}

void A2DGraphView::UpdateScaleAndOrigin()
{
    scaleX = 16 / unitsX;
    scaleY = -16 / unitsY;
    originX = rect.left - scaleX * xMin;
    originY = (rect.bottom - 1) - scaleY * yMin;
}

bool A2DGraphView::Supersamples() const
{
    return DocUsesAntialiasing(doc) && supersampleSurface &&
           supersampleWidth >= 2 * ShortRectWidth(rect) && supersampleHeight >= 2 * ShortRectHeight(rect);
}

void A2DGraphView::UpdateMappings()
{
    screenMapping.Set(rect, originX, originY, scaleX, scaleY, 1);
    if (!Supersamples()) {
        drawMapping = screenMapping;
    } else {
        // Twice the size from (0, 0), so that yMin falls on the bottom row
        // 2 x height - 1.
        ShortRect doubled;
        SetShortRect(doubled, 0, 0, 2 * ShortRectHeight(rect), 2 * ShortRectWidth(rect));
        drawMapping.Set(doubled, 2 * (originX - rect.left), 2 * (originY - rect.top) + 1, 2 * scaleX, 2 * scaleY, 2);
    }
    drawMapping.doc = doc;
}

void A2DGraphView::StepUnits(int32_t code)
{
    StepUnitsX(code);
    StepUnitsY(code);
}

void A2DGraphView::StepUnitsX(int32_t code)
{
    if (code == 0 || code == 1 || code == 3 || code == 4)
        StepAxisUnits(unitsX, tickKindX, code < 3);
}

void A2DGraphView::StepUnitsY(int32_t code)
{
    if (code == 0 || code == 2 || code == 3 || code == 5)
        StepAxisUnits(unitsY, tickKindY, code < 3);
}

void A2DGraphView::FitRangeX(double a, double b)
{
    FitAxisRange(a, b, (rect.right - rect.left - 1) * screenMapping.unitsPerPixelX, unitsX, tickKindX, xMin);
}

void A2DGraphView::FitRangeY(double a, double b)
{
    FitAxisRange(a, b, (rect.bottom - rect.top - 1) * screenMapping.unitsPerPixelY, unitsY, tickKindY, yMin);
}

void A2DGraphView::SnapRangesToTicks()
{
    const double fx = FirstTick(xMin, TickSpacing(unitsX, tickKindX));
    const double fy = FirstTick(yMin, TickSpacing(unitsY, tickKindY));
    UpdateScaleAndOrigin();
    UpdateMappings();
    const ViewMapping& m = screenMapping;
    const double px = std::floor(m.scaleX * fx + m.originX + 0.5);
    xMin = RoundToSignificantDigits(xMin + (fx - (px - m.originX) * m.unitsPerPixelX), 14);
    const double py = std::floor(m.scaleY * fy + m.originY + 0.5);
    yMin = RoundToSignificantDigits(yMin + (fy + (py - m.originY) * m.unitsPerPixelY), 14);
}

void A2DGraphView::SetRanges(double x0, double x1, double y0, double y1)
{
    // The plots read the drawing mapping while they compute, and the
    // snapping below rewrites it.
    StopGraphs();
    FitRangeX(x0, x1);
    FitRangeY(y0, y1);
    SnapRangesToTicks();
    UpdateScaleAndOrigin();
    UpdateMappings();
    RestartAllGraphs();
    DocSetGraphWorkPending(doc);
    ShellUpdateGraphPaneCursor();
}

bool A2DGraphView::FitRangesToData(bool apply)
{
    // The world rectangle from the first to the last pixel of the view.
    const ViewMapping& m = screenMapping;
    const double x0 = (m.rect.left - m.originX) * m.unitsPerPixelX;
    const double x1 = (m.rect.right - 1 - m.originX) * m.unitsPerPixelX;
    const double y0 = -(m.rect.bottom - 1 - m.originY) * m.unitsPerPixelY;
    const double y1 = -(m.rect.top - m.originY) * m.unitsPerPixelY;
    double xlo = x0, xhi = x1, ylo = y0, yhi = y1;
    for (int32_t i = 0; i < graphs.count; ++i) {
        double bx0, bx1, by0, by1;
        if (!Plot(i)->GetDataBounds(&bx0, &bx1, &by0, &by1))
            continue;
        xlo = std::min(xlo, bx0);
        xhi = std::max(xhi, bx1);
        ylo = std::min(ylo, by0);
        yhi = std::max(yhi, by1);
    }
    if (apply) {
        SetRanges(xlo, xhi, ylo, yhi);
        return false;
    }
    return xlo != x0 || xhi != x1 || ylo != y0 || yhi != y1;
}

void A2DGraphView::PlacePicture(PictureHandle picture, const ShortPoint* point)
{
    PictureHandle copy = DuplicateGlobalHandle(picture);
    if (!copy)
        return;
    ShellSetDocModified(true);
    const ShortPoint at = point ? *point
                                : ShortPoint{static_cast<int16_t>(rect.bottom - (rect.bottom - rect.top) / 2),
                                             static_cast<int16_t>(rect.left + (rect.right - rect.left) / 2)};
    ShortRect bounds;
    GetPictureBounds(copy, bounds);
    const int width = ShortRectWidth(bounds), height = ShortRectHeight(bounds);
    const double x = xMin + (at.h - width / 2 - rect.left) / scaleX;
    const double y = yMin - (rect.bottom - height / 2 - at.v) / scaleY;
    if (pictures.Push(PlacedPicture{copy, x, y})) {
        FreeGlobalHandle(copy);
        return;
    }
    ShellRedrawGraphPane(doc);
}

void A2DGraphView::StopGraphs()
{
    for (int32_t i = 0; i < graphs.count; ++i)
        Plot(i)->Stop();
}

void A2DGraphView::ScrollGraphs(int32_t dx, int32_t dy)
{
    for (int32_t i = 0; i < graphs.count; ++i)
        Plot(i)->ViewScrolled(dx, dy);
}

void A2DGraphView::WaitForGraphs()
{
    const uint32_t deadline = ClockMilliseconds() + static_cast<uint32_t>(TicksToMilliseconds(30));
    // The clock wraps: compare by the signed difference.
    while (!AreAllGraphsComplete() && static_cast<int32_t>(ClockMilliseconds() - deadline) < 0)
        SleepMicroseconds(50000);
}

void A2DGraphView::Resized()
{
    StopGraphs();
    const int32_t width = 2 * ShortRectWidth(rect);
    const int32_t height = 2 * ShortRectHeight(rect);
    // The surface only grows; a size beyond 16-bit rectangles is never made,
    // and drawing then stays at screen resolution.
    if (DocUsesAntialiasing(doc) && width >= 2 && height >= 2 && width <= 32767 && height <= 32767 &&
        (width > supersampleWidth || height > supersampleHeight)) {
        const int32_t newWidth = std::max(width, supersampleWidth);
        const int32_t newHeight = std::max(height, supersampleHeight);
        DisposeOffscreenSurface(supersampleSurface);
        ShortRect r;
        SetShortRect(r, 0, 0, newHeight, newWidth);
        supersampleSurface = NewOffscreenSurface(r);
        supersampleWidth = supersampleSurface ? newWidth : 0;
        supersampleHeight = supersampleSurface ? newHeight : 0;
    }
    UpdateScaleAndOrigin();
    UpdateMappings();
    for (int32_t i = 0; i < graphs.count; ++i)
        Plot(i)->ViewResized();
}

void A2DGraphView::SetGraphOption(int32_t code, double value, int32_t i)
{
    // A picture arriving as a colour is not an edit of the document.
    if (!(code == OptionColor && value == 999))
        ShellSetDocModified(true);
    if (i >= 0 && i < graphs.count)
        Plot(i)->SetOption(code, value);
    if (code == OptionColor)
        ShellInvalidateGraphPane(doc);
    if (code == OptionResolution)
        trace.kind = TraceNothing;
}

void A2DGraphView::SetViewOption(int32_t code, double)
{
    if (code == 5 || code == 6 || code == 7)
        return;
    ShellSetDocModified(true);
    if (code == ViewOptionToggleAxes)
        showAxes = !showAxes;
    else if (code == ViewOptionToggleGraphPaper)
        showGraphPaper = !showGraphPaper;
}

bool A2DGraphView::HitTestGraphs(ShortPoint point)
{
    return HitTestPasses(point, 3);
}

bool A2DGraphView::HitTestPoints(ShortPoint point)
{
    return HitTestPasses(point, 1);
}

bool A2DGraphView::HitTestOnJobThread(ShortPoint point)
{
    return RunHitJob(point, JobHitGraphs);
}

bool A2DGraphView::HitTestPointsOnJobThread(ShortPoint point)
{
    return RunHitJob(point, JobHitPoints);
}

bool A2DGraphView::RunHitJob(ShortPoint point, int32_t kind)
{
    jobPoint = point;
    jobKind = kind;
    // A job that cannot run leaves this answer.
    jobResult = 0;
    RunSingleJob(this);
    return jobResult != 0;
}

bool A2DGraphView::HitTestPasses(ShortPoint point, int passes)
{
    const double x = (point.h - screenMapping.originX) * screenMapping.unitsPerPixelX;
    const double y = -(point.v - screenMapping.originY) * screenMapping.unitsPerPixelY;
    for (int pass = 0; pass < passes; ++pass) {
        for (int32_t i = graphs.count - 1; i >= 0; --i) {
            A2DGraph* plot = Plot(i);
            if (JobOverdue())
                return false;
            if (plot->GetHitPriority() != kHitPasses[pass] || !plot->HitTest(x, y))
                continue;
            // A hit found after the poster gave up is void.
            if (JobOverdue())
                return false;
            tracedGraph = i;
            return true;
        }
    }
    return false;
}
