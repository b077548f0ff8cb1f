#include "app/CGraphView.h"

#include "app/C4DControls.h"
#include "app/COndrelDoc.h"
#include "app/DemoPlayer.h"
#include "app/FrameDocumentCalls.h"
#include "app/GraphPaneServices.h"
#include "app/ShellServices.h"
#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureRegister.h"
#include "document/DocState.h"
#include "drawing/DDUtils.h"
#include "drawing/DibImage.h"
#include "drawing/TypesetDCScope.h"
#include "editor/COndrelView.h"
#include "editor/EquationViewServices.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/AGraphView.h"
#include "graphs2d/GraphSet.h"
#include "platform/CDib.h"
#include "platform/MessageBox.h"
#include "platform/WindowPaint.h"
#include "platform/WindowQueries.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QPrinter>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool DirectDrawAttached = false;
// The idle step's view of a drag: where the cursor rested last, and when a
// move outside the pane may be sent next.
ShortPoint IdleDragPoint{-32768, -32768};
uint32_t NextOutsideMove = 0;
constexpr uint32_t kOutsideMoveMs = 30;

// An opaque bottom-up picture of an image; null when it cannot be had.
PictureHandle ImageToPicture(const QImage& source)
{
    if (source.isNull() || source.width() > CDib::kMaxSide || source.height() > CDib::kMaxSide)
        return nullptr;
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    ShortRect r;
    SetShortRect(r, 0, 0, image.height(), image.width());
    PictureHandle picture = NewPictureHandle(r);
    if (!picture)
        return nullptr;
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    auto* bits = reinterpret_cast<uint32_t*>(GetPackedDibBits(header));
    int w = image.width(), h = image.height();
    for (int row = 0; row < h; ++row) {
        const auto* in = reinterpret_cast<const uint32_t*>(image.constScanLine(row));
        uint32_t* out = bits + static_cast<size_t>(h - 1 - row) * w;
        for (int x = 0; x < w; ++x)
            out[x] = in[x] | 0xFF000000u;
    }
    UnlockGlobalHandle(picture);
    return picture;
}

// While a demonstration runs, real presses are ignored unless the document
// lets the user take part.
bool DemoRefusesUserInput()
{
    return IsDemoRunning() && !GetDocState()->DemoUserControl && !DemoMouseMessage && !IsUserMouseActive();
}

void FocusEquationPane()
{
    if (COndrelView* pane = GetEquationView())
        pane->setFocus();
}

}  // namespace

QImage PictureToImage(PictureHandle picture)
{
    if (!picture)
        return QImage();
    ShortRect bounds;
    GetPictureBounds(picture, bounds);
    int w = ShortRectWidth(bounds), h = ShortRectHeight(bounds);
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    const uint8_t* bits = GetPackedDibBits(header);
    for (int row = 0; row < h; ++row)
        std::memcpy(image.scanLine(row), bits + static_cast<size_t>(h - 1 - row) * w * 4, static_cast<size_t>(w) * 4);
    UnlockGlobalHandle(picture);
    return image;
}

QSize PrintedPictureSize(int w, int h, QSizeF printerDpi, QSizeF screenDpi, QSize page)
{
    // Each ratio in single precision and each product truncated, so that a
    // picture keeps its physical size.
    auto scale = [](double printer, int pixels, double screen) {
        return static_cast<int>(printer * static_cast<float>(pixels / screen));
    };
    int64_t width = scale(printerDpi.width(), w, screenDpi.width());
    int64_t height = scale(printerDpi.height(), h, screenDpi.height());
    if (width > page.width() && width > 0) {
        height = height * page.width() / width;
        width = page.width();
    }
    if (height > page.height() && height > 0) {
        width = width * page.height() / height;
        height = page.height();
    }
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

CGraphView::CGraphView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GraphPane"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    SetGraphView(this);
    m_4dPanel = new C4DControls(this);
    m_4dPanel->hide();
}

