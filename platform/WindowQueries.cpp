#include "platform/WindowQueries.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <cmath>

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
    QPointF p = window->mapFromGlobal(QPointF(QCursor::pos())) * window->devicePixelRatioF();
    out.h = SaturateToShort(static_cast<int32_t>(std::clamp(std::floor(p.x()), -1e9, 1e9)));
    out.v = SaturateToShort(static_cast<int32_t>(std::clamp(std::floor(p.y()), -1e9, 1e9)));
    return true;
}

ShortRect GetWindowClientRect(WindowHandle window)
{
    ShortRect r{0, 0, 0, 0};
    if (!window)
        return r;
    auto device = [&](int logical) {
        return SaturateToShort(static_cast<int32_t>(std::min(logical * window->devicePixelRatioF(), 1e9)));
    };
    SetShortRect(r, 0, 0, device(window->height()), device(window->width()));
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
