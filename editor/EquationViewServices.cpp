#include "editor/EquationViewServices.h"

#include "platform/PortDC.h"

namespace {

COndrelView* EquationView = nullptr;
CMainFrame* MainFrame = nullptr;
CGraphView* GraphView = nullptr;
PortDC* PrinterDC = nullptr;
EquationPaneCursorSetter CursorSetter = nullptr;

PortDC* PrinterDCOfView()
{
    return EquationView ? PrinterDC : nullptr;
}

PortDC* MeasuringDCOfView()
{
    return EquationView ? PortDC::NewForMeasuring() : nullptr;
}

void DeleteViewDC(PortDC* dc)
{
    delete dc;
}

}  // namespace

COndrelView* GetEquationView()
{
    return EquationView;
}

void SetEquationView(COndrelView* view)
{
    EquationView = view;
}

CMainFrame* GetMainFrame()
{
    return MainFrame;
}

void SetMainFrame(CMainFrame* frame)
{
    MainFrame = frame;
}

CGraphView* GetGraphView()
{
    return GraphView;
}

void SetGraphView(CGraphView* view)
{
    GraphView = view;
}

// The editor keeps no selection yet, so there is no term to drag.
ShortRect GetSelectionRect()
{
    return ShortRect{0, 0, 0, 0};
}

bool CanDragSelectedTerm()
{
    return false;
}

void SetEquationViewPrinterDC(PortDC* dc)
{
    PrinterDC = dc;
}

void SetEquationPaneCursorSetter(EquationPaneCursorSetter setter)
{
    CursorSetter = setter;
}

void SetEquationPaneCursorFor(ShortPoint p, bool dragging)
{
    if (CursorSetter)
        CursorSetter(p, dragging);
}

void RegisterEquationPaneHooks()
{
    EquationPaneHooks hooks;
    hooks.hasView = [] { return EquationView != nullptr; };
    hooks.printerDC = &PrinterDCOfView;
    hooks.viewDC = &MeasuringDCOfView;
    hooks.releaseViewDC = &DeleteViewDC;
    SetEquationPaneHooks(hooks);
}