CGraphView::~CGraphView()
{
    DocState* doc = GetDocState();
    if (GraphSet* graphs = Graphs())
        graphs->ReleaseRenderResources();
    if (doc->GraphPaneWindow == this) {
        DisposeDibImage(doc->graphPaneImage);
        doc->graphPaneImage = nullptr;
    }
    ReleaseSurfaces();
    FreeGlobalHandle(m_printPicture);
    if (GetGraphView() == this)
        SetGraphView(nullptr);
    if (CurrentPort == &m_drawing)
        SetCurrentPort(nullptr);
    if (GetGraphPaneSurface(nullptr) == &m_drawing)
        RecordGraphPaneSurface(nullptr);
    if (GetClipperWindow() == this) {
        ReleasePrimarySurface();
        DirectDrawAttached = false;
    }
}

GraphSet* CGraphView::Graphs() const
{
    return dynamic_cast<GraphSet*>(GetDocState()->Graphs);
}

ShortPoint CGraphView::DevicePoint(QPointF logical) const
{
    QPointF p = logical * devicePixelRatioF();
    return ShortPoint{SaturateToShort(static_cast<int32_t>(std::clamp(std::floor(p.y()), -1e9, 1e9))),
                      SaturateToShort(static_cast<int32_t>(std::clamp(std::floor(p.x()), -1e9, 1e9)))};
}

void CGraphView::ReleaseSurfaces()
{
    ReleaseSurfaceInterfaces(m_drawing);
    ReleaseSurfaceInterfaces(m_presentation);
}

bool CGraphView::AttachDirectDraw()
{
    if (!SetClipperWindow(this))
        return false;
    SetCurrentPort(&m_drawing);
    RecordGraphPaneSurface(&m_drawing);
    DirectDrawAttached = true;
    return true;
}

bool CGraphView::Shows4DPanel() const
{
    GraphSet* graphs = Graphs();
    return graphs && graphs->HasViews() && graphs->Shows4DView();
}

void CGraphView::Place4DPanel()
{
    if (!m_4dPanel)
        return;
    const bool shown = Shows4DPanel();
    m_4dPanel->setGeometry(shown ? width() - C4DControls::kWidth : width(), 0, C4DControls::kWidth, height());
    m_4dPanel->setVisible(shown);
    if (shown) {
        GraphSet* graphs = Graphs();
        m_4dPanel->SetCheckStates(graphs->view4D->showAxes, graphs->view4D->showGrid);
        m_4dPanel->repaint();
    }
}

bool CGraphView::UpdateLayoutRect()
{
    // The whole client area, narrowed on the right by the 4D panel while
    // the 4D view is shown.
    ShortRect layout = GetWindowClientRect(this);
    if (Shows4DPanel()) {
        const int panel = static_cast<int>(C4DControls::kWidth * devicePixelRatioF());
        layout.right = static_cast<int16_t>(std::max<int>(layout.left, layout.right - panel));
    }
    DocState* doc = GetDocState();
    if (EqualShortRects(layout, doc->graphPaneRect))
        return false;
    if (GraphSet* graphs = Graphs())
        graphs->SetLayoutRect(layout);
    doc->graphPaneRect = layout;
    return true;
}

void CGraphView::RebuildSurfaces(bool force, const ShortRect& client)
{
    Place4DPanel();
    bool changed = UpdateLayoutRect();
    if (!changed && !force)
        return;
    DocState* doc = GetDocState();
    DisposeDibImage(doc->graphPaneImage);
    doc->graphPaneImage = IsShortRectEmpty(doc->graphPaneRect) ? nullptr : NewDibImage(doc->graphPaneRect);

    // The first call attaches the pane to the surface service; unlike the
    // message order this was written for, a window may be sized only once,
    // so the surfaces are made in the same call.
    if (!DirectDrawAttached && !AttachDirectDraw()) {
        ShowMessageBox("Could not initialize Direct Draw!", "Vellumor", MessageBoxIcon::Error);
        std::abort();
    }
    bool made = m_drawing.memory || m_drawing.lost;
    if (IsShortRectEmpty(client)) {
        if (made) {
            DocClearGraphs(doc);
            ReleaseSurfaces();
        }
        m_notReady = 1;
    } else {
        bool ok = made ? RecreatePaneSurface(this, m_drawing) && RecreatePaneSurface(this, m_presentation)
                       : CreatePaneSurface(this, m_drawing) && CreatePaneSurface(this, m_presentation);
        m_notReady = ok ? 0 : 1;
        if (!ok)
            return;
        // White until the graph set draws: a pane without views shows paper.
        PixelBuffer pixels{reinterpret_cast<uint8_t*>(m_drawing.memory), 4 * ShortRectWidth(m_drawing.bounds),
                           ShortRectWidth(m_drawing.bounds), ShortRectHeight(m_drawing.bounds)};
        FillRect32(pixels, m_drawing.bounds, 0xFFFFFFFFu);
        if (GraphSet* graphs = Graphs()) {
            graphs->ResizeViews();
            graphs->WaitAndUploadMeshes(30, false);
        }
        UpdateGraphPaneCursor();
    }
    // Shown graphs follow the new size; with none there is no work to wait for.
    if (doc->DrawGraph)
        doc->SetGraphWorkPending();
    m_presentPending = false;
    update();
}

