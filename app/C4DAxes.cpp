#include "app/C4DAxes.h"

#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

double AxisPositions[5][2] = {};
// The cross that is shown; at most one panel exists.
QPointer<C4DAxes> Shown;

}  // namespace

C4DAxes::C4DAxes(QWidget* parent) : QWidget(parent)
{
    m_font = QFont(QStringLiteral("Arial"), 9);
    Shown = this;
}

void C4DAxes::SetPositions(const double (&positions)[5][2])
{
    std::copy(&positions[0][0], &positions[0][0] + 10, &AxisPositions[0][0]);
    if (Shown && Shown->isVisible())
        Shown->update();
}

const double (&C4DAxes::Positions())[5][2]
{
    return AxisPositions;
}

void C4DAxes::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect().adjusted(1, 1, -1, -1), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(m_font);
    painter.setPen(Qt::black);
    const double scale = 0.35 * width();
    const QPointF centre(width() / 2.0, height() / 2.0);
    static const char* const kLetters[4] = {"x", "y", "u", "v"};
    for (int a = 0; a < 4; ++a) {
        const double h = AxisPositions[a + 1][0], v = AxisPositions[a + 1][1];
        if (!std::isfinite(h) || !std::isfinite(v))
            continue;
        const QPointF end = centre + QPointF(scale * h, scale * v);
        painter.drawLine(centre, end);
        // The letter sits on its baseline a little beyond the end.
        painter.drawText(end + QPointF(10 * h, 10 * v), QString::fromLatin1(kLetters[a]));
    }
}
