#include "app/CVLSplitterWnd.h"

#include <algorithm>

CVLSplitterWnd::CVLSplitterWnd(QWidget* parent) : QSplitter(Qt::Vertical, parent)
{
    // A pane may be dragged shut; it is revealed again when it is needed.
    setChildrenCollapsible(true);
    // The panes follow the divider while it is dragged.
    setOpaqueResize(true);
}

void CVLSplitterWnd::Turn(Qt::Orientation to)
{
    if (orientation() == to)
        return;
    int extent = FirstPaneExtent();
    setOrientation(to);
    SetFirstPaneExtent(extent);
}

void CVLSplitterWnd::SetSideBySide()
{
    Turn(Qt::Horizontal);
}

void CVLSplitterWnd::SetStacked()
{
    Turn(Qt::Vertical);
}

int CVLSplitterWnd::FirstPaneExtent() const
{
    QList<int> s = sizes();
    return s.isEmpty() ? 0 : s[0];
}

int CVLSplitterWnd::SharedExtent() const
{
    int total = 0;
    for (int s : sizes())
        total += s;
    // Before the first layout the splitter has no sizes yet.
    if (total == 0)
        total = (IsSideBySide() ? width() : height()) - handleWidth();
    return total > 0 ? total : 0;
}

void CVLSplitterWnd::SetFirstPaneExtent(int extent)
{
    if (count() < 2)
        return;
    int total = SharedExtent();
    extent = std::clamp(extent, 0, total);
    setSizes({extent, total - extent});
}

bool CVLSplitterWnd::CollapseFirstPane(bool firstShown)
{
    if (firstShown || FirstPaneExtent() == 0)
        return false;
    SetFirstPaneExtent(0);
    return true;
}

bool CVLSplitterWnd::CollapseSecondPane(bool secondShown)
{
    QList<int> s = sizes();
    if (secondShown || s.size() < 2 || s[1] == 0)
        return false;
    SetFirstPaneExtent(SharedExtent());
    return true;
}