void CGraphView::DrawPane(const ShortRect*)
{
    DrawGraphViewsDetached(GetDocState());
    PresentGraphPane(nullptr);
    UpdateGraphPaneCursor();
    // The views changed between 4D and the others: the panel and the
    // layout follow once this paint is over.
    if (m_4dPanel && Shows4DPanel() != m_4dPanel->isVisible())
        PostRebuildSurfaces();
}

void CGraphView::PostRebuildSurfaces()
{
    QMetaObject::invokeMethod(
        this, [this] { RebuildSurfaces(true, GetWindowClientRect(this)); }, Qt::QueuedConnection);
}

void CGraphView::Present()
{
    if (m_notReady || !CopySurfaceFlipped(m_drawing, m_presentation))
        return;
    if (WindowBeingPainted() != this) {
        m_presentPending = true;
        update();
        return;
    }
    // With a second view the pane shows the views only, on button face.
    GraphSet* graphs = Graphs();
    ShortRect second{0, 0, 0, 0};
    if (graphs)
        graphs->GetViewRect(second, WhichSecond);
    Region views = graphs && !IsShortRectEmpty(second) ? NewRegion() : nullptr;
    if (views)
        graphs->GetViewFrameRegion(views);
    PaintSurfaceToWindow(m_presentation, views);
    DisposeRegion(views);
}

void CGraphView::CheckDisplayChange()
{
    qreal ratio = devicePixelRatioF();
    if (m_pixelRatio != 0 && ratio != m_pixelRatio)
        OnDisplayChange();
    m_pixelRatio = ratio;
}

void CGraphView::paintEvent(QPaintEvent*)
{
    CheckDisplayChange();
    WindowPaintScope scope(this);
    if (m_notReady) {
        QPainter(this).fillRect(rect(), palette().window());
        return;
    }
    if (m_presentPending) {
        // The graph set drew and presented already; this paint shows it.
        m_presentPending = false;
        PaintSurfaceToWindow(m_presentation, nullptr);
        return;
    }
    DrawPane(nullptr);
}

void CGraphView::resizeEvent(QResizeEvent*)
{
    CheckDisplayChange();
    m_clientRect = GetWindowClientRect(this);
    RebuildSurfaces(false, m_clientRect);
}

void CGraphView::OnDisplayChange()
{
    DocState* doc = GetDocState();
    bool graphsShown = doc->DrawGraph;
    DocClearGraphs(doc);
    ReleaseSurfaceInterfaces(m_presentation);
    if (!ReinitDirectDraw())
        return;
    SetClipperWindow(this);
    DisplayChangeInProgress = 1;
    if (GraphSet* graphs = Graphs())
        graphs->ReleaseRenderResources();
    RebuildSurfaces(true, GetWindowClientRect(this));
    DisplayChangeInProgress = 0;
    if (graphsShown) {
        doc->DrawGraph = false;
        DrawGraph();
    }
}

