#include "app/CGraphView.h"

CGraphView::CGraphView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GraphPane"));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::ClickFocus);
}
