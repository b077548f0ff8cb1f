#include "app/CHVSplitterWnd.h"

#include <algorithm>

CHVSplitterWnd::CHVSplitterWnd(QWidget* parent) : QSplitter(Qt::Vertical, parent)
{
    // A pane may be dragged shut; it is revealed again when it is needed.
    setChildrenCollapsible(true);
    // The panes follow the divider while it is dragged.
    setOpaqueResize(true);
}

void CHVSplitterWnd::Turn(Qt::Orientation to)
{
    if (orientation() == to)
        return;
    int extent = FirstPaneExtent();
    setOrientation(to);
    TransposePane(0, 0);
    SetFirstPaneExtent(extent);
}

void CHVSplitterWnd::TransposePane(int row, int column)
{
    QWidget* pane = widget(IsSideBySide() ? column : row);
    if (pane)
        pane->setGeometry(QRect(pane->pos(), QSize(pane->height(), pane->width())));
}

void CHVSplitterWnd::SetSideBySide()
{
    Turn(Qt::Horizontal);
}

void CHVSplitterWnd::SetStacked()
{
    Turn(Qt::Vertical);
}

int CHVSplitterWnd::FirstPaneExtent() const
{
    QList<int> s = sizes();
    return s.isEmpty() ? 0 : s[0];
}

int CHVSplitterWnd::SharedExtent() const
{
    int total = 0;
    for (int s : sizes())
        total += s;
    // Before the first layout the splitter has no sizes yet.
    if (total == 0)
        total = (IsSideBySide() ? width() : height()) - handleWidth();
    return total > 0 ? total : 0;
}

void CHVSplitterWnd::SetFirstPaneExtent(int extent)
{
    if (count() < 2)
        return;
    int total = SharedExtent();
    extent = std::clamp(extent, 0, total);
    setSizes({extent, total - extent});
}

bool CHVSplitterWnd::CollapseFirstPane(bool firstShown)
{
    if (firstShown || FirstPaneExtent() == 0)
        return false;
    SetFirstPaneExtent(0);
    return true;
}

bool CHVSplitterWnd::CollapseSecondPane(bool secondShown)
{
    QList<int> s = sizes();
    if (secondShown || s.size() < 2 || s[1] == 0)
        return false;
    SetFirstPaneExtent(SharedExtent());
    return true;
}