bool CGraphView::OnIdleStep(int)
{
    if (m_notReady)
        return false;
    if (m_dragging && GetCaptureWindow() == this) {
        ShortPoint p;
        GetCursorPositionIn(this, p);
        if (PointInShortRect(p, GetWindowClientRect(this))) {
            // A resting pointer still moves the view, as a drag expects.
            if (p.h == IdleDragPoint.h && p.v == IdleDragPoint.v)
                HandleMove(p, true);
            IdleDragPoint = p;
        } else if (uint32_t now = SystemTickCount(); now >= NextOutsideMove) {
            HandleMove(p, true);
            NextOutsideMove = now + kOutsideMoveMs;
        }
    }
    GetDocState()->IdleTick();
    GraphSet* graphs = Graphs();
    return (graphs && graphs->IsBusy()) || GetDocState()->IsAnimating() || IsDemoRunning();
}

void CGraphView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || DemoRefusesUserInput()) {
        QWidget::mousePressEvent(event);
        return;
    }
    grabMouse();
    m_dragging = true;
    Qt::KeyboardModifiers keys = event->modifiers();
    uint8_t shift = keys & Qt::ShiftModifier ? 1 : 0;
    uint8_t ctrl = keys & Qt::ControlModifier ? 1 : 0;
    uint8_t alt = keys & Qt::AltModifier ? 1 : 0;
    ShortPoint p = DevicePoint(event->position());
    m_lastMouse = p;
    // Control grabs a graph anywhere, Alt drags the axes, Shift draws a zoom box.
    ViewMouseEvent press{p, ctrl, alt, ctrl, shift, 0};
    TypesetDCScope typeset(true);
    if (GraphSet* graphs = Graphs())
        graphs->MouseDown(press);
}

void CGraphView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || DemoRefusesUserInput()) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    Qt::KeyboardModifiers keys = event->modifiers();
    uint8_t shift = keys & Qt::ShiftModifier ? 1 : 0;
    uint8_t ctrl = keys & Qt::ControlModifier ? 1 : 0;
    ViewMouseEvent press{DevicePoint(event->position()), 0, shift, ctrl, shift, 1};
    // The second press of a double click is a press too: the release follows.
    grabMouse();
    m_dragging = true;
    m_lastMouse = press.point;
    TypesetDCScope typeset(true);
    if (GraphSet* graphs = Graphs())
        graphs->MouseDown(press);
}

void CGraphView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        FocusEquationPane();
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    releaseMouse();
    bool wasDragging = m_dragging;
    m_dragging = false;
    if (!wasDragging || DemoRefusesUserInput())
        return;
    if (GraphSet* graphs = Graphs())
        graphs->MouseUp(DevicePoint(event->position()));
    // The keyboard stays with the equations.
    FocusEquationPane();
}

void CGraphView::mouseMoveEvent(QMouseEvent* event)
{
    HandleMove(DevicePoint(event->position()), event->buttons() != Qt::NoButton);
}

void CGraphView::wheelEvent(QWheelEvent* event)
{
    GraphSet* graphs = Graphs();
    if (!graphs || m_notReady || m_dragging || DemoRefusesUserInput()) {
        event->ignore();
        return;
    }
    const ShortPoint p = DevicePoint(event->position());
    ShortRect first{0, 0, 0, 0}, second{0, 0, 0, 0};
    graphs->GetViewRect(first, WhichActive);
    if (graphs->HasSecondView())
        graphs->GetViewRect(second, WhichSecond);
    const int32_t which = PointInShortRect(p, first) ? WhichActive : PointInShortRect(p, second) ? WhichSecond : -1;
    event->accept();
    if (which < 0)
        return;
    constexpr int kNotch = 120;
    m_wheelRemainder += event->angleDelta().y();
    while (m_wheelRemainder >= kNotch || m_wheelRemainder <= -kNotch) {
        const bool in = m_wheelRemainder > 0;
        m_wheelRemainder += in ? -kNotch : kNotch;
        ZoomViews(in ? 0 : 3, which);
    }
}

void CGraphView::ZoomViews(int32_t code, int32_t which)
{
    GraphSet* graphs = Graphs();
    if (!graphs || m_notReady)
        return;
    TypesetDCScope typeset(true);
    graphs->Zoom(code, which);
    update();
}

