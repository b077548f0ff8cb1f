#include "graphs3d/A3DDrawingView.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "drawing/ClipRegionSaver.h"
#include "document/DocumentHooks.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/A3DGraph.h"
#include "rendering/RenderingServices.h"
#include "rendering/RotationKit.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr RgbColor kAxesColor = 0x00FF00;
// 20 degrees: the most one frame of spin may turn.
constexpr double kMaxSpinStep = M_PI / 180 * 20;

Matrix3 ToMatrix(const double (&r)[3][3])
{
    Matrix3 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            m.m[i][j] = r[i][j];
    return m;
}

void FromMatrix(const Matrix3& m, double (&r)[3][3])
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i][j] = m.m[i][j];
}

// rotation <- M rotation.
void TurnBy(A3DGraphView& view, const Matrix3& M)
{
    Matrix3 r = ToMatrix(view.rotation);
    MultiplyMatrix3(M, r, r);
    FromMatrix(r, view.rotation);
}

// The spin a drag step leaves: the step's axis at its angle over the time
// the step took; a step of no time or no angle gives no speed that is not a
// number.
void SpinFromStep(A3DGraphView& view, const Matrix3& step, uint64_t since, uint64_t now)
{
    Vec3 axis;
    double angle;
    AxisAngleFromMatrix3(axis, angle, step);
    view.spinAxis[0] = axis.x;
    view.spinAxis[1] = axis.y;
    view.spinAxis[2] = axis.z;
    const double speed = Clamp(angle / ((now - since) * 1e-6), 0, kMaxSpinSpeed3D);
    view.spinSpeed = std::isfinite(speed) ? speed : 0;
}

bool IsDemoRunningNow()
{
    const DocumentHooks& hooks = GetDocumentHooks();
    return hooks.isDemoRunning && hooks.isDemoRunning();
}

A3DGraph* As3DGraph(AGraph* graph)
{
    return dynamic_cast<A3DGraph*>(graph);
}

// The axes' crossing: per axis the box minimum when above 0, the maximum
// when below 0, else 0.
float Crossing(double lo, double hi)
{
    return static_cast<float>(lo > 0 ? lo : hi < 0 ? hi : 0);
}

// Three axis lines (pairs 0-1, 2-3, 4-5), then the x and y arrow heads.
void AxesPoints(const A3DGraphView& v, float (&p)[12][3])
{
    const float ox = Crossing(v.xMin, v.xMax), oy = Crossing(v.yMin, v.yMax), oz = Crossing(v.zMin, v.zMax);
    const float x0 = float(v.xMin), x1 = float(v.xMax), y0 = float(v.yMin), y1 = float(v.yMax), z1 = float(v.zMax);
    const float dx = float(0.05 * (v.xMax - v.xMin)), dy = float(0.05 * (v.yMax - v.yMin));
    const float points[12][3] = {
        {x0, oy, oz},      {x1, oy, oz},      {ox, y0, oz},      {ox, y1, oz},      {ox, oy, oz},      {ox, oy, z1},
        {x1 + dx, oy, oz}, {x1, oy + dy, oz}, {x1, oy - dy, oz}, {ox, y1 + dy, oz}, {ox - dx, y1, oz}, {ox + dx, y1, oz},
    };
    std::copy(&points[0][0], &points[0][0] + 36, &p[0][0]);
}

A3DGraphView* MakeDrawingView()
{
    return MakeViewWithRenderContext<A3DDrawingView>();
}

}  // namespace

double Clamp(double x, double lo, double hi)
{
    return x < lo ? lo : x > hi ? hi : x;
}

void Register3DDrawingViews()
{
    GraphViewMakers makers = GetGraphViewMakers();
    makers.make3D = &MakeDrawingView;
    SetGraphViewMakers(makers);
}

A3DDrawingView::A3DDrawingView(ViewRenderContext* context) : A3DGraphView(context)
{
    SyncCamera();
}

A3DDrawingView::~A3DDrawingView()
{
    Destruct();
}

void A3DDrawingView::Destruct()
{
    FreeGraphs();
    delete context;
    context = nullptr;
}

ViewRenderContext& A3DDrawingView::Context() const
{
    return *static_cast<ViewRenderContext*>(context);
}

void A3DDrawingView::SyncCamera()
{
    camera.rotation = ToMatrix(rotation);
    camera.xmin = xMin, camera.xmax = xMax;
    camera.ymin = yMin, camera.ymax = yMax;
    camera.zmin = zMin, camera.zmax = zMax;
    camera.zoom = zoom;
    camera.depthRadius = depthRadius;
}

