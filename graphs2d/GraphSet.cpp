#include "graphs2d/GraphSet.h"

#include "CoreUtilities/Clock.h"
#include "drawing/DDUtils.h"
#include "drawing/DrawingPort.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/AGraph.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphServices.h"
#include "graphmodel/RenderContext.h"
#include "graphs2d/A2DGraphView.h"

#include <cmath>
#include <new>

namespace {

GraphViewMakers Makers;

A2DGraphView* MakePlain2DView()
{
    return new (std::nothrow) A2DGraphView;
}

template <typename View>
View* MakePlainView()
{
    RenderContext* context = new (std::nothrow) RenderContext;
    if (!context)
        return nullptr;
    View* view = new (std::nothrow) View(context);
    if (!view)
        delete context;
    return view;
}

// The view codes that only upload meshes change nothing the user sees.
bool IsMeshUpload(int32_t code)
{
    return code == 5 || code == 6 || code == 7;
}

void EnlargeByOne(ShortRect& r)
{
    InsetShortRect(r, -1, -1);
}

void Adjust(ShortRect& r, int top, int left, int right, int bottom)
{
    r.top = static_cast<int16_t>(r.top + top);
    r.left = static_cast<int16_t>(r.left + left);
    r.right = static_cast<int16_t>(r.right + right);
    r.bottom = static_cast<int16_t>(r.bottom + bottom);
}

void NeverInverted(ShortRect& r)
{
    if (r.bottom < r.top)
        r.top = r.bottom;
    if (r.right < r.left)
        r.right = r.left;
}

// One spinning view's speed s (radians per second) becomes a step per movie
// frame: 15 frames a second, or a whole turn in the given frames. A speed
// whose turn takes more than 200 frames is raised to 200. The sign of the
// speed is its direction and stays. replaced tells whether the step was set
// rather than only divided.
int32_t SpinFramesOfSpeed(int32_t frames, double& s, bool& replaced)
{
    s /= 15;
    replaced = false;
    const double sign = s < 0 ? -1 : 1;
    if (frames != 0) {
        if (s != 0) {
            s = sign * 2 * M_PI / frames;
            replaced = true;
        }
        return frames;
    }
    if (s == 0 || !std::isfinite(s))
        return 0;
    const double n = std::floor(2 * M_PI / std::fabs(s) + 0.5);
    if (n >= 201) {
        s = sign * 0.01 * M_PI;
        replaced = true;
        return 200;
    }
    return n < 1 ? 1 : static_cast<int32_t>(n);
}

int32_t SetSpinFrames3D(int32_t frames, A3DGraphView& view)
{
    bool replaced = false;
    return SpinFramesOfSpeed(frames, view.spinSpeed, replaced);
}

// The count comes from the first step; the second follows it.
int32_t SetSpinFrames4D(int32_t frames, A4DGraphView& view)
{
    bool replaced = false;
    frames = SpinFramesOfSpeed(frames, view.spinStep1, replaced);
    view.spinStep2 = replaced ? std::copysign(std::fabs(view.spinStep1), view.spinStep2) : view.spinStep2 / 15;
    return frames;
}

bool IsSoftwareRendered(RenderContext* context)
{
    return context && context->GetMode() == RenderModeSoftware;
}

}  // namespace

void SetGraphViewMakers(const GraphViewMakers& makers)
{
    Makers = makers;
}

const GraphViewMakers& GetGraphViewMakers()
{
    return Makers;
}

GraphSet* NewGraphSet(ShortRect paneRect, WindowHandle parent, DocState* doc)
{
    GraphSet* graphs = new (std::nothrow) GraphSet(paneRect, parent, doc);
    if (graphs && !graphs->HasViews()) {
        delete graphs;
        return nullptr;
    }
    return graphs;
}

GraphSet::GraphSet(ShortRect layoutRect, WindowHandle parent, DocState* doc) : doc(doc)
{
    A2DGraphView* (*make2D)() = Makers.make2D ? Makers.make2D : &MakePlain2DView;
    A3DGraphView* (*make3D)() = Makers.make3D ? Makers.make3D : &MakePlainView<A3DGraphView>;
    A4DGraphView* (*make4D)() = Makers.make4D ? Makers.make4D : &MakePlainView<A4DGraphView>;
    // In this order; a view that cannot be made leaves none.
    if (!(views2D[0] = make2D()) || !(views2D[1] = make2D()) || !(views3D[0] = make3D()) ||
        !(views3D[1] = make3D()) || !(view4D = make4D())) {
        DestroyViews();
        return;
    }
    active = views2D[0];
    for (int32_t i = 0; i < 5; ++i)
        View(i)->doc = doc;
    SetLayoutRect(layoutRect);
    for (RenderContext* context : {views3D[0]->context, views3D[1]->context, view4D->context}) {
        if (context)
            context->SetOwner(parent, doc);
    }
}