void CGraphView::HandleMove(ShortPoint p, bool buttonDown)
{
    if (!buttonDown && !DemoRefusesUserInput())
        UpdateGraphPaneCursor();
    TypesetDCScope typeset(true);
    if (GraphSet* graphs = Graphs())
        graphs->MouseMove(p.h, p.v);
    m_lastMouse = p;
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

void CGraphView::DrawGraph()
{
    DocState* doc = GetDocState();
    if (doc->DrawGraph)
        return;
    {
        TypesetDCScope typeset(true);
        doc->BeginGraphing();
    }
    update();
    doc->SetGraphWorkPending();
    if (COndrelView* pane = GetEquationView())
        pane->update();
}

void CGraphView::ClearGraphsAndRedraw()
{
    DocState* doc = GetDocState();
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
    doc->DrawGraph = false;
    doc->GraphWorkPending = false;
    update();
    if (COndrelView* pane = GetEquationView())
        pane->update();
}

PictureHandle CGraphView::MakeDIB(int which)
{
    if (m_notReady)
        return nullptr;
    GraphSet* graphs = Graphs();
    ShortRect area = m_drawing.bounds;
    if (which != WhichBoth) {
        if (!graphs)
            return nullptr;
        graphs->GetViewRect(area, which);
        ShortRect inside;
        if (!IntersectShortRects(area, m_drawing.bounds, inside))
            return nullptr;
        area = inside;
    }
    ShortRect size;
    SetShortRect(size, 0, 0, ShortRectHeight(area), ShortRectWidth(area));
    if (IsShortRectEmpty(size))
        return nullptr;
    PictureHandle picture = AllocPictureHandle(size);
    if (!picture)
        return nullptr;
    auto* header = static_cast<DibHeader*>(LockGlobalHandle(picture));
    PixelBuffer out{GetPackedDibBits(header), 4 * ShortRectWidth(size), ShortRectWidth(size), ShortRectHeight(size)};
    // A view: from where it draws. The whole pane: the drawing surface, then
    // each view that draws through a window of its own from the pane image.
    auto copyFromSurface = [&](const ShortRect& r, int x, int y) {
        if (!LockDDSurface(m_drawing))
            return;
        CopyRectRows(m_drawing.pixels, m_drawing.rowBytes, r, out, x, ShortRectHeight(size) - y - ShortRectHeight(r),
                     true);
        UnlockDDSurface(m_drawing);
    };
    auto copyView = [&](int view, bool ownWindow) {
        ShortRect r;
        graphs->GetViewRect(r, view);
        ShortRect inside;
        if (!IntersectShortRects(r, m_drawing.bounds, inside))
            return;
        int x = inside.left - area.left, y = inside.top - area.top;
        DibImage* image = GetDocState()->graphPaneImage;
        if (!ownWindow || !image) {
            copyFromSurface(inside, x, y);
            return;
        }
        graphs->RefreshGLWindows(view);
        // The pane image is bottom-up: its rows for the view, in its own order.
        int imageHeight = image->header.biHeight;
        ShortRect rows;
        SetShortRect(rows, imageHeight - inside.bottom, inside.left, imageHeight - inside.top, inside.right);
        CopyRectRows(reinterpret_cast<const uint8_t*>(image->pixels), GetDibImageRowBytes(image), rows, out, x,
                     ShortRectHeight(size) - y - ShortRectHeight(inside), false);
    };
    if (which == WhichBoth) {
        copyFromSurface(area, 0, 0);
        if (graphs && graphs->ActiveViewHasOwnWindow())
            copyView(WhichActive, true);
        if (graphs && graphs->SecondViewHasOwnWindow())
            copyView(WhichSecond, true);
    } else {
        copyView(which, which == WhichActive ? graphs->ActiveViewHasOwnWindow() : graphs->SecondViewHasOwnWindow());
    }
    UnlockGlobalHandle(picture);
    return picture;
}

bool CGraphView::CopyToClipboard(int which)
{
    // Nothing to copy is not a failure; a picture refused by the budget has
    // posted failure 36.
    PictureHandle picture = MakeDIB(which);
    if (!picture)
        return false;
    QImage image = PictureToImage(picture);
    FreeGlobalHandle(picture);
    if (image.isNull()) {
        PostFailure(36);
        return false;
    }
    QGuiApplication::clipboard()->setImage(image);
    return true;
}

bool CGraphView::DropPicture(PictureHandle picture, ShortPoint point)
{
    if (!picture)
        return false;
    DocState* doc = GetDocState();
    ShortRect first{0, 0, 0, 0}, second{0, 0, 0, 0};
    bool firstShown = doc->Graphs && doc->Graphs->IsViewShown(FirstView2D, &first);
    bool secondShown = doc->Graphs && doc->Graphs->IsViewShown(SecondView2D, &second);
    bool placed = false;
    if (firstShown || secondShown) {
        // The graph set places a copy in the 2D view under the point.
        for (auto [view, shown, r] : {std::tuple{FirstView2D, firstShown, first}, {SecondView2D, secondShown, second}})
            if (!placed && shown && PointInShortRect(point, r)) {
                doc->Graphs->DropPicture(view, picture, point);
                placed = true;
            }
    } else if (doc->IsEditingEquation()) {
        doc->SetCurrentLinePicture(picture);
        placed = true;
    }
    FreeGlobalHandle(picture);
    if (placed) {
        update();
        SetDocModified(true);
    }
    return placed;
}

bool CGraphView::DropBitmapFile(const QString& path, ShortPoint point)
{
    // Only files named *.bmp, in any case; a name that is the extension alone is not one.
    QString name = QFileInfo(path).fileName();
    if (name.size() <= 4 || name.right(4).toLower() != QLatin1String(".bmp"))
        return false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    CDib dib;
    bool read = dib.Read(path.toUtf8().constData(), false) != 0;
    PictureHandle picture = read ? dib.MakePicture() : nullptr;
    QGuiApplication::restoreOverrideCursor();
    if (!read) {
        PostFailure(dib.Failure());
        return false;
    }
    bool placed = DropPicture(picture, point);
    GetDocState()->UpdateHasPictures();
    return placed;
}

void CGraphView::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (data->hasImage() || data->hasUrls())
        event->acceptProposedAction();
}

