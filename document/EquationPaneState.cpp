// The equation pane's document side that needs no typesetting: the pane's
// shown state, a line's busy state, entering a line's edit mode, removing
// a line and clearing the document.
#include "document/DocState.h"

#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "document/DocumentWriter.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"

#include <new>

namespace {

const DocumentHooks& Hooks()
{
    return GetDocumentHooks();
}

template <typename... Args>
void Call(void (*hook)(Args...), Args... args)
{
    if (hook)
        hook(args...);
}

bool ValidLine(const DocState* doc, int32_t index)
{
    return index >= 0 && index < doc->Lines.count;
}

void ActivateFormula(DocState* doc, EditorState* state)
{
    if (Hooks().activateEditorState)
        Hooks().activateEditorState(state, doc->GraphPaneWindow);
    else
        SetCurrentEditorState(state);
}

}  // namespace

bool DocState::IsMathPaneShown() const
{
    const ShortRect& p = equationPaneRect;
    return (StackPanes ? ShortRectWidth(p) : ShortRectHeight(p)) > 27;
}

bool DocState::IsLineInProgress(const DocLine* line) const
{
    if (!line)
        return false;
    if (GraphBuildPhase == 2)
        return buildingLine >= 0 && buildingLine < Lines.count && &Lines[buildingLine] == line;
    return GraphBuildPhase == 1 && AnalysisThread != NoCoopThread && lineBeingAnalysed == line;
}

bool DocState::IsFirstIncompleteLine(const DocLine* line) const
{
    return line && firstIncompleteLine == line;
}

bool DocState::IsLineBusy(const DocLine* line) const
{
    return IsLineInProgress(line) || IsFirstIncompleteLine(line);
}

bool DocState::IsLineStatusShown(const DocLine* line) const
{
    return (line->status != 0 && line->Color != 17) || IsLineBusy(line);
}

void DocState::ClearTransformRecord()
{
    for (FormulaNode*& component : transform.components) {
        FreeTree(component);
        component = nullptr;
    }
    transform.kind = 0;
    transform.line = nullptr;
}

bool AddLineGraph(DocLine* line, int32_t graph)
{
    if (!line->graphs) {
        line->graphs = new (std::nothrow) GrowArray<int32_t>;
        if (!line->graphs)
            return false;
    }
    return line->graphs->Push(graph) == 0;
}

void DocState::BeginEditingCurrentLine()
{
    if (!ValidLine(this, currentLine)) {
        EditMode = EditNothing;
        currentLine = -1;
        SetCurrentEditorState(nullptr);
        return;
    }
    DocLine& line = Lines[currentLine];
    switch (line.kind) {
    case DocLineEquation:
        EditMode = EditFormula;
        ActivateFormula(this, line.formula);
        Call(Hooks().selectEntireFormula, line.formula);
        RefreshEditState();
        break;
    case DocLineText:
        EditMode = EditTextOrCell;
        SetCurrentEditorState(nullptr);
        if (line.textBox)
            Call(Hooks().showAndSelectTextBox, line.textBox);
        break;
    default:
        currentTableRow = 0;
        currentTableColumn = 0;
        EditMode = EditTextOrCell;
        SetCurrentEditorState(nullptr);
        Call(Hooks().beginTableCellEdit, this);
        break;
    }
    Call(Hooks().refreshAnimationControls);
    Call(Hooks().postGraphPaneResize, this);
    Call(Hooks().focusEquationView);
    Call(Hooks().redrawEquationPane);
}

void DocState::BeginFirstLine()
{
    EndEditing();
    if (Lines.count == 0)
        return;
    currentLine = 0;
    DocLine& line = Lines[0];
    if (line.kind == DocLineEquation && line.formula) {
        EditMode = EditFormula;
        ActivateFormula(this, line.formula);
    } else {
        EditMode = EditTextOrCell;
        // A table opens its first cell, whose text the cell editor then shows.
        if (line.kind == DocLineTable && line.table) {
            currentTableRow = 0;
            currentTableColumn = 0;
            Call(Hooks().beginTableCellEdit, this);
        }
    }
}

void DocState::RemoveCurrentLine()
{
    if (!ValidLine(this, currentLine))
        return;
    if (EditMode == EditTextOrCell)
        Call(Hooks().hideTableCellEditor, tableCellEditor);
    DocLine& line = Lines[currentLine];
    if (GetCurrentEditorState() == line.formula)
        SetCurrentEditorState(nullptr);
    FreeDocLine(&line);
    RemoveDocLine(&Lines, currentLine);
    // With no line left nothing is current; the join needs a line after.
    currentLine = Lines.count == 0 ? -1 : (currentLine > 0 ? currentLine - 1 : 0);
    if (EditMode != EditNothing && currentLine >= 0 && currentLine + 1 < Lines.count &&
        Lines[currentLine].kind == DocLineText && Lines[currentLine + 1].kind == DocLineText &&
        Hooks().mergeNextTextBlock) {
        EditMode = EditTextOrCell;
        Hooks().mergeNextTextBlock(this);
        FreeDocLine(&Lines[currentLine + 1]);
        RemoveDocLine(&Lines, currentLine + 1);
    }
    BeginEditingCurrentLine();
    Call(Hooks().redrawEquationPane);
    StopAnalysis();
    CancelDocumentTask(this);
    Call(Hooks().rebuildTableFunctions, this);
    Recompute();
    Call(Hooks().setDocModified, true);
}

void DocState::ClearDocument()
{
    char* snapshot = WriteDocumentText(this);
    Call(Hooks().setDocModified, true);
    if (Graphs)
        Graphs->ClearAllGraphs();
    FreeLines();
    InsertEquationLine();
    Call(Hooks().postGraphPaneResize, this);
    Call(Hooks().invalidateEquationLayout);
    FreeUndoRecord();
    undo.snapshotText = snapshot;
    undo.kind = snapshot ? UndoDocumentText : UndoNone;
}
