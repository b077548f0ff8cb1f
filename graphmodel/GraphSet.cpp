#include "graphmodel/GraphSet.h"

#include "graphmodel/AGraphView.h"

GraphSet::~GraphSet() = default;

// The least the graph pane needs: the layout rectangle and the mouse routed
// to the active and second views; a set without views answers as empty.
void GraphSet::SetLayoutRect(const ShortRect& r)
{
    layoutRect = r;
}

void GraphSet::ResizeViews() {}

void GraphSet::GetViewRect(ShortRect& out, int32_t which) const
{
    const AGraphView* view = which == WhichActive ? active : which == WhichSecond ? second : nullptr;
    out = which == WhichActive || which == WhichSecond ? (view ? view->rect : ShortRect{0, 0, 0, 0})
                                                       : layoutRect;
}

void GraphSet::RefreshGLWindows(int32_t) {}

bool GraphSet::MouseDown(const ViewMouseEvent& event)
{
    AGraphView* view = nullptr;
    if (active && (!second || PointInShortRect(event.point, active->rect)))
        view = active;
    else if (second && PointInShortRect(event.point, second->rect))
        view = second;
    if (!view)
        return false;
    captured = view;
    return view->MouseDown(event);
}

void GraphSet::MouseMove(int32_t h, int32_t v)
{
    if (captured)
        captured->MouseMove(h, v);
}

void GraphSet::MouseUp(ShortPoint point)
{
    if (captured)
        captured->MouseUp(point);
    captured = nullptr;
}

void GraphSet::GetViewFrameRegion(Region region)
{
    SetRegionEmpty(region);
    Region one = NewRegion();
    for (const AGraphView* view : {active, second}) {
        if (!view || !one)
            continue;
        ShortRect r = view->rect;
        SetShortRect(r, r.top - 1, r.left - 1, r.bottom + 1, r.right + 1);
        SetRegionToRect(one, r);
        UnionRegions(region, one, region);
    }
    DisposeRegion(one);
}

bool GraphSet::Shows2DView() const
{
    return false;
}

bool GraphSet::Shows4DView() const
{
    return false;
}

bool GraphSet::ActiveViewHasOwnWindow() const
{
    return active && active->HasOwnWindow();
}

bool GraphSet::SecondViewHasOwnWindow() const
{
    return second && second->HasOwnWindow();
}

bool GraphSet::IsBusy() const
{
    return IsSpinning();
}

void GraphSet::ReleaseRenderResources() {}
