#include "editor/EquationViewServices.h"

#include "platform/PortDC.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

PortDC* TypesetDC = nullptr;

namespace {

COndrelView* EquationView = nullptr;
CMainFrame* MainFrame = nullptr;
CGraphView* GraphView = nullptr;
PortDC* PrinterDC = nullptr;

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

PortDC* GetEquationViewPrinterDC()
{
    return EquationView ? PrinterDC : nullptr;
}

void SetEquationViewPrinterDC(PortDC* dc)
{
    PrinterDC = dc;
}

PortDC* GetEquationViewDC()
{
    return EquationView ? PortDC::NewForMeasuring() : nullptr;
}

void ReleaseEquationViewDC(PortDC* dc)
{
    delete dc;
}

int PlaceScrollBar(QWidget* bar, int x, int y, int length, bool vertical)
{
    if (!bar)
        return 0;
    int thickness = bar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
    if (vertical)
        bar->setGeometry(x, y, thickness, length);
    else
        bar->setGeometry(x, y, length, thickness);
    bar->repaint();
    return 1;
}
