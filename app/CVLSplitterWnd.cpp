#include "app/CVLSplitterWnd.h"

CVLSplitterWnd::CVLSplitterWnd(QWidget* parent) : QSplitter(Qt::Vertical, parent)
{
    // A pane may be dragged shut; it is revealed again when it is needed.
    setChildrenCollapsible(true);
}
