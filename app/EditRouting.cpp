#include "app/EditRouting.h"

#include "app/CMainFrame.h"
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

constexpr int32_t kClearSelection = 8707;

// Edit boxes take cut, copy, paste, undo and selectAll as slots.
bool InvokeOnEditBox(const char* slot)
{
    QWidget* box = FocusedEditBox();
    return box && QMetaObject::invokeMethod(box, slot);
}

void AfterFormulaEdit(CMainFrame& frame)
{
    DocState* doc = GetDocState();
    doc->Recompute();
    if (COndrelView* view = frame.EquationView()) {
        view->RelayoutPane();
        view->update();
    }
}

// The equation pane cuts, copies and pastes formulas and the panels' cells.
COndrelView* PaneForClipboard(const CMainFrame& frame)
{
    const int32_t mode = GetDocState()->EditMode;
    const bool paneMode = mode == EditFormula || mode == EditValueCell || mode == EditRangeCell;
    return paneMode && FocusIsInFrame(frame) ? frame.EquationView() : nullptr;
}

}  // namespace

bool FocusIsInFrame(const CMainFrame& frame)
{
    QWidget* focus = QApplication::focusWidget();
    return !focus || focus == &frame || frame.isAncestorOf(focus);
}

QWidget* FocusedEditBox()
{
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus))
        return focus;
    return nullptr;
}

void EditCut(CMainFrame& frame)
{
    if (COndrelView* view = PaneForClipboard(frame))
        view->Cut();
    else
        InvokeOnEditBox("cut");
}

void EditCopy(CMainFrame& frame)
{
    DocState* doc = GetDocState();
    if ((doc->EditMode == EditTableColumns || doc->EditMode == EditTableRows) && FocusIsInFrame(frame)) {
        // Selected table rows or columns go out as TAB-separated lines.
        char* text = doc->CopyTableSelection();
        if (text)
            QApplication::clipboard()->setText(QString::fromUtf8(text));
        BudgetFree(text);
        return;
    }
    if (COndrelView* view = PaneForClipboard(frame))
        view->Copy();
    else
        InvokeOnEditBox("copy");
}

void EditPaste(CMainFrame& frame)
{
    if (COndrelView* view = PaneForClipboard(frame))
        view->Paste();
    else
        InvokeOnEditBox("paste");
    GetDocState()->UpdateHasPictures();
}

void EditClear(CMainFrame& frame)
{
    if (!FocusIsInFrame(frame))
        return;
    if (GetDocState()->EditMode != EditFormula) {
        InvokeOnEditBox("clear");
        return;
    }
    DoEditorCommand(kClearSelection);
    AfterFormulaEdit(frame);
}

void EditUndo(CMainFrame& frame)
{
    if (!FocusIsInFrame(frame))
        return;
    GetDocState()->Undo();
    if (COndrelView* view = frame.EquationView()) {
        view->RelayoutPane();
        view->update();
        view->setFocus();
    }
}

void EditSelectAll(CMainFrame& frame)
{
    if (!FocusIsInFrame(frame))
        return;
    DocState* doc = GetDocState();
    switch (doc->EditMode) {
    case EditFormula:
    case EditValueCell:
    case EditRangeCell:
        doc->SelectAllInField();
        if (COndrelView* view = frame.EquationView())
            view->update();
        break;
    case EditTextOrCell:
        InvokeOnEditBox("selectAll");
        break;
    default:
        break;
    }
}