void A3DDrawingView::ConfigureRenderContext()
{
    A3DGraphView::ConfigureRenderContext();
    SyncCamera();
    if (context)
        Context().Configure(rect, &camera);
}

void A3DDrawingView::Draw(uint8_t)
{
    DrawFrame();
}

bool A3DDrawingView::DrawFrame()
{
    if (!context || CheckMemoryBudget() || rect.left == rect.right || rect.top == rect.bottom)
        return true;
    AdvanceSpin();
    ViewRenderContext& ctx = Context();
    SyncCamera();
    ctx.Configure(rect, &camera);
    if (!ctx.IsReady())
        return true;
    double r = kMinDepthRadius3D;
    if (showAxes)
        r = std::max(r, GetAxesExtent());
    for (AGraph* graph : graphs) {
        if (A3DGraph* g = As3DGraph(graph))
            r = std::max(r, g->GetExtent());
    }
    depthRadius = camera.depthRadius = r;
    ClipRegionSaver clip(rect);
    bool split = false;
    for (AGraph* graph : graphs) {
        A3DGraph* g = As3DGraph(graph);
        split = split || (g && g->UsesHSVColorProgram());
    }
    split = split && !ctx.IsNVIDIARenderer();
    if (ctx.BeginFrame(split) != 0)
        return true;
    bool ready = true;
    // HSV graphs first when the frame is split; the pass between turns
    // their colours into RGB.
    for (int pass = split ? 0 : 1; pass < 2 && ready; ++pass) {
        for (AGraph* graph : graphs) {
            A3DGraph* g = As3DGraph(graph);
            if (!g || (split && g->UsesHSVColorProgram() != (pass == 0)))
                continue;
            if (!g->Draw()) {
                ready = false;
                break;
            }
        }
        // HSV colours become RGB before the RGB graphs are drawn over them.
        if (split && pass == 0)
            ctx.HSVToRGBPostPass();
    }
    if (ready && showAxes)
        DrawAxes();
    if (ctx.Present() != 0)
        PostFailure(FailureOutOfMemory);
    return ready;
}

void A3DDrawingView::AdvanceSpin()
{
    if (graphs.count == 0) {
        lastSpinStep = 0;
        spinClock = 0;
        return;
    }
    const uint64_t now = ClockMicroseconds();
    const double dt = (now - spinClock) * 1e-6;
    if (spinSpeed == 0) {
        if (doc)
            doc->RecordFrameTime(dt);
        spinClock = now;
        return;
    }
    double e = 0;
    if (spinClock != 0) {
        e = spinSpeed * dt;
        if (doc)
            doc->RecordFrameTime(dt);
    }
    // Frame times jitter: the step follows a rise slowly and a fall faster.
    const double f = lastSpinStep;
    if (f != 0 && e != 0) {
        if (e > f)
            e = 0.99 * f + 0.01 * e;
        else if (e < f)
            e = 0.8 * f + 0.2 * e;
    }
    e = std::min(e, kMaxSpinStep);
    if (std::isfinite(e)) {
        Matrix3 step;
        // A file may give the axis at any length.
        Vec3 axis;
        NormalizeVec3(Vec3{spinAxis[0], spinAxis[1], spinAxis[2]}, axis);
        MatrixFromAxisAngle3(step, axis.x, axis.y, axis.z, e);
        TurnBy(*this, step);
        lastSpinStep = e;
    }
    spinClock = now;
}

void A3DDrawingView::Scroll(int32_t, int32_t dy)
{
    spinSpeed = dy / 5.0;
    lastSpinStep = 0;
    spinClock = 0;
}

bool A3DDrawingView::MouseDown(const ViewMouseEvent& event)
{
    // The pane sends Ctrl as the trace-all key and Shift as the box key.
    BeginDrag(event.point, event.traceAll != 0, event.box != 0);
    return true;
}

void A3DDrawingView::MouseUp(ShortPoint)
{
    EndDrag();
}

void A3DDrawingView::MouseMove(int32_t h, int32_t v)
{
    DragStep(ShortPoint{static_cast<int16_t>(v), static_cast<int16_t>(h)});
    ShellSetDragCursor(DragCursorArrow);
}

