#include "graphs3d/A4DDrawingView.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "drawing/ClipRegionSaver.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A3DDrawingView.h"
#include "graphs3d/A4DGraph.h"
#include "graphs3d/Projection4D.h"
#include "rendering/RenderingServices.h"
#include "rendering/RotationKit.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>

namespace {

// 20 degrees: the most one frame of spin may turn in either plane.
constexpr double kMaxSpinStep = 0.3490658503988659;

AxisCrossHook CrossHook = nullptr;

Matrix4 ToMatrix(const double (&r)[4][4])
{
    Matrix4 m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m.m[i][j] = r[i][j];
    return m;
}

void FromMatrix(const Matrix4& m, double (&r)[4][4])
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i][j] = m.m[i][j];
}

// rotation <- M rotation.
void TurnBy(A4DGraphView& view, const Matrix4& M)
{
    Matrix4 r = ToMatrix(view.rotation);
    MultiplyMatrix4(M, r, r);
    FromMatrix(r, view.rotation);
}

bool IsDemoRunningNow()
{
    const DocumentHooks& hooks = GetDocumentHooks();
    return hooks.isDemoRunning && hooks.isDemoRunning();
}

A4DGraph* As4DGraph(AGraph* graph)
{
    return dynamic_cast<A4DGraph*>(graph);
}

// A frame's step of one spin: rises are followed slowly, as frame times
// jitter; at most 20 degrees either way.
double SpinStep(double e, double last)
{
    if (last != 0 && e != 0 && (e > 0) == (last > 0) && std::fabs(e) > std::fabs(last))
        e = 0.99 * last + 0.01 * e;
    return std::clamp(e, -kMaxSpinStep, kMaxSpinStep);
}

A4DGraphView* MakeDrawingView()
{
    return MakeViewWithRenderContext<A4DDrawingView>();
}

}  // namespace

void SetAxisCrossHook(AxisCrossHook hook)
{
    CrossHook = hook;
}

void Register4DDrawingView()
{
    GraphViewMakers makers = GetGraphViewMakers();
    makers.make4D = &MakeDrawingView;
    SetGraphViewMakers(makers);
}

A4DDrawingView::A4DDrawingView(ViewRenderContext* context) : A4DGraphView(context)
{
    ComputeProjection();
}

A4DDrawingView::~A4DDrawingView()
{
    Destruct();
}

void A4DDrawingView::Destruct()
{
    FreeGraphs();
    delete context;
    context = nullptr;
}

ViewRenderContext& A4DDrawingView::Context() const
{
    return *static_cast<ViewRenderContext*>(context);
}

void A4DDrawingView::ComputeProjection()
{
    ComputeProjection4D(projection, ToMatrix(rotation), depthRadius, Box4DOf(static_cast<const A4DGraphView&>(*this)));
}

double A4DDrawingView::DepthRadiusOfGraphs()
{
    double r = kMinDepthRadius3D;
    for (AGraph* graph : graphs) {
        A4DGraph* g = As4DGraph(graph);
        const double extent = g ? g->GetExtent() : 0;
        if (std::isfinite(extent))
            r = std::max(r, extent);
    }
    return r;
}

void A4DDrawingView::UpdateProjection()
{
    ComputeProjection();
    depthRadius = DepthRadiusOfGraphs();
}

void A4DDrawingView::Draw(uint8_t)
{
    DrawFrame();
}

bool A4DDrawingView::DrawFrame()
{
    if (!context || CheckMemoryBudget() || rect.left >= rect.right || rect.top >= rect.bottom)
        return true;
    AdvanceSpin();
    ClipRegionSaver clip(rect);
    // Graphs that completed since the last frame may reach further.
    depthRadius = DepthRadiusOfGraphs();
    SetIdentity3(camera.rotation);
    camera.xmin = camera.ymin = camera.zmin = -1;
    camera.xmax = camera.ymax = camera.zmax = 1;
    camera.zoom = zoom;
    camera.depthRadius = 2 * depthRadius;
    ViewRenderContext& ctx = Context();
    ctx.Configure(rect, &camera);
    if (!ctx.IsReady())
        return true;
    if (ctx.BeginFrame(false) != 0)
        return false;
    ComputeProjection();
    bool ready = true;
    for (AGraph* graph : graphs) {
        A4DGraph* g = As4DGraph(graph);
        if (g && !g->Draw()) {
            ready = false;
            break;
        }
    }
    if (ready)
        ready = DrawAxes4D();
    if (ctx.Present() != 0) {
        PostFailure(FailureOutOfMemory);
        ready = false;
    }
    return ready;
}

