#include "platform/ScrollBarPlacement.h"

#include <QStyle>
#include <QWidget>

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

void PlaceVerticalScrollBar(QWidget* bar, int x, int y, int length)
{
    PlaceScrollBar(bar, x, y, length, true);
}

void PlaceHorizontalScrollBar(QWidget* bar, int x, int y, int length)
{
    PlaceScrollBar(bar, x, y, length, false);
}
