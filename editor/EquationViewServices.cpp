#include "editor/EquationViewServices.h"

#include "platform/PortDC.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

PortDC* TypesetDC = nullptr;

namespace {

COndrelView* EquationView = nullptr;
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
