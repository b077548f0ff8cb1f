#include "app/CGraphView.h"

#include "app/GraphPaneServices.h"
#include "drawing/OffscreenSurface.h"
#include "editor/EquationViewServices.h"
#include "platform/WindowQueries.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

CGraphView::CGraphView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GraphPane"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    SetGraphView(this);
}

CGraphView::~CGraphView()
{
    if (GetGraphView() == this)
        SetGraphView(nullptr);
    if (GetGraphPaneSurface(nullptr) == m_surface)
        RecordGraphPaneSurface(nullptr);
    DisposeOffscreenSurface(m_surface);
}

void CGraphView::Present()
{
    update();
}

void CGraphView::MakeSurface()
{
    if (GetGraphPaneSurface(nullptr) == m_surface)
        RecordGraphPaneSurface(nullptr);
    DisposeOffscreenSurface(m_surface);
    m_surface = nullptr;
    // The surface holds device pixels, so that graphs are sharp on any
    // screen; the pane's cursor positions and client area are in them too.
    ShortRect r = GetWindowClientRect(this);
    int w = ShortRectWidth(r), h = ShortRectHeight(r);
    if (w <= 0 || h <= 0)
        return;
    m_surface = NewOffscreenSurface(r);
    if (!m_surface)
        return;
    std::fill(m_surface->memory, m_surface->memory + static_cast<size_t>(w) * h, 0xFFFFFFFFu);
    RecordGraphPaneSurface(m_surface);
}

void CGraphView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_surface || !m_surface->memory) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    int w = ShortRectWidth(m_surface->bounds), h = ShortRectHeight(m_surface->bounds);
    QImage image(reinterpret_cast<const uchar*>(m_surface->memory), w, h, w * 4, QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatioF());
    painter.drawImage(QPoint(0, 0), image);
}

void CGraphView::resizeEvent(QResizeEvent*)
{
    MakeSurface();
}

void CGraphView::mouseMoveEvent(QMouseEvent*)
{
    UpdateGraphPaneCursor();
}

// Alt and Control change what a drag does, so the cursor follows them.
void CGraphView::keyPressEvent(QKeyEvent* event)
{
    UpdateGraphPaneCursor();
    QWidget::keyPressEvent(event);
}

void CGraphView::keyReleaseEvent(QKeyEvent* event)
{
    UpdateGraphPaneCursor();
    QWidget::keyReleaseEvent(event);
}