void A4DDrawingView::AdvanceSpin()
{
    if (graphs.count == 0) {
        lastSpinStep1 = lastSpinStep2 = 0;
        spinClock = 0;
        return;
    }
    const uint64_t now = ClockMicroseconds();
    if (!AreAllGraphsComplete() || (spinStep1 == 0 && spinStep2 == 0)) {
        spinClock = now;
        return;
    }
    double e1 = 0, e2 = 0;
    if (spinClock != 0) {
        const double dt = (now - spinClock) * 1e-6;
        e1 = spinStep1 * dt;
        e2 = spinStep2 * dt;
        if (doc)
            doc->RecordFrameTime(dt);
    }
    e1 = SpinStep(e1, lastSpinStep1);
    e2 = SpinStep(e2, lastSpinStep2);
    if (std::isfinite(e1) && std::isfinite(e2)) {
        Matrix4 step;
        DoubleRotation4(step, spinAxis1, e1, spinAxis2, e2);
        TurnBy(*this, step);
        // Many small turns would let rounding skew the rotation.
        Matrix4 r = ToMatrix(rotation);
        Reorthonormalize4(r);
        FromMatrix(r, rotation);
        lastSpinStep1 = e1;
        lastSpinStep2 = e2;
    }
    spinClock = now;
}

void A4DDrawingView::Scroll(int32_t, int32_t dy)
{
    spinStep1 = spinStep2 = dy / 5.0;
    lastSpinStep1 = lastSpinStep2 = 0;
    spinClock = 0;
}

bool A4DDrawingView::MouseDown(const ViewMouseEvent& event)
{
    // The pane sends Ctrl as the trace-all key and Shift as the box key.
    BeginDrag(event.point, event.traceAll != 0, event.box != 0);
    return true;
}

void A4DDrawingView::MouseUp(ShortPoint)
{
    EndDrag();
}

void A4DDrawingView::MouseMove(int32_t h, int32_t v)
{
    DragStep(ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(h)});
    ShellSetDragCursor(DragCursorArrow);
}

void A4DDrawingView::BeginDrag(ShortPoint point, bool ctrl, bool shift)
{
    if (doc)
        ShellSetDocModified(true);
    lastPoint = point;
    if (ctrl) {
        dragMode = Drag4DZoom;
        zoomAtPress = zoom;
        return;
    }
    dragMode = shift ? Drag4DRotateSwapped : Drag4DRotate;
    lastMoveTime = ClockMilliseconds();
    StopSpin();
}

void A4DDrawingView::EndDrag()
{
    // The speeds of the last step stay: a flick keeps spinning.
    dragMode = Drag4DNone;
}

void A4DDrawingView::DragStep(ShortPoint point)
{
    if (dragMode == Drag4DNone)
        return;
    if (dragMode == Drag4DZoom) {
        // Dragging down widens the view.
        zoom = Clamp(zoomAtPress + 0.03 * (point.v - lastPoint.v), kMinZoom3D, kMaxZoom3D);
        ShellRedrawGraphPane(doc);
        return;
    }
    if (point.h == lastPoint.h && point.v == lastPoint.v) {
        // Holding still with the button down leaves nothing spinning.
        const uint32_t still = ClockMilliseconds() - lastMoveTime;
        if (still > static_cast<uint32_t>(TicksToMilliseconds(20)) && !IsDemoRunningNow())
            StopSpin();
        return;
    }
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const ShortPoint centre{static_cast<int16_t>((rect.top + rect.bottom) / 2),
                            static_cast<int16_t>((rect.left + rect.right) / 2)};
    const int radius = static_cast<int>(0.4 * std::min(width, height));
    const int kind = dragMode == Drag4DRotate ? mouseMode : 3 - mouseMode;
    Matrix4 W;
    TrackballRotation4(point, lastPoint, centre, radius, W, kind);
    ConjugateRotation4(ToMatrix(rotation), W);
    double angle1 = 0, angle2 = 0;
    DecomposeDoubleRotation4(spinAxis1, angle1, spinAxis2, angle2, W);
    const uint64_t now = ClockMicroseconds();
    const double dt = (now - dragTime) * 1e-6;
    const double s1 = Clamp(angle1 / dt, 0, kMaxSpinSpeed3D), s2 = Clamp(angle2 / dt, 0, kMaxSpinSpeed3D);
    // A step of no time or no angle leaves no speed that is not a number.
    spinStep1 = std::isfinite(s1) ? s1 : 0;
    spinStep2 = std::isfinite(s2) ? s2 : 0;
    bool finite = true;
    for (const auto& row : W.m)
        for (double e : row)
            finite = finite && std::isfinite(e);
    if (finite)
        TurnBy(*this, W);
    ShellRedrawGraphPane(doc);
    dragTime = now;
    lastPoint = point;
    lastMoveTime = ClockMilliseconds();
}

