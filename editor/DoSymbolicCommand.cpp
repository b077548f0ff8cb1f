#include "editor/DoSymbolicCommand.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/Calculate.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/Expand.h"
#include "formula/FormulaNode.h"
#include "formula/Isolate.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolicCommand.h"
#include "formula/TermMoves.h"
#include "formula/Transform.h"
#include "formula/TreeRewrite.h"

#include <vector>

namespace {

struct CommandEntry {
    int32_t code;
    void (*run)();
};

const CommandEntry kCommands[] = {
    {8192, SimplifyCommand},
    {8194, ExpandCommand},
    {8199, CalculateSelection},
    {8214, IsolateSelection},
    {8219, TransformCommand},
    {8448, [] { MoveTermCommand(0, 1); }},
    {8449, [] { MoveTermCommand(2, 1); }},
    {8450, [] { MoveTermCommand(1, 1); }},
    {8451, [] { MoveTermCommand(0, -1); }},
    {8452, [] { MoveTermCommand(2, -1); }},
    {8453, [] { MoveTermCommand(1, -1); }},
    {8454, MoveFactorUp},
    {8455, MoveFactorDown},
    {8456, [] { SwapWithNeighbour(-1); }},
    {8457, [] { SwapWithNeighbour(1); }},
};

void RunSteps(int32_t code)
{
    for (const CommandEntry& entry : kCommands) {
        if (entry.code == code) {
            entry.run();
            return;
        }
    }
}

void Dispatch(EditorState* state, int32_t code)
{
    if (state->mode == SelectionRun)
        GroupSelectedRange();
    if (state->mode == SelectionNode) {
        RunSteps(code);
    } else if (state->mode == SelectionCells) {
        FormulaNode* matrix = state->current;
        int32_t anchor = state->anchor;
        int32_t caret = state->caret;
        int32_t columns = matrix->kind == KindMatrix ? matrix->payload.pair.high : 0;
        if (columns > 0 && anchor >= 0 && caret < matrix->childCount) {
            for (int32_t row = anchor / columns; row <= caret / columns; ++row) {
                for (int32_t column = anchor % columns; column <= caret % columns; ++column) {
                    SetEditorSelection(matrix->children[row * columns + column], SelectionNode);
                    Dispatch(state, code);
                }
            }
        }
        SetEditorSelection(matrix, SelectionCells);
        state->anchor = anchor;
        state->caret = caret;
    }
    InvalidateFormulaLayout();
}

// The user hears of every command that ran out of memory, not only the first.
void ReportCommandFailure()
{
    RearmFailure(FailureOutOfMemory);
    PostFailure(FailureOutOfMemory);
    RecoverFromAbort();
}

}  // namespace

void DoSymbolicCommand(int32_t code)
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    // A failure met before this command has been posted; once memory is back
    // within the budget the command may run.
    if (!RecoverFromAbort()) {
        ReportCommandFailure();
        return;
    }
    // The command works on the user's formula in place; a computation stopped
    // half way would leave its stand-in values (0, infinity, NaN) there, so
    // the formula as it was is kept aside and comes back in that case.
    FormulaNode* root = FormulaRoot(state->current);
    std::vector<uint32_t> path = PathFromRoot(state->current);
    int32_t mode = state->mode;
    int32_t anchor = state->anchor;
    int32_t caret = state->caret;
    int32_t previousCommand = state->previousCommand;
    size_t undoSteps = state->undo.size();
    FormulaNode* saved = CopyTreeForEdit(root);
    // Neither copy may be trusted once memory ran out while they were made,
    // and a command without its undo step must not run.
    bool ran = false;
    if (!AbortFlag)
        SaveUndoForEdit(state, code);
    if (!AbortFlag) {
        Dispatch(state, code);
        ran = true;
    }
    if (!AbortFlag) {
        FreeTree(saved);
        return;
    }
    if (state->undo.size() > undoSteps) {
        FreeTree(state->undo.back().formula);
        state->undo.pop_back();
    }
    if (ran)
        ReplaceNode(saved, root);
    else
        FreeTree(saved);
    state->current = NodeAtPath(root, path);
    if (!state->current)
        state->current = root;
    state->mode = mode;
    state->anchor = anchor;
    state->caret = caret;
    state->previousCommand = previousCommand;
    InvalidateFormulaLayout();
    ReportCommandFailure();
}
