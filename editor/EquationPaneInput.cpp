// What a press, a drag or a key in the equation pane means, decided by the
// position and the edit mode: a swatch, a formula to edit, a key for the
// editor, Backspace on an empty line, Ctrl+arrows between lines, and the
// hidden Ctrl+Shift keys.
#include "document/DocState.h"

#include "CoreUtilities/GraphWorkerPool.h"

#include "document/DocLine.h"
#include "document/DocumentHooks.h"
#include "document/DocumentTask.h"
#include "drawing/ClipRegionSaver.h"
#include "editor/COndrelView.h"
#include "editor/ColorPalette.h"
#include "editor/EditorCommands.h"
#include "editor/EditorStateLife.h"
#include "editor/EquationPaneInput.h"
#include "editor/EquationViewServices.h"
#include "editor/TableEditing.h"
#include "editor/FormulaMouse.h"
#include "editor/LineWrapping.h"
#include "editor/TypesetDriver.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/IsCaretMoveCommand.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "graphs2d/GraphSet.h"

#include <algorithm>

namespace {

constexpr uint32_t kBackspaceKey = 8;
constexpr uint32_t kRecomputeKey = 26;
constexpr int32_t kHintEndOfExponent = 28;
constexpr int32_t kHintEndOfFraction = 29;
constexpr int32_t kHintProductLikeCall = 30;

// The press point stays until the next press: a drag extends a formula's
// selection only when the press lay inside it.
ShortPoint PressPoint{0, 0};

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

WindowHandle PaneWindow()
{
    return GetEquationView();
}

bool IsEmptyFormula(const EditorState* state)
{
    const FormulaNode* root = GetEditorRoot(state);
    return root && root->kind == KindPlaceholder;
}

// A graphs-off pause of the document's work before a line goes.
void StopDocumentWork(DocState* doc)
{
    doc->StopAnalysis();
    CancelDocumentTask(doc);
    if (doc->Graphs)
        doc->Graphs->ClearAllGraphs();
}

// The caret stands after the last character of its node's text, or after
// the node.
bool CaretAtNodeEnd(const EditorState* state)
{
    const FormulaNode* node = state->current;
    switch (state->mode) {
    case CaretAfter:
        return true;
    case InNumber: {
        if (state->caret != state->anchor || !node->payload.number)
            return false;
        int32_t length = 0;
        while (length < kTypedNumberUnits && node->payload.number->text[length])
            ++length;
        return state->caret >= length;
    }
    default:
        return false;
    }
}

// A press in the range panel edits the cell under it; one in the value panel
// edits its cell, or with Ctrl makes its variable the slider's.
bool PressInPanels(DocState* doc, const PanePress& press)
{
    ShortRect panelsRect;
    if (!doc->GetPanelsRect(&panelsRect))
        return false;
    if (PointInShortRect(press.point, doc->panels.rangePanelRect)) {
        doc->EndEditing();
        doc->EditMode = EditRangeCell;
        int32_t row = 0, side = 0;
        if (doc->RangeCellAt(press.point, &row, &side))
            doc->BeginRangeCellEdit(row, side, press.point, press.doubleClick);
        Call(Hooks().refreshAnimationControls);
        UpdateEquationCaret();
        return true;
    }
    const int32_t variables = doc->Variables ? doc->Variables->count : 0;
    if (!PointInShortRect(press.point, doc->panels.valuePanelRect) || variables == 0 || !doc->IsGraphPaneShown())
        return false;
    const int32_t cell = doc->ValueCellAt(press.point);
    if (press.modifiers & 1) {
        if (cell >= 0) {
            if (doc->EditMode == EditValueCell)
                doc->EndEditing();
            doc->SliderVariable = static_cast<uint8_t>((*doc->Variables)[cell].key & 0xFF);
            doc->StopGraphing();
            doc->BeginGraphing();
        }
    } else {
        doc->EndEditing();
        doc->EditMode = EditValueCell;
        if (cell >= 0)
            doc->BeginValueCellEdit(cell, press.point, press.doubleClick);
    }
    UpdateEquationCaret();
    return true;
}

}  // namespace

FormulaRect FormulaRectOf(EditorState* state)
{
    MakeEditorStateCurrent(state, PaneWindow());
    RelayoutFormula();
    FormulaRect r;
    SetShortRect(r.rect, state->originV, state->originH, state->originV + static_cast<int32_t>(GetFormulaHeight()),
                 state->originH + static_cast<int32_t>(GetFormulaWidth()));
    return r;
}

