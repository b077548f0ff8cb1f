#include "editor/EditorState.h"

#include "formula/FormulaNode.h"
#include "formula/TreeWalk.h"

namespace {

// User-interface thread only.
EditorState* currentState = nullptr;

}  // namespace

EditorState* GetCurrentEditorState()
{
    return currentState;
}

void SetCurrentEditorState(EditorState* state)
{
    currentState = state;
}

void InvalidateFormulaLayout()
{
    EditorState* state = currentState;
    if (!state)
        return;
    state->layoutValid = 0;
    if (!state->root)
        return;
    for (PreorderWalk walk(state->root); walk.Node(); walk.Next())
        walk.Node()->EnsureLayoutBox();
    if (LayoutBox* box = state->root->layoutBox) {
        box->depth = 0;
        box->height = 0;
        box->width = 0;
    }
}