void A3DDrawingView::BeginDrag(ShortPoint point, bool ctrl, bool shift)
{
    if (doc)
        ShellSetDocModified(true);
    lastPoint = point;
    axisChosen = 0;
    if (ctrl) {
        // Zooming leaves a running spin alone.
        dragMode = DragZoom;
        zoomAtPress = zoom;
        return;
    }
    dragMode = shift ? DragAboutAxis : DragFree;
    lastMoveTime = ClockMilliseconds();
    dragTime = ClockMicroseconds();
    spinSpeed = 0;
}

void A3DDrawingView::EndDrag()
{
    // The speed of the last step stays: a flick keeps spinning.
    dragMode = DragNone;
    axisChosen = 0;
}

void A3DDrawingView::DragStep(ShortPoint point)
{
    if (dragMode == DragNone)
        return;
    if (dragMode == DragZoom) {
        // Dragging down widens the view.
        zoom = Clamp(zoomAtPress + 0.03 * (point.v - lastPoint.v), kMinZoom3D, kMaxZoom3D);
        ShellRedrawGraphPane(doc);
        return;
    }
    const uint64_t now = ClockMicroseconds();
    bool accepted = false;
    if (dragMode == DragFree) {
        accepted = point.h != lastPoint.h || point.v != lastPoint.v;
        if (accepted)
            FreeRotationStep(point, now);
    } else {
        accepted = AxisRotationStep(point, now);
    }
    if (accepted) {
        ShellRedrawGraphPane(doc);
        lastMoveTime = ClockMilliseconds();
        lastPoint = point;
        return;
    }
    // Holding the mouse still with the button down stops the spin on release.
    const uint32_t still = ClockMilliseconds() - lastMoveTime;
    if (still > static_cast<uint32_t>(TicksToMilliseconds(20)) &&
        (!IsDemoRunningNow() || (doc && doc->IsDemoPaused())))
        spinSpeed = 0;
}

// The trackball's turn in world coordinates.
static Matrix3 WorldTrackballStep(const A3DGraphView& view, ShortPoint point, ShortPoint last, bool largerSide)
{
    const int width = view.rect.right - view.rect.left, height = view.rect.bottom - view.rect.top;
    const ShortPoint centre{static_cast<int16_t>((view.rect.top + view.rect.bottom) / 2),
                            static_cast<int16_t>((view.rect.left + view.rect.right) / 2)};
    const int radius = static_cast<int>(0.4 * (largerSide ? std::max(width, height) : std::min(width, height)));
    Matrix3 W;
    TrackballRotation3(point, last, centre, radius, W);
    ConjugateRotation3(ToMatrix(view.rotation), W);
    return W;
}

void A3DDrawingView::FreeRotationStep(ShortPoint point, uint64_t now)
{
    const Matrix3 W = WorldTrackballStep(*this, point, lastPoint, false);
    TurnBy(*this, W);
    SpinFromStep(*this, W, dragTime, now);
    dragTime = now;
}

bool A3DDrawingView::AxisRotationStep(ShortPoint point, uint64_t now)
{
    // Small moves are held back until they add up.
    if (std::abs(lastPoint.v - point.v) + std::abs(lastPoint.h - point.h) <= 4)
        return false;
    const Matrix3 W = WorldTrackballStep(*this, point, lastPoint, true);
    const double trace = W.m[0][0] + W.m[1][1] + W.m[2][2];
    double w = std::acos(Clamp((trace - 1) / 2, -1, 1));
    if (w > 0.05)
        w *= 3;
    w = std::min(w, 1.5);
    const double d[3] = {W.m[1][2] - W.m[2][1], W.m[2][0] - W.m[0][2], W.m[0][1] - W.m[1][0]};
    if (!std::isfinite(w) || !std::isfinite(d[0] + d[1] + d[2]))
        return false;
    if (!axisChosen) {
        std::copy(d, d + 3, chosenDirection);
        axisChosen = 1;
    }
    const double cx = std::fabs(chosenDirection[0]), cy = std::fabs(chosenDirection[1]),
                 cz = std::fabs(chosenDirection[2]);
    const int axis = cx >= cy && cx > cz ? 0 : cy > cx && cy > cz ? 1 : 2;
    // A component of exactly 0 counts as + for x and z and as - for y.
    const double s = axis == 1 ? (d[1] > 0 ? 1 : -1) : (d[axis] >= 0 ? 1 : -1);
    double n[3] = {0, 0, 0};
    n[axis] = 1;
    Matrix3 M;
    MatrixFromAxisAngle3(M, n[0], n[1], n[2], s * w);
    TurnBy(*this, M);
    SpinFromStep(*this, M, dragTime, now);
    return true;
}