GraphSet::~GraphSet()
{
    if (HasViews())
        ClearAllGraphs();
    complexMapGraphs.Clear();
    equationGraphs.Clear();
    DestroyViews();
}

void GraphSet::DestroyViews()
{
    delete view4D;
    delete views3D[1];
    delete views3D[0];
    delete views2D[1];
    delete views2D[0];
    view4D = nullptr;
    views3D[0] = views3D[1] = nullptr;
    views2D[0] = views2D[1] = nullptr;
    active = second = captured = nullptr;
}

AGraphView* GraphSet::View(int32_t index) const
{
    AGraphView* const views[] = {views2D[0], views2D[1], views3D[0], views3D[1], view4D};
    return views[index];
}

void GraphSet::ClearAllGraphs()
{
    AGraphView* const order[] = {views2D[1], views2D[0], views3D[1], views3D[0], view4D};
    for (AGraphView* view : order)
        DeleteGraphs(view->graphs);
    equationGraphs.Clear();
    // Their graph numbers named graphs that are gone.
    complexMapGraphs.Clear();
    ClearTraces();
    DocClearRangePanel(doc);
}

void GraphSet::SetLayoutRect(const ShortRect& r)
{
    layoutRect = r;
    LayoutViews();
}

void GraphSet::LayoutViews()
{
    for (int32_t i = 0; i < 5; ++i)
        View(i)->rect = layoutRect;
    // The shown views split the layout even when they are not among the five
    // (a view a caller put in their place).
    if (active)
        active->rect = layoutRect;
    if (second) {
        second->rect = layoutRect;
        ShortRect& a = active->rect;
        ShortRect& b = second->rect;
        const int w = layoutRect.right - layoutRect.left;
        const int h = w / 2;
        a.right = static_cast<int16_t>(a.right - h);
        b.left = static_cast<int16_t>(b.left + (w - h));
        // The insets and the widening may cross edges over; only the
        // finished rectangles are set right, so an empty pane gives empty
        // views.
        Adjust(a, 8, 8, -6, -10);
        Adjust(b, 8, 6, -8, -10);
        NeverInverted(a);
        NeverInverted(b);
    }
    ResizeViews();
}

void GraphSet::ResizeViews()
{
    for (int32_t i = 0; i < 4; ++i)
        View(i)->Resized();
}

void GraphSet::UpdateViewports()
{
    if (active == view4D)
        view4D->UpdateProjection();
    if (active == views3D[0])
        views3D[0]->ConfigureRenderContext();
    if (second == views3D[1])
        views3D[1]->ConfigureRenderContext();
}

void GraphSet::GetViewRect(ShortRect& out, int32_t which) const
{
    if (which == WhichActive)
        out = active->rect;
    else if (which == WhichSecond && second)
        out = second->rect;
    else
        out = layoutRect;
}

void GraphSet::Draw(int32_t part, int32_t flag)
{
    const uint8_t full = static_cast<uint8_t>(flag);
    switch (part) {
    case 0:
        active->Draw(full);
        break;
    case 1:
        (second ? second : active)->Draw(full);
        break;
    case 2:
        if (second) {
            if (!AcquirePortDC())
                return;
            PortEraseRect(layoutRect);
            PortSetDefaultColors();
            for (AGraphView* view : {active, second}) {
                ShortRect frame = view->rect;
                EnlargeByOne(frame);
                PortFrameRect(frame);
            }
            ReleasePortDC();
            active->Draw(full);
            second->Draw(full);
        } else {
            active->Draw(full);
        }
        break;
    case 3:
        if (active == views2D[0])
            active->Draw(full);
        if (second && second == views2D[1])
            second->Draw(full);
        break;
    case 4:
    case 5:
        if ((active == views3D[0] || active == view4D) && (part == 4 || active->HasOwnWindow()))
            active->Draw(full);
        if (second && second == views3D[1] && (part == 4 || second->HasOwnWindow()))
            second->Draw(full);
        break;
    default:
        if (!second)
            active->Draw(full);
        break;
    }
}

void GraphSet::RefreshGLWindows(int32_t part)
{
    if ((part == 0 || part == 2) && active == views3D[0] && views3D[0]->UsesGLChildWindow())
        views3D[0]->context->CopyFrameToPicture();
    if ((part == 1 || part == 2) && second == views3D[1] && views3D[1]->UsesGLChildWindow())
        views3D[1]->context->CopyFrameToPicture();
    if (active == view4D && view4D->UsesGLChildWindow())
        view4D->context->CopyFrameToPicture();
}

