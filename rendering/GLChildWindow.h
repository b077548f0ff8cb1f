// The child window an OpenGL view draws in. It paints nothing by itself and
// hands every mouse, key and focus event to the graph pane, with mouse
// positions moved into pane coordinates, so that the pane handles input
// over an OpenGL view exactly as over its own image.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/WindowHandle.h"

#include <QWindow>

// A pane position: the window position moved by the view's top-left corner,
// each coordinate wrapped to 16 bits as the pane's points are.
ShortPoint PanePointOfChildPoint(const ShortRect* viewRect, int x, int y);

class GLChildWindow : public QWindow {
public:
    explicit GLChildWindow(WindowHandle pane);
    // The view rectangle the window covers (set with each frame); without
    // one, positions pass unchanged.
    void SetViewRect(const ShortRect* rect) { viewRect_ = rect; }

protected:
    bool event(QEvent* e) override;

private:
    WindowHandle pane_;
    const ShortRect* viewRect_ = nullptr;
};
