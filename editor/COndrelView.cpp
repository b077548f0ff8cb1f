#include "editor/COndrelView.h"

#include "editor/EquationViewServices.h"

#include <QMouseEvent>

COndrelView::COndrelView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EquationPane"));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    SetEquationView(this);
}

COndrelView::~COndrelView()
{
    if (GetEquationView() == this)
        SetEquationView(nullptr);
}

void COndrelView::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    ShortPoint point{SaturateToShort(p.y()), SaturateToShort(p.x())};
    SetEquationPaneCursorFor(point, event->buttons() & Qt::LeftButton);
}
