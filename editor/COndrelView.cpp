#include "editor/COndrelView.h"

#include "CoreUtilities/Clock.h"
#include "document/DataTable.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "drawing/ClipRegionSaver.h"
#include "drawing/DrawingPort.h"
#include "drawing/TypesetDCScope.h"
#include "editor/COurEdit.h"
#include "editor/CaretGeometry.h"
#include "editor/EditorCommands.h"
#include "editor/EditorKeyEvents.h"
#include "editor/EditorPredicates.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationPanePrinting.h"
#include "editor/EquationViewServices.h"
#include "editor/FormulaClipboard.h"
#include "editor/FormulaDrawingPort.h"
#include "editor/LineWrapping.h"
#include "editor/TextBlocks.h"
#include "editor/TypesetDriver.h"
#include "editor/WrappedText.h"
#include "formula/EditorState.h"
#include "platform/PortDC.h"
#include "platform/SystemFont.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr ColorRef kHintColour = 0x333333;
constexpr ColorRef kBannerColour = 0xFF6600;  // 0x0066FF as the window system orders it

bool DemoRunning()
{
    const DocumentHooks& hooks = GetDocumentHooks();
    return hooks.isDemoRunning && hooks.isDemoRunning();
}

// Arial 9 points, made once.
FontHandle CaptionFont()
{
    static FontHandle font = CreateSystemFont(FontSpec{"Arial", -12, 0, 400, false});
    return font;
}

uint32_t ModifierBits(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ControlModifier ? 1u : 0u) | (modifiers & Qt::ShiftModifier ? 2u : 0u);
}

}  // namespace

COndrelView::COndrelView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EquationPane"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    m_vbar = new QScrollBar(Qt::Vertical, this);
    m_vbar->setSingleStep(kPaneLineStep);
    m_vbar->setRange(0, 0);
    m_vbar->hide();
    m_vbar->setFocusPolicy(Qt::NoFocus);
    connect(m_vbar, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value); });
    m_blink = new QTimer(this);
    connect(m_blink, &QTimer::timeout, this, &COndrelView::BlinkCaret);
    SetEquationView(this);
}

COndrelView::~COndrelView()
{
    if (GetEquationView() == this)
        SetEquationView(nullptr);
}

void COndrelView::InvalidateLayout()
{
    m_layoutStale = true;
    update();
}

void COndrelView::RelayoutPane()
{
    m_layoutStale = false;
    LayoutLinesWithDC(nullptr);
}

int32_t COndrelView::ScrollLimit() const
{
    return std::max(0, m_extent - height());
}

bool COndrelView::HasVerticalScrollBar() const
{
    return !m_vbar->isHidden();
}

void COndrelView::PlaceBar()
{
    int limit = ScrollLimit();
    bool shown = limit > 0;
    m_vbar->setPageStep(std::max(1, height()));
    {
        QSignalBlocker quiet(m_vbar);
        m_vbar->setRange(0, limit);
        m_vbar->setValue(m_scroll);
    }
    if (shown != HasVerticalScrollBar()) {
        m_vbar->setVisible(shown);
        // The client area changed: the pane rectangle follows.
        DocState* doc = GetDocState();
        int width = shown ? this->width() - GetVScrollBarWidth() : this->width();
        SetShortRect(doc->equationPaneRect, 0, 0, height(), std::max(0, width));
    }
    // Placed without repainting: this may run inside the pane's paint.
    if (shown)
        m_vbar->setGeometry(width() - GetVScrollBarWidth(), 0, GetVScrollBarWidth(), height());
}

void COndrelView::ApplyScrollToLines(int32_t totalHeight)
{
    DocState* doc = GetDocState();
    if (doc->printing) {
        SetViewLayoutValue(totalHeight);
        return;
    }
    m_extent = doc->IsMathPaneShown() ? totalHeight : 0;
    m_scroll = std::clamp(m_scroll, 0, ScrollLimit());
    PlaceBar();
    update();
    for (DocLine& line : doc->Lines) {
        if (line.kind == DocLineEquation && line.formula)
            line.formula->originV = SaturateToShort(line.formula->originV - m_scroll);
        else if (line.kind == DocLineText && line.textBox)
            MoveTextBoxBy(line.textBox, -m_scroll);
        else if (line.kind == DocLineTable)
            ScrollTableBy(&line, m_scroll);
    }
}