void CGraphView::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void CGraphView::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    ShortPoint point = DevicePoint(event->position());
    bool dropped = false;
    if (data->hasUrls()) {
        QList<QUrl> urls = data->urls();
        dropped = !urls.isEmpty() && urls.first().isLocalFile() && DropBitmapFile(urls.first().toLocalFile(), point);
    } else if (data->hasImage()) {
        dropped = DropPicture(ImageToPicture(qvariant_cast<QImage>(data->imageData())), point);
    }
    if (dropped)
        event->acceptProposedAction();
    else
        event->ignore();
}

int CGraphView::OnBeginPrinting(QPrinter&)
{
    FreeGlobalHandle(m_printPicture);
    m_printPicture = GetDocState()->IsGraphPaneShown() ? MakeDIB(WhichBoth) : nullptr;
    return m_printPicture ? 1 : 0;
}

bool CGraphView::OnPrint(QPainter& painter, QPrinter& printer)
{
    if (!m_printPicture)
        return false;
    QImage image = PictureToImage(m_printPicture);
    if (image.isNull())
        return false;
    int dpi = printer.resolution();
    qreal screen = logicalDpiX() * devicePixelRatioF();
    QSize page = printer.pageLayout().paintRectPixels(dpi).size();
    QSize size = PrintedPictureSize(image.width(), image.height(), QSizeF(dpi, dpi), QSizeF(screen, screen), page);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    return true;
}

void CGraphView::OnEndPrinting()
{
    FreeGlobalHandle(m_printPicture);
    m_printPicture = nullptr;
}

void InvalidateGraphPane()
{
    if (CGraphView* view = GetGraphView())
        view->update();
}

void InvalidateEquationPaneNoErase()
{
    if (COndrelView* pane = GetEquationView())
        pane->update();
}

void SetDocModified(bool modified)
{
    if (COndrelDoc* document = GetDocument())
        document->SetModifiedFlag(modified);
    else if (QWidget* frame = reinterpret_cast<QWidget*>(GetMainFrame()))
        frame->setWindowModified(modified);
}

void DrawGraphInPane()
{
    if (CGraphView* view = GetGraphView())
        view->DrawGraph();
}
