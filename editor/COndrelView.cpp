#include "editor/COndrelView.h"

COndrelView::COndrelView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EquationPane"));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}