bool COndrelView::ScrollTo(int32_t position)
{
    position = std::clamp(position, 0, ScrollLimit());
    if (position == m_scroll)
        return false;
    m_scroll = position;
    {
        QSignalBlocker quiet(m_vbar);
        m_vbar->setValue(position);
    }
    SetEquationPaneCursorFor(ShortPoint{0, 0}, false);
    InvalidateLayout();
    return true;
}

void COndrelView::ScrollCaretIntoView()
{
    DocState* doc = GetDocState();
    EditorState* state = GetCurrentEditorState();
    if (COurEdit* box = doc->EditMode == EditTextOrCell ? CurrentTextBox() : nullptr) {
        if (m_layoutStale)
            RelayoutPane();
        QRect caret = box->cursorRect().translated(box->viewport()->mapTo(this, QPoint(0, 0)));
        ScrollRowsIntoView(caret.top(), caret.bottom());
        return;
    }
    if (doc->EditMode != EditFormula || !state)
        return;
    if (m_layoutStale)
        RelayoutPane();
    MakeEditorStateCurrent(state, this);
    ShortRect caret;
    CaretRectToWindow(caret);
    ScrollRowsIntoView(caret.top, caret.bottom);
}

void COndrelView::ScrollRowsIntoView(int windowTop, int windowBottom)
{
    // Window to document pixels.
    int top = windowTop + m_scroll;
    int bottom = windowBottom + m_scroll;
    int h = height();
    if (top < m_scroll) {
        int target = top - kCaretScrollMargin;
        if (bottom <= target + h)
            ScrollTo(target);
    } else if (bottom > m_scroll + h) {
        ScrollTo(bottom + kCaretScrollMargin - h);
    }
    if (m_layoutStale)
        RelayoutPane();
}

bool COndrelView::IsCaretShown() const
{
    return m_caretWanted && !m_caretHidden && hasFocus();
}

void COndrelView::UpdateCaret()
{
    DocState* doc = GetDocState();
    EditorState* state = GetCurrentEditorState();
    bool wanted = false;
    if (state && doc->IsMathPaneShown() && !DemoRunning() && doc->EditMode == EditFormula && state->active &&
        m_caretActive && hasFocus()) {
        MakeEditorStateCurrent(state, this);
        float x = 0, top = 0, bottom = 0;
        if (!HasVisibleSelection() && GetCaretPoint(&x, &bottom, &top)) {
            WrappedCaretPoints(x, top, bottom);
            QRect rect(static_cast<int>(x) + state->originH, static_cast<int>(top) + state->originV, 1,
                       std::max(1, static_cast<int>(bottom - top)));
            if (rect != m_caretRect)
                update(m_caretRect.adjusted(-1, -1, 1, 1));
            m_caretRect = rect;
            wanted = true;
        }
    }
    if (wanted != m_caretWanted || wanted)
        update(m_caretRect.adjusted(-1, -1, 1, 1));
    m_caretWanted = wanted;
    int flash = QApplication::cursorFlashTime();
    if (wanted && flash > 0) {
        m_caretPhase = true;
        m_blink->start(flash / 2);
    } else {
        m_blink->stop();
    }
}

void COndrelView::BlinkCaret()
{
    m_caretPhase = !m_caretPhase;
    update(m_caretRect.adjusted(-1, -1, 1, 1));
}

void COndrelView::DrawHintCaption(PortDC* dc)
{
    DocState* doc = GetDocState();
    m_hintRect = ShortRect{0, 0, 0, 0};
    if (!doc->StatusHint[0])
        return;
    ShortRect pane = doc->equationPaneRect;
    ShortRect panels;
    int right = doc->GetPanelsRect(&panels) ? panels.left - 5 : pane.right - 5;
    ShortRect box;
    SetShortRect(box, pane.top, pane.left + 7, pane.bottom, std::max(pane.left + 8, right));
    ClipRegionSaver clip(pane);
    DrawWrappedText(doc->StatusHint, dc, box, kAlignLeft, true, CaptionFont());
    int textHeight = box.bottom - pane.top;
    int textWidth = box.right - (pane.left + 7);
    SetShortRect(box, pane.bottom - textHeight, pane.left + 7, pane.bottom, pane.left + 7 + textWidth);
    PortEraseRect(box);
    ColorRef previous = dc->TextColor();
    dc->SetTextColor(DemoRunning() ? 0 : kHintColour);
    ShortRect drawn = box;
    DrawWrappedText(doc->StatusHint, dc, drawn, kAlignLeft, false, CaptionFont());
    dc->SetTextColor(previous);
    m_hintRect = box;
}