void GraphSet::SyncSecondView(AGraphView* view)
{
    if (view == views2D[0] && second == views2D[1])
        ShellDrawGraphViewsDetached(doc);
}

bool GraphSet::MouseDown(const ViewMouseEvent& event)
{
    AGraphView* target = nullptr;
    if (!second || PointInShortRect(event.point, active->rect))
        target = active;
    else if (PointInShortRect(event.point, second->rect))
        target = second;
    if (!target)
        return false;
    captured = target;
    return target->MouseDown(event);
}

void GraphSet::MouseMove(int32_t h, int32_t v)
{
    if (captured)
        captured->MouseMove(h, v);
}

void GraphSet::MouseUp(ShortPoint point)
{
    if (!captured)
        return;
    captured->MouseUp(point);
    captured = nullptr;
}

void GraphSet::GetAxisHitRegion(Region region, int32_t arg)
{
    active->GetAxisHitRegion(region, arg);
    if (!second)
        return;
    Region other = NewRegion();
    second->GetAxisHitRegion(other, arg);
    UnionRegions(region, other, region);
    DisposeRegion(other);
}

void GraphSet::GetGraphHitRegion(Region region, int32_t arg, ShortPoint cursor)
{
    active->GetGraphHitRegion(region, arg, cursor);
    if (!second)
        return;
    Region other = NewRegion();
    second->GetGraphHitRegion(other, arg, cursor);
    UnionRegions(region, other, region);
    DisposeRegion(other);
}

void GraphSet::GetViewFrameRegion(Region region)
{
    ShortRect frame = active->rect;
    EnlargeByOne(frame);
    SetRegionToRect(region, frame);
    if (!second)
        return;
    frame = second->rect;
    EnlargeByOne(frame);
    Region other = NewRegion();
    SetRegionToRect(other, frame);
    UnionRegions(region, other, region);
    DisposeRegion(other);
}

void GraphSet::Zoom(int32_t code, int32_t which)
{
    if (which == WhichBoth && (code == 6 || code == 7)) {
        for (int32_t i = 0; i < 5; ++i)
            View(i)->Zoom(code);
    } else if (which == WhichBoth) {
        active->Zoom(code);
        if (second)
            second->Zoom(code);
    } else if (which == WhichActive) {
        active->Zoom(code);
    } else if (which == WhichSecond && second) {
        second->Zoom(code);
    }
    DocSetGraphWorkPending(doc);
    if (code != 7)
        ShellSetDocModified(true);
    ShellUpdateGraphPaneCursor();
}

void GraphSet::SetViewOption(int32_t code, int32_t which)
{
    if (which == WhichBoth || which == WhichActive) {
        views2D[0]->SetViewOption(code, 0);
        if (which == WhichBoth)
            views2D[1]->SetViewOption(code, 0);
        views3D[0]->SetViewOption(code, 0);
    }
    if (which == WhichBoth || which == WhichSecond) {
        if (which == WhichSecond)
            views2D[1]->SetViewOption(code, 0);
        views3D[1]->SetViewOption(code, 0);
    }
    if (!IsMeshUpload(code))
        ShellRedrawGraphPane(doc);
}

void GraphSet::Set4DViewOption(int32_t code, double value)
{
    view4D->SetViewOption(code, value);
}

bool GraphSet::AreAxesShown(int32_t which) const
{
    const AGraphView* view = which == WhichActive ? active : which == WhichSecond ? second : nullptr;
    if (!view)
        return false;
    for (A2DGraphView* v : views2D) {
        if (view == v)
            return v->showAxes;
    }
    for (A3DGraphView* v : views3D) {
        if (view == v)
            return v->showAxes;
    }
    return view == view4D && view4D->showAxes;
}

bool GraphSet::IsGraphPaperShown(int32_t which) const
{
    if (which == WhichActive)
        return active == views2D[0] && views2D[0]->showGraphPaper;
    if (which == WhichSecond)
        return second == views2D[1] && views2D[1]->showGraphPaper;
    return false;
}

void GraphSet::ClearTraces()
{
    for (A2DGraphView* view : views2D)
        view->trace.kind = TraceNothing;
}

void GraphSet::SetCurrentPicture(GlobalHandle picture)
{
    SetColorPictureHandover(picture);
}

void GraphSet::DropPicture(int32_t view, GlobalHandle picture, ShortPoint point)
{
    ShortRect r;
    if ((view == FirstView2D || view == SecondView2D) && IsViewShown(view, &r) && PointInShortRect(point, r))
        views2D[view]->PlacePicture(picture, &point);
}

