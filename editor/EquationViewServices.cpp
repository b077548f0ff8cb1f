#include "editor/EquationViewServices.h"

#include "document/DocState.h"
#include "document/DocumentFileHooks.h"
#include "document/DocumentHooks.h"
#include "drawing/TypesetDCScope.h"
#include "editor/COndrelView.h"
#include "editor/CaretGeometry.h"
#include "editor/ColorPalette.h"
#include "editor/FormulaClipboard.h"
#include "editor/FormulaMouse.h"
#include "editor/TextBlocks.h"
#include "editor/TypesetDriver.h"
#include "formula/EditorState.h"
#include "formula/TermMoves.h"
#include "platform/PortDC.h"

#include <QAbstractSlider>
#include <QMetaObject>
#include <QRegion>
#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace {

COndrelView* EquationView = nullptr;
CMainFrame* MainFrame = nullptr;
CGraphView* GraphView = nullptr;
PortDC* PrinterDC = nullptr;
EquationPaneCursorSetter CursorSetter = nullptr;

PortDC* PrinterDCOfView()
{
    return EquationView ? PrinterDC : nullptr;
}

PortDC* MeasuringDCOfView()
{
    return EquationView ? PortDC::NewForMeasuring() : nullptr;
}

void DeleteViewDC(PortDC* dc)
{
    delete dc;
}

}  // namespace

COndrelView* GetEquationView()
{
    return EquationView;
}

void SetEquationView(COndrelView* view)
{
    EquationView = view;
}

CMainFrame* GetMainFrame()
{
    return MainFrame;
}

void SetMainFrame(CMainFrame* frame)
{
    MainFrame = frame;
}

CGraphView* GetGraphView()
{
    return GraphView;
}

void SetGraphView(CGraphView* view)
{
    GraphView = view;
}

// The selected term's rectangle in the pane, empty when no term can be dragged.
ShortRect GetSelectionRect()
{
    ShortRect rect{0, 0, 0, 0};
    if (CanDragSelectedTerm())
        CaretRectToWindow(rect);
    return rect;
}

bool CanDragSelectedTerm()
{
    const EditorState* state = GetCurrentEditorState();
    return state && state->current && state->mode == SelectionNode && CanMoveSelectedTerm();
}

void SetEquationViewPrinterDC(PortDC* dc)
{
    PrinterDC = dc;
}

void SetEquationPaneCursorSetter(EquationPaneCursorSetter setter)
{
    CursorSetter = setter;
}

void SetEquationPaneCursorFor(ShortPoint p, bool dragging)
{
    if (CursorSetter)
        CursorSetter(p, dragging);
}

void RegisterEquationPaneHooks()
{
    EquationPaneHooks hooks;
    hooks.hasView = [] { return EquationView != nullptr; };
    hooks.printerDC = &PrinterDCOfView;
    hooks.viewDC = &MeasuringDCOfView;
    hooks.releaseViewDC = &DeleteViewDC;
    SetEquationPaneHooks(hooks);
}

namespace {

int32_t ViewLayoutValue = 0;

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

}  // namespace

void InvalidateEquationLayout()
{
    if (EquationView)
        EquationView->InvalidateLayout();
}

void InvalidateEquationPane()
{
    if (EquationView)
        EquationView->update();
}

void RedrawEquationPane()
{
    InvalidateEquationPane();
}

void FocusEquationView()
{
    if (!EquationView)
        return;
    QWidget* child = EquationView->focusWidget();
    if (child && child != EquationView && EquationView->isAncestorOf(child))
        child->setFocus();
    else
        EquationView->setFocus();
}

void FocusCurrentEditor()
{
    if (!EquationView)
        return;
    DocState* doc = GetDocState();
    if (doc->EditMode == EditTextOrCell && doc->currentLine >= 0 && doc->currentLine < doc->Lines.count &&
        doc->Lines[doc->currentLine].textBox) {
        if (QWidget* box = TextBoxWindow(doc->Lines[doc->currentLine].textBox))
            box->setFocus();
    } else if (doc->EditMode != EditTableColumns && doc->EditMode != EditTableRows) {
        EquationView->setFocus();
    }
    EquationView->UpdateCaret();
}

void UpdateEquationCaret()
{
    if (EquationView)
        EquationView->UpdateCaret();
}

void ScrollEquationCaretIntoView()
{
    if (EquationView)
        EquationView->ScrollCaretIntoView();
}

void ApplyScrollToLines(int32_t totalHeight)
{
    if (EquationView)
        EquationView->ApplyScrollToLines(totalHeight);
}

bool HasVerticalScrollBar()
{
    return EquationView && EquationView->HasVerticalScrollBar();
}