void COndrelView::DrawDemoBanner(PortDC* dc)
{
    DocState* doc = GetDocState();
    const char16_t* text = doc->IsDemoPaused() ? u"Demonstration is paused" : u"Demonstration is running";
    ShortRect pane = doc->equationPaneRect;
    ClipRegionSaver clip(pane);
    ShortRect box;
    SetShortRect(box, pane.top + 2, pane.right - 160, pane.top + 16, pane.right - 20);
    ShortRect measured = box;
    DrawWrappedText(text, dc, measured, kAlignLeft, true, CaptionFont());
    box.bottom = SaturateToShort(box.top + (measured.bottom - box.top));
    int width = measured.right - box.left;
    if (width < ShortRectWidth(box))
        box.left = SaturateToShort(box.right - width - 2);
    PortEraseRect(box);
    ColorRef previous = dc->TextColor();
    dc->SetTextColor(kBannerColour);
    ShortRect drawn = box;
    DrawWrappedText(text, dc, drawn, kAlignLeft, false, CaptionFont());
    dc->SetTextColor(previous);
}

void COndrelView::DrawPaneContents(PortDC* dc)
{
    DocState* doc = GetDocState();
    PortDC* previousPort = GetPortDC();
    SetPortDC(dc);
    {
        TypesetDCScope typeset(dc, false);
        dc->SetTextColor(WindowTextColor());
        PortPen previousPen = dc->SelectPen(PortPen{PenStyle::Solid, 0, WindowTextColor(), false});
        dc->SetBackgroundMode(BackgroundMode::Transparent);
        doc->DrawLines();
        // Paper shows the lines only.
        if (!DemoRunning() && !doc->printing)
            doc->DrawVariablePanels();
        if (!doc->printing)
            DrawHintCaption(dc);
        if (DemoRunning())
            DrawDemoBanner(dc);
        dc->SelectPen(previousPen);
    }
    if (previousPort)
        SetPortDC(previousPort);
    else
        ClearPortDC();
}

void COndrelView::paintEvent(QPaintEvent*)
{
    DocState* doc = GetDocState();
    QImage image(size(), QImage::Format_RGB32);
    if (image.isNull())
        return;
    bool shown = doc->IsMathPaneShown() && doc->Lines.count > 0;
    image.fill(shown ? QColor(Qt::white) : palette().color(QPalette::Button));
    if (doc->Lines.count > 0 && m_layoutStale)
        RelayoutPane();
    if (shown) {
        PortDC* dc = PortDC::NewForPixels(image.bits(), image.width(), image.height(),
                                          static_cast<int>(image.bytesPerLine()));
        if (dc) {
            DrawPaneContents(dc);
            delete dc;
        }
    }
    QPainter painter(this);
    painter.drawImage(0, 0, image);
    if (IsCaretShown() && m_caretPhase)
        painter.fillRect(m_caretRect, Qt::black);
}

void COndrelView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    DocState* doc = GetDocState();
    int width = HasVerticalScrollBar() ? this->width() - GetVScrollBarWidth() : this->width();
    SetShortRect(doc->equationPaneRect, 0, 0, height(), std::max(0, width));
    m_paneCollapsed = this->width() == 0 || height() == 0;
    m_vbar->setPageStep(std::max(1, height()));
    InvalidateLayout();
    PlaceBar();
}

void COndrelView::HandleEditorKeyPress(uint32_t ch, uint32_t ch2, uint32_t flags)
{
    DocState* doc = GetDocState();
    if (doc->Lines.count == 0)
        return;
    {
        TypesetDCScope typeset(true);
        doc->OnKeyDown(ch, ch2, flags, this);
    }
    RelayoutPane();
    ScrollCaretIntoView();
    UpdateCaret();
    update();
}