void A4DDrawingView::AfterBoxChange()
{
    // The graphs take the box when they start.
    ComputeProjection();
    RestartAllGraphs();
    WaitForGraphs();
    DocResetRangePanel(doc);
    ShellRedrawGraphPane(doc);
    ShellRedrawEquationPane(doc);
}

void A4DDrawingView::Zoom(int32_t code)
{
    if (code == 6 || code == 7) {
        A4DGraphView::Zoom(code);
        ComputeProjection();
        return;
    }
    if (doc)
        ShellSetDocModified(true);
    const bool out = code == 3;
    const double finalFactor = out ? 2 : 0.5, stepFactor = out ? 1.25 : 0.8;
    double* bounds[8] = {&xMin, &xMax, &yMin, &yMax, &zMin, &zMax, &wMin, &wMax};
    double atCall[8], centre[4];
    for (int i = 0; i < 8; ++i)
        atCall[i] = *bounds[i];
    for (int a = 0; a < 4; ++a)
        centre[a] = (atCall[2 * a] + atCall[2 * a + 1]) * 0.5;
    for (int step = 0; step < 2; ++step) {
        for (int i = 0; i < 8; ++i)
            *bounds[i] = centre[i / 2] + (*bounds[i] - centre[i / 2]) * stepFactor;
        AfterBoxChange();
    }
    for (int i = 0; i < 8; ++i)
        *bounds[i] = centre[i / 2] + (atCall[i] - centre[i / 2]) * finalFactor;
    AfterBoxChange();
}

void A4DDrawingView::AxesOrigin(double (&out)[4]) const
{
    const double lo[4] = {xMin, yMin, zMin, wMin}, hi[4] = {xMax, yMax, zMax, wMax};
    for (int i = 0; i < 4; ++i) {
        const double n = (0 - (lo[i] + hi[i]) / 2) * 2 / (hi[i] - lo[i]);
        out[i] = std::isnan(n) ? 0 : std::clamp(n, -1.0, 1.0);
    }
}

bool A4DDrawingView::DrawSegment4D(const double (&P)[4], const double (&Q)[4], RgbColor color)
{
    Vec3 a, b;
    double depthA, depthB;
    Project4DPoint(projection, P, a, depthA);
    Project4DPoint(projection, Q, b, depthB);
    if (depthA < 0 || depthB < 0)
        return true;
    const float points[6] = {float(a.x), float(a.y), float(a.z), float(b.x), float(b.y), float(b.z)};
    static const uint16_t kPair[2] = {0, 1};
    ViewRenderContext& ctx = Context();
    ctx.SetFlatColor(color);
    ctx.SetVertexArray(points, 2);
    ctx.DrawLines(kPair, 1, false);
    return true;
}

bool A4DDrawingView::DrawAxes4D()
{
    double O[4];
    AxesOrigin(O);
    double ends[4][4];
    double cross[5][2];
    Vec3 p;
    double depth;
    Project4DPoint(projection, O, p, depth);
    ProjectToPanel(p, cross[0][0], cross[0][1]);
    for (int a = 0; a < 4; ++a) {
        std::copy(O, O + 4, ends[a]);
        ends[a][a] = 1;
        Project4DPoint(projection, ends[a], p, depth);
        ProjectToPanel(p, cross[a + 1][0], cross[a + 1][1]);
    }
    if (CrossHook)
        CrossHook(cross);
    bool ok = true;
    if (showGrid) {
        for (int k = 0; k < 8; ++k) {
            const double s = -1 + k * 2.0 / 7;
            const double a0[4] = {s, -1, O[2], O[3]}, a1[4] = {s, 1, O[2], O[3]};
            const double b0[4] = {-1, s, O[2], O[3]}, b1[4] = {1, s, O[2], O[3]};
            ok = DrawSegment4D(a0, a1, kGridColor4D) && ok;
            ok = DrawSegment4D(b0, b1, kGridColor4D) && ok;
        }
    }
    if (showAxes) {
        for (const auto& end : ends)
            ok = DrawSegment4D(O, end, kAxesColor4D) && ok;
    }
    return ok;
}
