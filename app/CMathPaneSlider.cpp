#include "app/CMathPaneSlider.h"

CMathPaneSlider::CMathPaneSlider(const QRect& rect, QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setGeometry(rect);
    setFocusPolicy(Qt::StrongFocus);
    setTickPosition(QSlider::NoTicks);
    setRange(0, 200);
    show();
}

void CMathPaneSlider::SetRangeMax(int32_t steps)
{
    m_steps = steps;
    if (value() > steps)
        setValue(steps);
    setMaximum(steps);
}
