#include "app/COdSlider.h"

#include "app/ProgramButtons.h"
#include "editor/EquationViewServices.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

COdSlider::COdSlider(int32_t id, QWidget* parent) : QSlider(Qt::Horizontal, parent), m_id(id)
{
    setRange(0, 10);
    setValue(1);
    // The user's moves report; SetPos reports only when asked.
    connect(this, &QSlider::valueChanged, this, [this](int position) { emit Moved(m_id, position); });
}

void COdSlider::SetPos(int32_t position, bool notify)
{
    {
        const QSignalBlocker quiet(this);
        setValue(position);
    }
    if (notify) {
        repaint();
        emit Moved(m_id, value());
    }
}

void COdSlider::SetRangeMax(int32_t count)
{
    const QSignalBlocker quiet(this);
    setRange(0, std::max(count - 1, 0));
}

void COdSlider::mousePressEvent(QMouseEvent* event)
{
    if (CDemoButton::IsMouseLockedByDemo())
        return event->accept();
    QSlider::mousePressEvent(event);
}

void COdSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (CDemoButton::IsMouseLockedByDemo())
        return event->accept();
    QSlider::mouseReleaseEvent(event);
    // Typing goes on in the formula.
    FocusCurrentEditor();
}

CGrainSlider::CGrainSlider(QWidget* parent) : COdSlider(kId, parent)
{
    SetRangeMax(kPositions);
    setFocusPolicy(Qt::StrongFocus);
}

int32_t CGrainSlider::PositionAt(int32_t x) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    int32_t w = std::max(groove.width(), 1);
    double fraction = static_cast<double>(std::min(w, std::max(x, 0))) / w;
    return static_cast<int32_t>(fraction * (kPositions - 1));
}

void CGrainSlider::BeginTracking()
{
    setFocus();
    grabMouse();
}

void CGrainSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (mouseGrabber() != this)
        return COdSlider::mouseMoveEvent(event);
    SetPos(PositionAt(static_cast<int32_t>(event->position().x())), true);
}

void CGrainSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (mouseGrabber() != this)
        return COdSlider::mouseReleaseEvent(event);
    releaseMouse();
    event->accept();
    emit Finished();
}

void CGrainSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    // A pop-up over the bar: a border sets it apart.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