int32_t EditHintCode(DocState* doc)
{
    if (doc->EditMode != EditFormula || doc->currentLine < 0 || doc->currentLine >= doc->Lines.count)
        return 0;
    EditorState* state = doc->CurrentFormula();
    if (!state || !state->current)
        return 0;
    if (CaretAtNodeEnd(state)) {
        // Up from the node while it ends its parent.
        const FormulaNode* node = state->current;
        for (const FormulaNode* parent = node->parent; parent; node = parent, parent = parent->parent) {
            if (parent->childCount < 2)
                continue;
            if (parent->kind == KindPower && parent->children[1] == node)
                return kHintEndOfExponent;
            if (parent->kind == KindFraction && parent->children[1] == node)
                return kHintEndOfFraction;
            if (parent->children[parent->childCount - 1] != node)
                break;
        }
    }
    const FormulaNode* root = GetEditorRoot(state);
    if (root && root->kind == KindEquation && root->childCount == 2)
        root = root->children[0];
    return root && IsFOfXProduct(root) ? kHintProductLikeCall : 0;
}

void DocState::OnMouseDown(const PanePress& press)
{
    CommitPendingCellEdit();
    ClearEditHint();
    currentValueCell = -1;
    currentRangeRow = -1;
    PressPoint = press.point;
    if (PressInPanels(this, press))
        return;
    {
        ClipRegionSaver clip(equationPaneRect);
        if (EditMode == EditFormula && CanDragSelectedTerm() && PointInShortRect(press.point, GetSelectionRect())) {
            SetEquationPaneCursorFor(press.point, true);
            FormulaMouseDown(press.point, press.modifiers & 2, true, CurrentFormula(), press.doubleClick, PaneWindow());
            Call(Hooks().updateGraphPaneCursor);
            UpdateEquationCaret();
            return;
        }
        for (int32_t i = 0; i < Lines.count; ++i) {
            DocLine& line = Lines[i];
            if (line.kind == DocLineTable) {
                if (PressTableLine(this, i, press))
                    break;
                continue;
            }
            if (line.kind != DocLineEquation || !line.formula)
                continue;  // text blocks take their own presses
            ShortRect swatch;
            GetSwatchRect(&swatch, i, false);
            bool swatchShown = !DrawGraph || (line.graphs && line.graphs->count > 0);
            if (swatchShown && PointInShortRect(press.point, swatch)) {
                const bool extended = Graphs && Graphs->Shows3DOr4DView() && Hooks().allSurfaceForms &&
                                      Hooks().allSurfaceForms(&line, this);
                OpenColorPalette(line.picture ? 0 : line.Color, extended, swatch.top, swatch.left, i);
                Call(Hooks().redrawEquationPane);
                Call(Hooks().updateGraphPaneCursor);
                UpdateEquationCaret();
                return;
            }
            FormulaRect formula = FormulaRectOf(line.formula);
            if (press.point.v > formula.rect.bottom)
                continue;
            if (i != currentLine || EditMode != EditFormula) {
                EndEditing();
                EditMode = EditFormula;
                currentLine = i;
                FocusEquationView();
                Call(Hooks().activateEditorState, line.formula, PaneWindow());
                if (press.modifiers & 2) {
                    CurrentEditorStateScope scope(line.formula);
                    SelectEntireFormula();
                    line.formula->mode = CaretAfter;
                }
            }
            ShortPoint pinned;
            PinPointToRect(pinned, formula.rect, press.point);
            FormulaMouseDown(pinned, press.modifiers & 2, false, line.formula, press.doubleClick, PaneWindow());
            break;
        }
        Call(Hooks().updateGraphPaneCursor);
    }
    UpdateEquationCaret();
}

uint8_t DocState::OnMouseMove(ShortPoint point, WindowHandle)
{
    if (paletteLine != 0)
        return TrackColorPalette(point) ? 1 : 0;
    switch (EditMode) {
    case EditFormula: {
        EditorState* state = currentLine >= 0 && currentLine < Lines.count ? CurrentFormula() : nullptr;
        if (!state)
            return 0;
        FormulaRect formula = FormulaRectOf(state);
        if (PressPoint.v < formula.rect.top || PressPoint.v >= formula.rect.bottom)
            return 0;
        ShortPoint pinned;
        PinPointToRect(pinned, formula.rect, point);
        FormulaMouseDrag(static_cast<uint16_t>(pinned.v) | static_cast<uint32_t>(static_cast<uint16_t>(pinned.h)) << 16);
        return 1;
    }
    case EditValueCell:
        return DragSelectValueCell(point);
    case EditRangeCell:
        return DragSelectRangeCell(point);
    default:
        if (DragTableEdge(this, point))
            return 1;
        return ExtendTableSelection(point) ? 1 : 0;
    }
}