void COndrelView::DoKeypadCommand(int32_t code)
{
    DocState* doc = GetDocState();
    if (doc->EditMode != EditFormula || doc->currentLine < 0 || doc->currentLine >= doc->Lines.count)
        return;
    EditorState* state = doc->CurrentFormula();
    if (!state)
        return;
    if (!doc->IsMathPaneShown() && !DemoRunning() && GetDocumentHooks().requestPaneRefresh)
        GetDocumentHooks().requestPaneRefresh();
    {
        TypesetDCScope typeset(true);
        KeypadCommandActive = 1;
        RunEditorCommand(code, static_cast<uint32_t>(code), state, this);
        KeypadCommandActive = 0;
    }
    FormulaChanged();
}

void COndrelView::keyPressEvent(QKeyEvent* event)
{
    // The user's keys steer a running demonstration; its own keys never
    // come as key events.
    if (DemoRunning()) {
        if (!event->isAutoRepeat())
            HandleDemoKey(event->key());
        return;
    }
    DocState* doc = GetDocState();
    // While the colour palette is open the pointer alone decides.
    if (doc->paletteLine != 0)
        return;
    int key = event->key();
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        ScrollTo(m_scroll + (key == Qt::Key_PageUp ? -height() : height()));
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(event->modifiers() & Qt::ControlModifier)) {
        // Enter draws the graphs of what was typed.
        if (!doc->DrawGraph) {
            TypesetDCScope typeset(true);
            doc->BeginGraphing();
            doc->SetGraphWorkPending();
            if (GetDocumentHooks().redrawGraphPane)
                GetDocumentHooks().redrawGraphPane(doc);
        }
        ScrollCaretIntoView();
        update();
        return;
    }
    using ClipboardCommand = bool (COndrelView::*)();
    static constexpr struct {
        QKeySequence::StandardKey key;
        ClipboardCommand command;
    } kClipboardKeys[] = {
        {QKeySequence::Copy, &COndrelView::Copy},
        {QKeySequence::Cut, &COndrelView::Cut},
        {QKeySequence::Paste, &COndrelView::Paste},
    };
    for (const auto& entry : kClipboardKeys) {
        if (event->matches(entry.key)) {
            (this->*entry.command)();
            return;
        }
    }
    EditorKey editorKey;
    if (!EditorKeyFromEvent(*event, editorKey)) {
        QWidget::keyPressEvent(event);
        return;
    }
    HandleEditorKeyPress(editorKey.ch, editorKey.ch2, editorKey.flags);
}

namespace {

constexpr EditorCommandCode kCutCommand = 8704;

EditorState* EditedFormula(DocState* doc)
{
    return doc->EditMode == EditFormula && doc->currentLine >= 0 && doc->currentLine < doc->Lines.count
        ? doc->CurrentFormula()
        : nullptr;
}

bool CopyPanelCell(DocState* doc)
{
    char text[kPanelCopyBytes];
    text[0] = 0;
    if (doc->EditMode == EditValueCell)
        doc->CopyVariableFieldSelection(text, sizeof text);
    else
        doc->CopyRangeFieldSelection(text, sizeof text);
    if (!text[0])
        return false;
    PutTextOnClipboard(QByteArray(text));
    return true;
}

bool IsPanelCellEdited(const DocState* doc)
{
    return doc->EditMode == EditValueCell || doc->EditMode == EditRangeCell;
}

}  // namespace

// A cut or paste changed the formula: recomputed, and Undo takes it back.
void COndrelView::FormulaChanged()
{
    DocState* doc = GetDocState();
    doc->Recompute();
    doc->undo.kind = UndoFormulaEdit;
    doc->undo.lineIndex = static_cast<int16_t>(doc->currentLine);
    InvalidateLayout();
    RelayoutPane();
    ScrollCaretIntoView();
    UpdateCaret();
    update();
}

bool COndrelView::Copy()
{
    DocState* doc = GetDocState();
    if (IsPanelCellEdited(doc))
        return CopyPanelCell(doc);
    EditorState* state = EditedFormula(doc);
    TypesetDCScope typeset(true);
    return state && CopyFormulaToClipboard(state);
}

