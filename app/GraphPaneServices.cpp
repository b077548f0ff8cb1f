#include "app/GraphPaneServices.h"

#include "app/DemoPlayer.h"
#include "app/ShellServices.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "editor/EquationViewServices.h"
#include "graphs2d/GraphSet.h"
#include "editor/COndrelView.h"
#include "platform/SoundResource.h"
#include "platform/WindowQueries.h"

CursorHandle MoveCursor = nullptr;
CursorHandle OpenHandCursor = nullptr;
CursorHandle ClosedHandCursor = nullptr;
CursorHandle UpDownCursor = nullptr;
CursorHandle ArrowCursor = nullptr;
Region GraphHitRegion = nullptr;
Region AxisHitRegion = nullptr;
Region TermDragRegion = nullptr;

namespace {

WindowHandle GraphPaneWindow = nullptr;
OffscreenSurface* GraphPaneSurface = nullptr;

// Takes the port's device context away while the views draw into their own
// surfaces, and gives it back afterwards.
class PortDCAside {
public:
    PortDCAside() : port_(CurrentPort)
    {
        if (!port_)
            return;
        dc_ = port_->dc;
        ownsDC_ = port_->ownsDC;
        port_->dc = nullptr;
        port_->ownsDC = 0;
    }
    ~PortDCAside()
    {
        if (!port_)
            return;
        port_->dc = dc_;
        port_->ownsDC = ownsDC_;
    }
    PortDCAside(const PortDCAside&) = delete;
    PortDCAside& operator=(const PortDCAside&) = delete;

private:
    OffscreenSurface* port_;
    PortDC* dc_ = nullptr;
    uint8_t ownsDC_ = 0;
};

void DisposeRegionVariable(Region& g)
{
    DisposeRegion(g);
    g = nullptr;
}

void MakeRegionVariable(Region& g)
{
    if (!g)
        g = NewRegion();
}

}  // namespace

void LoadCursorsAndRegions()
{
    MoveCursor = LoadCursorResource(kMoveCursorId);
    OpenHandCursor = LoadCursorResource(kOpenHandCursorId);
    ClosedHandCursor = LoadCursorResource(kClosedHandCursorId);
    UpDownCursor = LoadCursorResource(kUpDownCursorId);
    ArrowCursor = LoadArrowCursor();
    MakeRegionVariable(GraphHitRegion);
    MakeRegionVariable(AxisHitRegion);
    MakeRegionVariable(TermDragRegion);
}

void DisposeCursorRegions()
{
    DisposeRegionVariable(GraphHitRegion);
    DisposeRegionVariable(AxisHitRegion);
    DisposeRegionVariable(TermDragRegion);
}

void ReleaseCursorRegions()
{
    DisposeCursorRegions();
}

void SetCursorHandle(CursorHandle cursor)
{
    SetCursor(GraphPaneWindow, cursor);
}

void SetArrowCursor()
{
    SetCursor(GraphPaneWindow, ArrowCursor);
}

void SetGraphArrowCursor()
{
    SetCursor(GraphPaneWindow, ArrowCursor);
}

void ResetCursor()
{
    SetCursor(GraphPaneWindow, ArrowCursor);
}

void SetMoveCursor()
{
    SetCursor(GraphPaneWindow, MoveCursor);
}

void SetClosedHandCursor()
{
    SetCursor(GraphPaneWindow, ClosedHandCursor);
}

void FillAxisHitRegion(Region g)
{
    DocState* doc = GetDocState();
    if (doc->Graphs)
        doc->Graphs->GetAxisHitRegion(g, 0);
    else
        SetRegionEmpty(g);
}

void FillGraphHitRegion(Region g)
{
    DocState* doc = GetDocState();
    ShortPoint cursor{0, 0};
    GetCursorPositionIn(GraphPaneWindow, cursor);
    if (doc->Graphs)
        doc->Graphs->GetGraphHitRegion(g, 0, cursor);
    else
        SetRegionEmpty(g);
}

void SetGraphPaneCursor(ShortPoint p)
{
    WindowHandle capture = GetCaptureWindow();
    if (capture && capture != GraphPaneWindow)
        return;
    if (PointInRegion(p, GraphHitRegion))
        SetCursor(GraphPaneWindow, MoveCursor);
    else if (PointInRegion(p, AxisHitRegion))
        SetCursor(GraphPaneWindow, OpenHandCursor);
    else
        SetCursor(GraphPaneWindow, ArrowCursor);
}

void UpdateGraphPaneCursor()
{
    bool alt = IsModifierDown(ModifierKey::Alt);
    bool control = IsModifierDown(ModifierKey::Control);
    bool shift = IsModifierDown(ModifierKey::Shift);
    bool views = GetGraphView() != nullptr;
    ShortRect client = GetWindowClientRect(GraphPaneWindow);
    if (GetEquationView() && alt && !shift) {
        SetRegionEmpty(GraphHitRegion);
        if (views)
            SetRegionToRect(AxisHitRegion, client);
    } else if (GetEquationView() && control && !shift) {
        SetRegionEmpty(AxisHitRegion);
        if (views)
            SetRegionToRect(GraphHitRegion, client);
    } else {
        FillAxisHitRegion(AxisHitRegion);
        FillGraphHitRegion(GraphHitRegion);
    }
    if (IsDemoRunning() && !GetDocState()->DemoUserControl)
        return;
    ShortPoint p;
    if (!GetCursorPositionIn(GraphPaneWindow, p) || !PointInShortRect(p, client))
        return;
    SetGraphPaneCursor(p);
}

void UpdateTermDragRegion()
{
    if (CanDragSelectedTerm())
        SetRegionToRect(TermDragRegion, GetSelectionRect());
    else
        SetRegionEmpty(TermDragRegion);
}

void SetEquationPaneCursor(ShortPoint p, bool dragging)
{
    WindowHandle pane = GetEquationView();
    if (PointInRegion(p, TermDragRegion))
        SetCursor(pane, dragging ? ClosedHandCursor : OpenHandCursor);
    else if (IsPointInCurrentTable(p))
        SetCursor(pane, UpDownCursor);
    else
        SetCursor(pane, ArrowCursor);
}

void SetGraphPaneWindow(WindowHandle window)
{
    GraphPaneWindow = window;
}

void RedrawGraphPane()
{
    RedrawGraphPaneWith(GetDocState(), 2);
}

void RedrawGraphPaneWith(DocState* doc, int32_t part)
{
    if (!doc->IsGraphPaneShown())
        return;
    PortDCAside aside;
    if (doc->Graphs)
        doc->Graphs->Draw(part, 1);
    PresentGraphPane(nullptr);
}

void DrawGraphViewsDetached(DocState* doc)
{
    PortDCAside aside;
    if (doc->Graphs)
        doc->Graphs->Draw(2, 1);
}

OffscreenSurface* GetGraphPaneSurface(DocState*)
{
    return GraphPaneSurface;
}

void RecordGraphPaneSurface(OffscreenSurface* surface)
{
    GraphPaneSurface = surface;
}

void PlayClickSound()
{
    PlaySoundResource("click");
}

bool IsDemoInForeground()
{
    CMainFrame* frame = GetMainFrame();
    return frame && IsMainFrameForegroundDuringDemo(frame);
}

CMainFrame* GetAppMainFrame()
{
    return GetMainFrame();
}

void SyncGraphBarSlider()
{
    CMainFrame* frame = GetMainFrame();
    if (!frame)
        return;
    DocState* doc = GetDocState();
    SetMainFrameSlider(frame, doc->SliderMin, doc->SliderMax, doc->SliderSteps,
                       static_cast<char>(doc->SliderVariable));
}
