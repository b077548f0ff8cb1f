// The one undo record: a formula before a run of edits, a text box's own
// undo, or the whole document as text before an operation that rewrites
// many lines.
#include "CoreUtilities/MemoryBudget.h"
#include "document/DocState.h"
#include "document/DocumentHooks.h"
#include "document/DocumentReader.h"
#include "document/DocumentWriter.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"

#include <cstring>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

int16_t IndexInParent(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    for (int32_t i = 0; parent && i < parent->childCount; ++i) {
        if (parent->children[i] == node)
            return static_cast<int16_t>(i);
    }
    return 0;
}

// The node reached from the root through the path, last entry first; the
// root wherever the path no longer fits the tree.
FormulaNode* NodeOnPath(FormulaNode* root, const int16_t* path, int32_t length)
{
    FormulaNode* node = root;
    for (int32_t i = length - 1; i >= 0 && node; --i) {
        if (path[i] < 0 || path[i] >= node->childCount)
            return root;
        node = node->children[path[i]];
    }
    return node ? node : root;
}

// The formula an undo record of kind 1 belongs to, or null when its line has
// gone or has changed kind.
EditorState* SavedFormula(DocState* doc)
{
    const int32_t index = doc->undo.lineIndex;
    if (index < 0 || index >= doc->Lines.count)
        return nullptr;
    DocLine& line = doc->Lines[index];
    if (line.kind == DocLineTable)
        return line.table && Hooks().tableHeaderFormula ? Hooks().tableHeaderFormula(line.table, doc->undo.tableColumn)
                                                       : nullptr;
    return line.kind == DocLineEquation ? line.formula : nullptr;
}

// Frees what the record owns without telling the editor, which is in the
// middle of the command that saves.
void ReleaseUndoRecord(UndoRecord& undo)
{
    FreeTree(undo.formula);
    BudgetFree(undo.caretPath);
    BudgetFree(undo.snapshotText);
    undo = UndoRecord{};
}

}  // namespace

void DocState::SaveUndoForEdit()
{
    if (currentLine < 0 || currentLine >= Lines.count)
        return;
    EditorState* state = CurrentFormula();
    if (!state || !state->root)
        return;
    ReleaseUndoRecord(undo);
    undo.kind = UndoFormulaEdit;
    undo.lineIndex = static_cast<int16_t>(currentLine);
    if (Lines[currentLine].kind == DocLineTable)
        undo.tableColumn = static_cast<int16_t>(currentTableColumn);
    undo.formula = CopyTree(state->root);
    undo.selectionMode = state->mode;
    undo.caret = static_cast<int16_t>(state->caret);
    undo.anchor = static_cast<int16_t>(state->anchor);
    int32_t depth = 0;
    for (const FormulaNode* node = state->current; node && node->parent; node = node->parent)
        ++depth;
    if (depth == 0 || depth > INT16_MAX)
        return;
    undo.caretPath = static_cast<int16_t*>(BudgetMalloc(static_cast<uint32_t>(depth) * sizeof(int16_t), false));
    if (!undo.caretPath)
        return;
    int32_t i = 0;
    for (const FormulaNode* node = state->current; node && node->parent; node = node->parent)
        undo.caretPath[i++] = IndexInParent(node);
    undo.caretPathLength = static_cast<int16_t>(depth);
}

void DocState::RestoreUndoEdit()
{
    if (!undo.formula)
        return;
    EditorState* state = CurrentFormula();
    if (!state)
        return;
    FormulaNode* formula = undo.formula;
    int16_t* path = undo.caretPath;
    const int32_t pathLength = undo.caretPathLength;
    const int32_t mode = undo.selectionMode, caret = undo.caret, anchor = undo.anchor;
    undo.formula = nullptr;
    undo.caretPath = nullptr;
    undo.caretPathLength = 0;

    // What this replaces is what a second Undo gives back.
    SaveUndoForEdit();
    FreeTree(state->root);
    state->layoutValid = 0;
    state->root = formula;
    state->mode = static_cast<SelectionMode>(mode);
    state->caret = caret;
    state->anchor = anchor;
    state->current = path ? NodeOnPath(formula, path, pathLength) : formula;
    BudgetFree(path);
    // Forgets the editor's last commands, so that the next key starts a new record.
    if (Hooks().resetEditorUndo)
        Hooks().resetEditorUndo();
}

bool DocState::SaveUndoSnapshot()
{
    char* text = WriteDocumentText(this);
    if (!text)
        return false;
    FreeUndoRecord();
    undo.kind = UndoDocumentText;
    undo.snapshotText = text;
    return true;
}

void DocState::Undo()
{
    switch (undo.kind) {
    case UndoFormulaEdit: {
        EditorState* state = SavedFormula(this);
        if (!state) {
            FreeUndoRecord();
            return;
        }
        EndEditing();
        EditMode = EditFormula;
        currentLine = undo.lineIndex;
        if (Lines[currentLine].kind == DocLineTable) {
            currentTableColumn = undo.tableColumn;
            currentTableRow = 0;
        }
        SetCurrentEditorState(state);
        if (Hooks().activateEditorState)
            Hooks().activateEditorState(state, state->window);
        RestoreUndoEdit();
        Recompute();
        if (Hooks().focusEquationView)
            Hooks().focusEquationView();
        break;
    }
    case UndoTextBox: {
        const int32_t index = undo.lineIndex;
        if (Hooks().setDocModified)
            Hooks().setDocModified(true);
        if (index < 0 || index >= Lines.count)
            break;
        EndEditing();
        currentLine = index;
        EditMode = EditTextOrCell;
        SetCurrentEditorState(nullptr);
        const WindowHandle box = CurrentEditWindow();
        if (box && Hooks().undoInEditWindow && Hooks().undoInEditWindow(this, box) && Hooks().layoutEquationPane)
            Hooks().layoutEquationPane();
        if (Hooks().updateGraphBar)
            Hooks().updateGraphBar();
        if (Hooks().commitTableCellEdit && Lines[index].kind == DocLineTable)
            Hooks().commitTableCellEdit(this);
        break;
    }
    case UndoDocumentText: {
        EndEditing();
        char* snapshot = undo.snapshotText;
        undo.snapshotText = nullptr;
        const int32_t divider = PaneDivider;
        // Should the snapshot not read back, the document as it stands now
        // is read back instead and the snapshot stays offered.
        char* current = WriteDocumentText(this);
        if (!current) {
            undo.snapshotText = snapshot;
            return;
        }
        FreeUndoRecord();
        Reset(GraphPaneWindow);
        const bool read = ReadDocumentText(this, snapshot, std::strlen(snapshot));
        if (!read) {
            Reset(GraphPaneWindow);
            ReadDocumentText(this, current, std::strlen(current));
        }
        PaneDivider = divider;
        BudgetFree(current);
        if (read) {
            BudgetFree(snapshot);
            undo.kind = UndoNone;
        } else {
            undo.kind = UndoDocumentText;
            undo.snapshotText = snapshot;
        }
        Recompute();
        if (read) {
            if (Hooks().refreshAnimationControls)
                Hooks().refreshAnimationControls();
            if (Hooks().postGraphPaneResize)
                Hooks().postGraphPaneResize(this);
            if (Hooks().updateGraphBar)
                Hooks().updateGraphBar();
            if (Hooks().setDocModified)
                Hooks().setDocModified(true);
        }
        if (Lines.count > 0) {
            currentLine = 0;
            BeginEditingCurrentLine();
        }
        break;
    }
    default:
        break;
    }
}