bool COndrelView::Cut()
{
    DocState* doc = GetDocState();
    if (IsPanelCellEdited(doc)) {
        if (!CopyPanelCell(doc))
            return false;
        if (doc->EditMode == EditValueCell)
            doc->DeleteValueCellSelection();
        else
            doc->DeleteRangeCellSelection();
        update();
        return true;
    }
    EditorState* state = EditedFormula(doc);
    {
        TypesetDCScope typeset(true);
        if (!state || !CopyFormulaToClipboard(state))
            return false;
        RunEditorCommand(kCutCommand, 0, state, this);
    }
    FormulaChanged();
    return true;
}

bool COndrelView::Paste()
{
    DocState* doc = GetDocState();
    if (IsPanelCellEdited(doc)) {
        const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
        if (text.isEmpty())
            return false;
        if (doc->EditMode == EditValueCell)
            doc->InsertIntoValueCell(text.constData());
        else
            doc->InsertIntoRangeCell(text.constData());
        update();
        return true;
    }
    EditorState* state = EditedFormula(doc);
    {
        TypesetDCScope typeset(true);
        if (!state || !PasteFormulaFromClipboard(state))
            return false;
    }
    FormulaChanged();
    return true;
}

bool COndrelView::CanPaste() const
{
    const DocState* doc = GetDocState();
    if (IsPanelCellEdited(doc))
        return QGuiApplication::clipboard()->mimeData() && QGuiApplication::clipboard()->mimeData()->hasText();
    return doc->EditMode == EditFormula && ClipboardCanPaste();
}

void COndrelView::PressAt(QMouseEvent* event, bool doubleClick)
{
    if (DemoRunning() && !DemoMouseMessage)
        return;
    DocState* doc = GetDocState();
    QPoint p = event->position().toPoint();
    PanePress press;
    press.point = ShortPoint{SaturateToShort(p.y()), SaturateToShort(p.x())};
    press.modifiers = ModifierBits(event->modifiers());
    press.time = ClockMilliseconds();
    press.doubleClick = doubleClick;
    {
        TypesetDCScope typeset(true);
        doc->OnMouseDown(press);
    }
    setFocus(Qt::MouseFocusReason);
    RelayoutPane();
    UpdateCaret();
    update();
    SetEquationPaneCursorFor(press.point, true);
}

void COndrelView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        PressAt(event, false);
}

void COndrelView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        PressAt(event, true);
}

void COndrelView::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    ShortPoint point{SaturateToShort(p.y()), SaturateToShort(p.x())};
    bool held = event->buttons() & Qt::LeftButton;
    SetEquationPaneCursorFor(point, held);
    DocState* doc = GetDocState();
    if (!held || (doc->EditMode == EditNothing && doc->paletteLine == 0))
        return;
    TypesetDCScope typeset(true);
    if (doc->OnMouseMove(point, this))
        update();
}

void COndrelView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QPoint p = event->position().toPoint();
    ShortPoint point{SaturateToShort(p.y()), SaturateToShort(p.x())};
    {
        TypesetDCScope typeset(true);
        GetDocState()->OnMouseUp(point);
    }
    update();
    SetEquationPaneCursorFor(point, false);
    UpdateCaret();
}

void COndrelView::wheelEvent(QWheelEvent* event)
{
    int delta = event->angleDelta().y();
    if (delta == 0)
        return;
    int lines = QApplication::wheelScrollLines();
    int step;
    if (lines < 0) {
        // One page per notch, in the wheel's direction.
        step = delta > 0 ? -height() : height();
    } else {
        step = -delta * lines / 120 * kPaneLineStep;
        step = std::min(step, height());
    }
    ScrollTo(m_scroll + step);
    event->accept();
}

void COndrelView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    EditorState* state = GetCurrentEditorState();
    if (state && !m_caretActive) {
        TypesetDCScope typeset(true);
        ActivateEditorState(state, this);
        m_caretActive = true;
    }
    UpdateCaret();
    update();
}

void COndrelView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // The caret goes with the focus; the pane repaints without it.
    if (m_caretWanted)
        m_savedCaret = m_caretRect.topLeft();
    m_caretActive = false;
    m_caretWanted = false;
    m_blink->stop();
    update();
}

bool COndrelView::focusNextPrevChild(bool)
{
    // Tab belongs to the editor, not to focus traversal.
    return false;
}
