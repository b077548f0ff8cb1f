// The graph pane window: shows its offscreen surface and sets the cursor
// for the zones under the mouse.
#pragma once

#include <QWidget>

struct OffscreenSurface;

class CGraphView : public QWidget {
    Q_OBJECT
public:
    explicit CGraphView(QWidget* parent);
    ~CGraphView() override;

    // Copies the offscreen surface to the window at the next paint.
    void Present();
    OffscreenSurface* Surface() const { return m_surface; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void MakeSurface();

    OffscreenSurface* m_surface = nullptr;
};
