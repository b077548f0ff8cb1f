#include "rendering/GLChildWindow.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

ShortPoint PanePointOfChildPoint(const ShortRect* viewRect, int x, int y)
{
    if (viewRect) {
        x += viewRect->left;
        y += viewRect->top;
    }
    return ShortPoint{static_cast<int16_t>(y), static_cast<int16_t>(x)};
}

GLChildWindow::GLChildWindow(WindowHandle pane) : pane_(pane)
{
    setSurfaceType(QSurface::OpenGLSurface);
}

bool GLChildWindow::event(QEvent* e)
{
    if (!pane_)
        return QWindow::event(e);
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(e);
        const QPoint at = mouse->position().toPoint();
        const ShortPoint p = PanePointOfChildPoint(viewRect_, at.x(), at.y());
        const QPointF local(p.h, p.v);
        QMouseEvent moved(mouse->type(), local, pane_->mapToGlobal(local), mouse->button(), mouse->buttons(),
                          mouse->modifiers());
        QCoreApplication::sendEvent(pane_, &moved);
        return true;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(e);
        const QPoint at = wheel->position().toPoint();
        const ShortPoint p = PanePointOfChildPoint(viewRect_, at.x(), at.y());
        const QPointF local(p.h, p.v);
        QWheelEvent moved(local, pane_->mapToGlobal(local), wheel->pixelDelta(), wheel->angleDelta(),
                          wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
        QCoreApplication::sendEvent(pane_, &moved);
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        QCoreApplication::sendEvent(pane_, e);
        return true;
    case QEvent::FocusIn:
        pane_->setFocus(Qt::OtherFocusReason);
        return true;
    case QEvent::Enter:
        // The pane's cursor shows over the view too.
        setCursor(pane_->cursor());
        return true;
    case QEvent::Expose:
    case QEvent::UpdateRequest:
        // The view presents its frames itself.
        return true;
    default:
        return QWindow::event(e);
    }
}
