#include "platform/WindowQueries.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

namespace {

ModifierSource KeySource = nullptr;

uint32_t KeyboardModifiers()
{
    Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    uint32_t mask = 0;
    if (held & Qt::AltModifier)
        mask |= static_cast<uint32_t>(ModifierKey::Alt);
    if (held & Qt::ControlModifier)
        mask |= static_cast<uint32_t>(ModifierKey::Control);
    if (held & Qt::ShiftModifier)
        mask |= static_cast<uint32_t>(ModifierKey::Shift);
    return mask;
}

}  // namespace

bool IsModifierDown(ModifierKey key)
{
    uint32_t held = KeySource ? KeySource() : KeyboardModifiers();
    return held & static_cast<uint32_t>(key);
}

void SetModifierSource(ModifierSource source)
{
    KeySource = source;
}

WindowHandle GetCaptureWindow()
{
    return QWidget::mouseGrabber();
}

bool GetCursorPositionIn(WindowHandle window, ShortPoint& out)
{
    if (!window)
        return false;
    QPoint p = window->mapFromGlobal(QCursor::pos());
    out.h = SaturateToShort(p.x());
    out.v = SaturateToShort(p.y());
    return true;
}

ShortRect GetWindowClientRect(WindowHandle window)
{
    ShortRect r{0, 0, 0, 0};
    if (window)
        SetShortRect(r, 0, 0, SaturateToShort(window->height()), SaturateToShort(window->width()));
    return r;
}

bool IsWindowMinimised(WindowHandle window)
{
    return window && window->isMinimized();
}

bool IsWindowShownWithArea(WindowHandle window)
{
    return window && window->isVisible() && window->width() > 0 && window->height() > 0;
}
