// The Text menu's commands on the edited text block, and New Text Block.
#include "editor/COndrelView.h"
#include "editor/TextBlocks.h"

#include "document/DocState.h"
#include "document/DocumentGraphSet.h"
#include "document/DocumentHooks.h"
#include "document/DocumentParseContext.h"
#include "document/DocumentTask.h"
#include "editor/COurEdit.h"
#include "editor/EquationViewServices.h"
#include "formula/EditorState.h"

#include <QTextCursor>

#include <algorithm>

namespace {

constexpr int32_t kSmallestMenuSize = 6;

template <typename... Args>
void Call(void (*hook)(Args...), Args... args)
{
    if (hook)
        hook(args...);
}

// A format change of the edited box: the pane follows its height and the
// document counts as changed.
template <typename Change>
void ChangeCurrentBox(Change change)
{
    COurEdit* box = CurrentTextBox();
    if (!box)
        return;
    SetSelectionFormatWithRelayout(box, change);
    Call(GetDocumentHooks().setDocModified, true);
}

}  // namespace

void ToggleTextEffect(int32_t effect)
{
    const bool on = !(GetSelectionFormat(CurrentTextBox()).effectsOn & effect);
    ChangeCurrentBox([&](COurEdit* box) { SetTextBoxEffect(effect, on ? effect : 0, box); });
}

void SetPlainText()
{
    ChangeCurrentBox([](COurEdit* box) { SetTextBoxEffect(TextBold | TextItalic | TextUnderline, 0, box); });
}

void SetTextMenuSize(int32_t pixels)
{
    if (GetDocState()->IsEditingTable()) {
        GetDocState()->SetTableFontSize(pixels);
        return;
    }
    ChangeCurrentBox([&](COurEdit* box) { SetTextBoxSelectionSize(pixels, box); });
}

void StepTextSize(int32_t delta)
{
    COurEdit* box = CurrentTextBox();
    if (!box)
        return;
    int32_t pixels = GetSelectionFormat(box).pixels;
    if (pixels == 0) {
        // A mixed selection steps from the size of its first character.
        QTextCursor first = box->textCursor();
        first.setPosition(first.selectionStart() + 1);
        pixels = std::max(1, first.charFormat().intProperty(QTextFormat::FontPixelSize));
    }
    if (delta < 0 && pixels <= kSmallestMenuSize)
        return;
    SetTextMenuSize(std::clamp(pixels + delta, kSmallestTextSize, kLargestTextSize));
}

void SetTextMenuFace(const QString& face)
{
    const QByteArray bytes = face.toUtf8();
    ChangeCurrentBox([&](COurEdit* box) { SetTextBoxSelectionFace(bytes.constData(), box); });
}

void COndrelView::OnNewTextBlock(bool before)
{
    DocState* doc = GetDocState();
    const DocumentHooks& hooks = GetDocumentHooks();
    doc->CommitPendingCellEdit();
    doc->StopAnalysis();
    CancelDocumentTask(doc);
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
    if (doc->currentLine < 0 || doc->currentLine >= doc->Lines.count)
        doc->currentLine = before ? 0 : doc->Lines.count - 1;
    const int32_t current = doc->currentLine;
    COurEdit* box = CreateTextBox(doc, true);
    doc->EndEditing();
    doc->EditMode = EditTextOrCell;
    SetCurrentEditorState(nullptr);
    const int32_t neighbour = before ? current - 1 : current + 1;
    const bool valid = current >= 0 && current < doc->Lines.count;
    const int32_t existing = valid && doc->Lines[current].kind == DocLineText ? current
        : neighbour >= 0 && neighbour < doc->Lines.count && doc->Lines[neighbour].kind == DocLineText ? neighbour
        : -1;
    DocLine line;
    InitTextLine(&line);
    line.textBox = box;
    const int32_t index = !valid ? 0 : before ? current : current + 1;
    if (existing >= 0 || !InsertDocLine(&doc->Lines, line, index)) {
        // Next to a text block, that block is edited instead.
        Call(hooks.destroyTextBox, box);
        doc->currentLine = existing >= 0 ? existing : std::max(current, 0);
        if (existing >= 0 && doc->Lines[existing].textBox)
            Call(hooks.showAndSelectTextBox, doc->Lines[existing].textBox);
        else if (existing < 0)
            doc->BeginEditingCurrentLine();
    } else {
        doc->currentLine = index;
        box->show();
        box->setFocus();
    }
    Call(hooks.requestPaneRefresh);
    InvalidateLayout();
    update();
    Call(hooks.rebuildTableFunctions, doc);
    doc->undo.kind = UndoNone;
    RelayoutPane();
    ScrollCaretIntoView();
    Call(hooks.postGraphPaneResize, doc);
    doc->Recompute();
}
