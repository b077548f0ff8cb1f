// The graph pane window: owns the pane's drawing surface (the port the graph
// set draws into) and its presentation surface (the same rows bottom-up),
// remakes them when the pane changes size or screen, paints the graph set's
// image, passes the mouse to the graph set, copies and prints the graph and
// takes dropped bitmaps.
#pragma once

#include "CoreUtilities/PictureHandle.h"
#include "drawing/OffscreenSurface.h"

#include <QWidget>

class C4DControls;
class GraphSet;
class QPainter;
class QPrinter;

// The printed size of a picture of w x h screen pixels: the same physical
// size at the printer's resolution, made smaller (keeping its shape) to fit
// a page of pageWidth x pageHeight printer pixels.
QSize PrintedPictureSize(int w, int h, QSizeF printerDpi, QSizeF screenDpi, QSize page);

// A copy of a bottom-up 32-bit picture as an image with top-down rows;
// null for no picture.
class QImage;
QImage PictureToImage(PictureHandle picture);

class CGraphView : public QWidget {
    Q_OBJECT
public:
    explicit CGraphView(QWidget* parent);
    ~CGraphView() override;

    bool IsNotReady() const { return m_notReady; }
    // The drawing surface, or null while the pane is not ready.
    OffscreenSurface* Surface() { return m_notReady ? nullptr : &m_drawing; }

    // Remakes the surfaces for the client rectangle when the layout changed
    // (or when forced); the first call only attaches the pane to the surface
    // service, as its surfaces are made by the next.
    void RebuildSurfaces(bool force, const ShortRect& client);
    // The pane's layout rectangle; true (graph set and document told) when it changed.
    bool UpdateLayoutRect();
    // The graph set draws both views and the pane is presented; the rectangle
    // does not limit what is painted.
    void DrawPane(const ShortRect* r);
    // The drawing surface's rows, bottom-up, into the presentation surface,
    // then into the window (at once while painting, else at the next paint).
    void Present();
    // The frame's idle work: keeps a resting drag moving; true while the
    // graph set is busy, an animation runs or a demonstration plays.
    bool OnIdleStep(int count);

    // The zoom of the tool bar and the view commands: a code of
    // GraphSet::Zoom on the active view, the second or both (WhichView).
    void ZoomViews(int32_t code, int32_t which);

    void DrawGraph();
    void ClearGraphsAndRedraw();
    // The picture of the active view (0), the second view (1) or the whole
    // pane (2); null while not ready or for an empty area.
    PictureHandle MakeDIB(int which);
    // MakeDIB onto the clipboard as an image; false (failure 36 posted when
    // memory ran out) without a picture.
    bool CopyToClipboard(int which);
    // A bitmap file dropped at the point (device pixels of the pane).
    bool DropBitmapFile(const QString& path, ShortPoint point);
    // Places a dropped picture: in the shown 2D view under the point, or as
    // the picture of the equation being edited. Takes the picture.
    bool DropPicture(PictureHandle picture, ShortPoint point);

    // One page with the pane's picture at its physical size.
    int OnBeginPrinting(QPrinter& printer);
    bool OnPrint(QPainter& painter, QPrinter& printer);
    void OnEndPrinting();

    void OnDisplayChange();

    // RebuildSurfaces(force) for the client area, after the current event.
    void PostRebuildSurfaces();
    // The 4D panel at the pane's right edge, shown while the 4D view is.
    C4DControls* FourDPanel() const { return m_4dPanel; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // Each notch zooms the view under the pointer one step, in when rolled
    // away from the user.
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    GraphSet* Graphs() const;
    bool Shows4DPanel() const;
    // Shows the 4D panel at the right edge, its check boxes following the
    // view, or hides it beyond the edge.
    void Place4DPanel();
    ShortPoint DevicePoint(QPointF logical) const;
    // A move of the mouse to p (device pixels), with or without a button down.
    void HandleMove(ShortPoint p, bool buttonDown);
    // Surfaces follow a change of the screen's pixel ratio.
    void CheckDisplayChange();
    void ReleaseSurfaces();
    bool AttachDirectDraw();

    int m_notReady = 1;
    OffscreenSurface m_drawing{};
    OffscreenSurface m_presentation{};
    ShortPoint m_lastMouse{0, 0};
    ShortRect m_clientRect{0, 0, 0, 0};
    PictureHandle m_printPicture = nullptr;
    // Set when a present outside painting waits for the paint that shows it.
    bool m_presentPending = false;
    bool m_dragging = false;
    qreal m_pixelRatio = 0;
    // Wheel rotation short of a notch (high-resolution wheels).
    int m_wheelRemainder = 0;
    C4DControls* m_4dPanel = nullptr;
};