bool GraphSet::IsViewShown(int32_t view, ShortRect* rect)
{
    const bool shown = (view == FirstView2D && active == views2D[0]) || (view == SecondView2D && second &&
                                                                          second == views2D[1]);
    if (shown && rect)
        GetViewRect(*rect, view == FirstView2D ? WhichActive : WhichSecond);
    return shown;
}

bool GraphSet::Shows2DView() const
{
    return active == views2D[0] || (second && second == views2D[1]);
}

bool GraphSet::Shows4DView() const
{
    return active == view4D;
}

bool GraphSet::Shows3DOr4DView() const
{
    return active == views3D[0] || (second && second == views3D[1]) || active == view4D;
}

bool GraphSet::ActiveViewHasOwnWindow() const
{
    if (active == views3D[0])
        return views3D[0]->UsesGLChildWindow();
    return active == view4D && view4D->UsesGLChildWindow();
}

bool GraphSet::SecondViewHasOwnWindow() const
{
    return second && second == views3D[1] && views3D[1]->UsesGLChildWindow();
}

bool GraphSet::IsSpinning() const
{
    if (!active)
        return false;
    return active->IsSpinning() || (second && second->IsSpinning());
}

bool GraphSet::AreAllComplete() const
{
    for (int32_t i = 0; i < 5; ++i) {
        if (!View(i)->AreAllGraphsComplete())
            return false;
    }
    return true;
}

bool GraphSet::IsBusy() const
{
    return IsSpinning() || !AreAllComplete();
}

int32_t GraphSet::SetRenderMode(int32_t mode)
{
    RenderContext* shown[] = {active == views3D[0] ? views3D[0]->context : nullptr,
                              second == views3D[1] ? views3D[1]->context : nullptr,
                              active == view4D ? view4D->context : nullptr};
    int32_t previous = mode;
    for (RenderContext* context : shown) {
        if (!context)
            continue;
        previous = context->GetRequestedMode();
        context->SetRequestedMode(mode);
    }
    return previous;
}

int32_t GraphSet::GetRenderMode() const
{
    RenderContext* context = nullptr;
    if (active == view4D)
        context = view4D->context;
    else if (second && second == views3D[1])
        context = views3D[1]->context;
    else if (active == views3D[0])
        context = views3D[0]->context;
    return context ? context->GetRequestedMode() : 0;
}

void GraphSet::ReleaseRenderResources()
{
    for (RenderContext* context : {views3D[0]->context, views3D[1]->context, view4D->context}) {
        if (context)
            context->Release();
    }
}

void GraphSet::MarkRenderContextsDirty()
{
    for (RenderContext* context : {views3D[0]->context, views3D[1]->context, view4D->context}) {
        if (context)
            context->RequestModeRecheck();
    }
}

bool GraphSet::AnyShownViewSoftware() const
{
    return (active == views3D[0] && IsSoftwareRendered(views3D[0]->context)) ||
           (second && second == views3D[1] && IsSoftwareRendered(views3D[1]->context)) ||
           (active == view4D && IsSoftwareRendered(view4D->context));
}

void GraphSet::UploadFinishedMeshes()
{
    UpdateViewports();
    SetViewOption(5, WhichActive);
    if (second)
        SetViewOption(5, WhichSecond);
}

void GraphSet::UploadPartialMeshes()
{
    SetViewOption(6, WhichActive);
    if (second)
        SetViewOption(6, WhichSecond);
}

void GraphSet::UploadAllMeshes()
{
    SetViewOption(7, WhichActive);
    if (second)
        SetViewOption(7, WhichSecond);
}

bool GraphSet::WaitAndUploadMeshes(int32_t ticks, bool force)
{
    UpdateViewports();
    if (ticks > 0) {
        const uint32_t deadline = ClockMilliseconds() + static_cast<uint32_t>(TicksToMilliseconds(ticks));
        // The clock wraps: compare by the signed difference.
        while (!AreAllComplete() && static_cast<int32_t>(ClockMilliseconds() - deadline) < 0)
            SleepMicroseconds(500);
    }
    if (force || active->AreAllGraphsComplete())
        SetViewOption(7, WhichActive);
    if (second && (force || second->AreAllGraphsComplete()))
        SetViewOption(7, WhichSecond);
    return AreAllComplete();
}

int32_t GraphSet::SetSpinFrames(int32_t frames)
{
    if (active == views3D[0])
        frames = SetSpinFrames3D(frames, *views3D[0]);
    if (second && second == views3D[1])
        frames = SetSpinFrames3D(frames, *views3D[1]);
    if (active == view4D)
        frames = SetSpinFrames4D(frames, *view4D);
    return frames;
}