int32_t GetVScrollBarWidth()
{
    return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

int32_t GetHScrollBarHeight()
{
    return GetVScrollBarWidth();
}

int32_t GetAnimationSliderValue()
{
    const DocumentFileHooks& hooks = GetDocumentFileHooks();
    return MainFrame && hooks.getAnimationSliderValue ? hooks.getAnimationSliderValue() : 0;
}

void LayoutLinesWithDC(PortDC* dc)
{
    DocState* doc = GetDocState();
    PortDC* own = dc ? nullptr : PortDC::NewForMeasuring();
    TypesetDCScope scope(dc ? dc : own, true);
    if (!doc->HasNoPanelRows())
        doc->LayoutVariablePanels();
    doc->LayoutLines();
    delete own;
}

void PositionMathPaneSlider(QWidget* slider, int32_t x, int32_t y)
{
    if (slider)
        slider->move(x, y - (EquationView ? EquationView->ScrollPosition() : 0));
}

void DeleteWindowObject(QWidget* window)
{
    delete window;
}

void DestroyAndDeleteWindow(QWidget* window)
{
    if (window)
        window->hide();
    delete window;
}

void SelectAllByEditMode()
{
    DocState* doc = GetDocState();
    switch (doc->EditMode) {
    case EditFormula:
        if (!GetCurrentEditorState())
            return;
        SelectEntireFormula();
        InvalidateEquationPane();
        break;
    case EditValueCell:
    case EditRangeCell:
        doc->SelectAllInField();
        break;
    case EditTextOrCell:
        // Line edits and text edits alike offer selectAll as a slot.
        if (QWidget* box = QApplication::focusWidget(); box && box != EquationView)
            QMetaObject::invokeMethod(box, "selectAll");
        break;
    default:
        break;
    }
}

void RecomputeDocument()
{
    GetDocState()->Recompute();
}

void SetViewLayoutValue(int32_t value)
{
    ViewLayoutValue = value;
}

int32_t GetViewLayoutValue()
{
    return ViewLayoutValue;
}

QWidget* TextBoxWindow(COurEdit* box)
{
    return box && Hooks().textBoxWindow ? Hooks().textBoxWindow(box) : nullptr;
}

void MoveTextBoxBy(COurEdit* box, int32_t dy)
{
    if (QWidget* w = TextBoxWindow(box))
        w->move(w->x(), w->y() + dy);
}

void PlaceTextBox(COurEdit* box, const ShortRect& rect, const ShortRect&)
{
    QWidget* w = TextBoxWindow(box);
    if (!w)
        return;
    // The width first: the height the text needs follows from it.
    w->setGeometry(rect.left, rect.top, ShortRectWidth(rect), std::max(1, w->height()));
    w->resize(w->width(), std::max(1, RequestHeight(box)));
    w->show();
    ShortRect panels;
    if (!GetDocState()->GetPanelsRect(&panels)) {
        w->clearMask();
        return;
    }
    QRegion visible(0, 0, w->width(), w->height());
    visible -= QRect(panels.left - rect.left, panels.top - rect.top, ShortRectWidth(panels), ShortRectHeight(panels));
    if (visible == QRegion(0, 0, w->width(), w->height()))
        w->clearMask();
    else
        w->setMask(visible);
}

int32_t GetTextBoxHeight(COurEdit* box)
{
    QWidget* w = TextBoxWindow(box);
    return w ? std::max(1, w->height()) : 1;
}

void GetMathPaneRectOf(ShortRect* rect, QWidget*)
{
    GetDocState()->GetMathPaneRect(rect);
}

void HideSystemCaret()
{
    if (EquationView)
        EquationView->SetCaretHidden(true);
}

void ShowSystemCaret()
{
    if (EquationView)
        EquationView->SetCaretHidden(false);
}

void InvalidateWindow(QWidget* window)
{
    if (window)
        window->update();
}

void ShowAndFocusWindow(QWidget* window)
{
    if (!window)
        return;
    window->show();
    window->setFocus();
    UpdateEquationCaret();
}

bool IsControlVisible(QWidget* window)
{
    return window && window->isVisible();
}

int32_t GetSliderPos(QWidget* slider)
{
    auto* s = qobject_cast<QAbstractSlider*>(slider);
    return s ? s->value() : 0;
}

void SetSliderPos(int32_t position, QWidget* slider)
{
    if (auto* s = qobject_cast<QAbstractSlider*>(slider)) {
        s->setValue(position);
        s->update();
    }
}

QWidget* CreatePaneScrollBar(bool vertical)
{
    if (!EquationView)
        return nullptr;
    auto* bar = new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, EquationView);
    int thickness = GetVScrollBarWidth();
    bar->resize(vertical ? thickness : 100, vertical ? 100 : thickness);
    return bar;
}

void SetScrollBarRange(QWidget* bar, int32_t max)
{
    if (auto* b = qobject_cast<QScrollBar*>(bar)) {
        b->setRange(0, std::max(0, max));
        b->setPageStep(1);
        b->update();
    }
}

int32_t GetVerticalScrollPos(QWidget* bar)
{
    auto* b = qobject_cast<QScrollBar*>(bar);
    return b ? b->value() : 0;
}

void SetVerticalScrollPos(int32_t position, QWidget* bar)
{
    if (auto* b = qobject_cast<QScrollBar*>(bar))
        b->setValue(position);
    GetDocState()->UpdateTableCellEditor();
}

void TypeDemoKey(uint32_t ch)
{
    if (EquationView)
        EquationView->HandleEditorKeyPress(ch, ch, 0);
}

namespace {
DemoKeyHandler DemoKeys = nullptr;
}  // namespace

void SetDemoKeyHandler(DemoKeyHandler handler)
{
    DemoKeys = handler;
}

void HandleDemoKey(int key)
{
    if (DemoKeys)
        DemoKeys(key);
}

void RegisterEquationViewServices()
{
    DocumentHooks& hooks = GetDocumentHooks();
    hooks.redrawEquationPane = &RedrawEquationPane;
    hooks.scrollEquationCaretIntoView = [](DocState*) { ScrollEquationCaretIntoView(); };
    hooks.isEquationPaneShown = [] { return GetDocState()->IsMathPaneShown(); };
    hooks.layoutEquationPane = &InvalidateEquationLayout;
    hooks.invalidateEquationLayout = &InvalidateEquationLayout;
    hooks.focusEquationView = &FocusEquationView;
    hooks.selectEntireFormula = [](EditorState* state) {
        CurrentEditorStateScope scope(state);
        SelectEntireFormula();
    };
    hooks.formulaMouseUp = &FormulaMouseUp;
    hooks.applyColorPaletteChoice = &ApplyColorPaletteChoice;
}