void A3DDrawingView::AfterBoxChange()
{
    RestartAllGraphs();
    WaitForGraphs();
    if (AreAllGraphsComplete())
        SetViewOption(7);
    DocResetRangePanel(doc);
    ShellRedrawGraphPane(doc);
    ShellRedrawEquationPane(doc);
}

void A3DDrawingView::Zoom(int32_t code)
{
    if (code == 6 || code == 7) {
        if (code == 6 && doc)
            ShellSetDocModified(true);
        A3DGraphView::Zoom(code);
        return;
    }
    if (doc)
        ShellSetDocModified(true);
    const bool out = code == 3;
    const double finalFactor = out ? 2 : 0.5, stepFactor = out ? 1.25 : 0.8;
    double* bounds[6] = {&xMin, &xMax, &yMin, &yMax, &zMin, &zMax};
    double atCall[6], centre[3];
    for (int i = 0; i < 6; ++i)
        atCall[i] = *bounds[i];
    for (int a = 0; a < 3; ++a)
        centre[a] = (atCall[2 * a] + atCall[2 * a + 1]) * 0.5;
    // Two animation frames, while the whole zoom stays within half a second.
    const uint32_t start = ClockMilliseconds();
    const uint32_t animationMs = static_cast<uint32_t>(TicksToMilliseconds(30));
    const uint32_t frameMs = static_cast<uint32_t>(TicksToMilliseconds(15));
    for (int step = 0; step < 2 && ClockMilliseconds() - start < animationMs; ++step) {
        const uint32_t stepStart = ClockMilliseconds();
        for (int i = 0; i < 6; ++i)
            *bounds[i] = centre[i / 2] + (*bounds[i] - centre[i / 2]) * stepFactor;
        AfterBoxChange();
        const uint32_t spent = ClockMilliseconds() - stepStart;
        if (spent < frameMs)
            SleepMicroseconds(static_cast<int32_t>(int64_t(frameMs - spent) * 1000000 / (60 * TicksToMilliseconds(1))));
    }
    for (int i = 0; i < 6; ++i)
        *bounds[i] = centre[i / 2] + (atCall[i] - centre[i / 2]) * finalFactor;
    AfterBoxChange();
    ShellInvalidateGraphPane(doc);
}

void A3DDrawingView::DataUnion(double (&bounds)[6])
{
    double box[6] = {xMin, xMax, yMin, yMax, zMin, zMax};
    std::copy(box, box + 6, bounds);
    for (AGraph* graph : graphs) {
        A3DGraph* g = As3DGraph(graph);
        double b[6];
        if (!g || !g->GetDataBounds(&b[0], &b[1], &b[2], &b[3], &b[4], &b[5]))
            continue;
        for (int a = 0; a < 3; ++a) {
            bounds[2 * a] = std::min(bounds[2 * a], b[2 * a]);
            bounds[2 * a + 1] = std::max(bounds[2 * a + 1], b[2 * a + 1]);
        }
    }
}

bool A3DDrawingView::CanExtendRangesToData()
{
    double u[6];
    DataUnion(u);
    return u[0] != xMin || u[1] != xMax || u[2] != yMin || u[3] != yMax || u[4] != zMin || u[5] != zMax;
}

void A3DDrawingView::ExtendRangesToData()
{
    double u[6];
    DataUnion(u);
    xMin = u[0], xMax = u[1], yMin = u[2], yMax = u[3], zMin = u[4], zMax = u[5];
    RestartAllGraphs();
    DocResetRangePanel(doc);
}

double A3DDrawingView::GetAxesExtent()
{
    float p[12][3];
    AxesPoints(*this, p);
    return Context().GetBoundingRadius(&p[0][0], 12);
}

void A3DDrawingView::DrawAxes()
{
    ViewRenderContext& ctx = Context();
    float p[12][3];
    AxesPoints(*this, p);
    static const uint16_t kLinePairs[6] = {0, 1, 2, 3, 4, 5};
    ctx.SetFlatColor(kAxesColor);
    ctx.SetVertexArray(&p[0][0], 6);
    ctx.DrawLines(kLinePairs, 3, true);
    static const float kUp[6][3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    static const int32_t kHeads[6] = {0, 1, 2, 3, 4, 5};
    ctx.SetShinyColor(kAxesColor);
    ctx.SetVertexArray(&p[6][0], 6);
    ctx.SetNormalArray(&kUp[0][0]);
    ctx.DrawTriangles(kHeads, 2);
    ctx.DisableNormalArray();
}