void DocState::OnKeyDown(uint32_t ch, uint32_t ch2, uint32_t flags, WindowHandle view)
{
    if (HandleHiddenShortcut(flags, ch, ch2))
        return;
    CommitPendingCellEdit();
    // Table keys (Enter and Tab between cells, Backspace on an empty row)
    // join once tables are built.
    if ((flags & 3) == 1 && (ch == kKeyUp || ch == kKeyDown)) {
        int32_t next = currentLine + (ch == kKeyUp ? -1 : 1);
        if (next >= 0 && next < Lines.count) {
            EndEditing();
            currentLine = next;
            BeginEditingCurrentLine();
            ScrollEquationCaretIntoView();
        }
        UpdateEquationCaret();
        return;
    }
    if ((flags & 1) && ch == kBackspaceKey) {
        ClearDocument();
        UpdateEquationCaret();
        return;
    }
    switch (EditMode) {
    case EditFormula: {
        if (currentLine < 0 || currentLine >= Lines.count)
            break;
        EditorState* state = CurrentFormula();
        if (!state)
            break;
        DocLine& line = Lines[currentLine];
        if (ch == kBackspaceKey && IsEmptyFormula(state) && Lines.count >= 2 && line.kind == DocLineEquation) {
            undo.kind = UndoNone;
            StopDocumentWork(this);
            RemoveCurrentLine();
            break;
        }
        EditorCommandCode code = HandleEditorKey(ch, ch2, flags, state, view);
        if (!IsMathPaneShown() && (code != 0 || ch == ' '))
            Call(Hooks().requestPaneRefresh);
        if (code == 0)
            break;
        if (IsCaretMoveCommand(code)) {
            RefreshEditState();
        } else {
            Recompute();
            undo.kind = UndoFormulaEdit;
            undo.lineIndex = static_cast<int16_t>(currentLine);
        }
        InvalidateEquationLayout();
        break;
    }
    case EditValueCell:
    case EditRangeCell:
        if (!(flags & 1))
            OnPanelKey(static_cast<char16_t>(ch));
        break;
    default:
        // Text boxes take their own keys but Backspace in an empty box,
        // which removes the block; tables join once they are built.
        if (ch == kBackspaceKey && IsEditingTextBlock() && Lines.count >= 2) {
            undo.kind = UndoNone;
            RemoveCurrentLine();
        }
        break;
    }
    UpdateEquationCaret();
}

namespace {

// The edited equation becomes its first analysed statement, as Undo can
// take back.
void ReplaceByFirstStatement(DocState* doc)
{
    if (!doc->IsEditingEquation())
        return;
    const DocLine* line = doc->CurrentLine();
    EditorState* state = doc->CurrentFormula();
    if (!line || !state || !state->root || !line->statements || line->statements->count == 0)
        return;
    FormulaNode* first = CopyTree((*line->statements)[0]);
    if (!first)
        return;
    doc->SaveUndoForEdit();
    ReplaceNode(first, state->root);
    state->current = state->root;
    state->layoutValid = 0;
    doc->BeginEditingCurrentLine();
    doc->Recompute();
}

}  // namespace

bool HandleHiddenShortcut(uint32_t flags, uint32_t ch, uint32_t ch2)
{
    DocState* doc = GetDocState();
    if (ch == kRecomputeKey) {
        doc->Recompute();
        return true;
    }
    if ((flags & 3) != 3)
        return false;
    // Shift is held, so letters arrive as capitals.
    uint32_t key = ch2 >= 'A' && ch2 <= 'Z' ? ch2 + 32 : ch2;
    switch (key) {
    case 'f':
        FrameRateMeterSwitch = !FrameRateMeterSwitch;
        InvalidateEquationPane();
        return true;
    case '6':
    case '7':
    case '8':
        if (doc->IsEditingEquation()) {
            DocLine* line = doc->CurrentLine();
            line->PlottingMode = key - '6';
            if (doc->Graphs && line->graphs)
                for (int32_t graph : *line->graphs)
                    doc->Graphs->SetEquationOption(graph, 0, line->PlottingMode);
        }
        return true;
    case 'd':
        if (doc->IsEditingEquation()) {
            DocLine* line = doc->CurrentLine();
            line->XYType += line->XYType < 4 ? 4 : -4;
            if (doc->Graphs && line->graphs)
                for (int32_t graph : *line->graphs)
                    doc->Graphs->SetEquationOption(graph, 13, line->XYType >= 4 ? 1 : 0);
        }
        return true;
    case '0':
    case '9':
        RestartGraphWorkers(key == '0' ? 0 : 1);
        return true;
    case 'a':
    case 'x':
    case 'y':
    case 'z':
        if (auto* graphs = dynamic_cast<GraphSet*>(doc->Graphs))
            graphs->SetViewOption(key == 'a' ? 17 : static_cast<int32_t>(key - 'x') + 2, WhichBoth);
        return true;
    case 'g':
        doc->ToggleGraphPaper(2);
        return true;
    case 'r':
        doc->TogglePaperBackground();
        return true;
    case 'v':
        ReplaceByFirstStatement(doc);
        return true;
    default:
        return false;
    }
}
