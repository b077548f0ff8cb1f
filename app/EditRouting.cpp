#include "app/EditRouting.h"

#include "app/CMainFrame.h"
#include "document/DocState.h"
#include "editor/COndrelView.h"
#include "editor/EditorCommands.h"
#include "editor/FormulaClipboard.h"

#include <QApplication>
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
    if (!FocusIsInFrame(frame) || GetDocState()->EditMode != EditFormula) {
        InvokeOnEditBox("cut");
        return;
    }
    // wired at merge: frame.EquationView()->Cut();
    if (CopyFormulaToClipboard(GetDocState()->CurrentFormula())) {
        DoEditorCommand(kClearSelection);
        AfterFormulaEdit(frame);
    }
}

void EditCopy(CMainFrame& frame)
{
    if (!FocusIsInFrame(frame) || GetDocState()->EditMode != EditFormula) {
        InvokeOnEditBox("copy");
        return;
    }
    // wired at merge: frame.EquationView()->Copy();
    CopyFormulaToClipboard(GetDocState()->CurrentFormula());
}

void EditPaste(CMainFrame& frame)
{
    if (!FocusIsInFrame(frame) || GetDocState()->EditMode != EditFormula) {
        InvokeOnEditBox("paste");
    } else {
        // wired at merge: frame.EquationView()->Paste();
        if (PasteFormulaFromClipboard(GetDocState()->CurrentFormula()))
            AfterFormulaEdit(frame);
    }
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
    // wired at merge: frame.EquationView()->Clear();
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
