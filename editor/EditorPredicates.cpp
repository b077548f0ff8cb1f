#include "editor/EditorPredicates.h"

#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"

namespace {

bool IsPlaceholder(const FormulaNode* node)
{
    return node && node->kind == KindPlaceholder;
}

bool AllVariables(const FormulaNode* node, int32_t first, int32_t last)
{
    if (first < 0 || last >= node->childCount || first > last)
        return false;
    for (int32_t i = first; i <= last; ++i) {
        if (node->children[i]->kind != KindVariable)
            return false;
    }
    return true;
}

// Walking up from the caret while each node is its parent's last child, the
// first script reached: through its second child, the caret ends it.
bool CaretEndsSecondChildOf(int32_t kind, int32_t stopKind)
{
    const EditorState* state = GetCurrentEditorState();
    if (!state || !state->current || state->mode != CaretAfter)
        return false;
    for (const FormulaNode* n = state->current; n->parent; n = n->parent) {
        const FormulaNode* p = n->parent;
        if (IndexInParent(n) != p->childCount - 1)
            return false;
        if (p->kind == kind)
            return p->childCount == 2;
        SyntaxClass cls = SyntaxClassOf(p);
        if (p->kind == stopKind || cls == SyntaxClass::Enclosing || cls == SyntaxClass::Postfix)
            return false;
    }
    return false;
}

}  // namespace

bool HasVisibleSelection()
{
    const EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return false;
    switch (state->mode) {
    case SelectionNode:
        return !IsPlaceholder(state->current) || !state->editedSinceCaretMove;
    case SelectionRun:
    case SelectionGap:
    case SelectionCells:
        return true;
    case InText:
    case InNumber:
    case InIdentifier:
        return state->caret != state->anchor;
    default:
        return false;
    }
}

bool StateHasSelection(const EditorState* state)
{
    if (!state || !state->current || IsPlaceholder(state->current))
        return false;
    switch (state->mode) {
    case SelectionNode:
    case SelectionRun:
    case SelectionGap:
    case SelectionCells:
        return true;
    case InText:
    case InNumber:
    case InIdentifier:
        return state->caret != state->anchor;
    default:
        return false;
    }
}

bool EditorHasSelection()
{
    return StateHasSelection(GetCurrentEditorState());
}

bool IsSubtreeSelected()
{
    const EditorState* state = GetCurrentEditorState();
    return state && state->current && !IsPlaceholder(state->current) &&
           (state->mode == SelectionNode || state->mode == SelectionRun || state->mode == SelectionCells);
}

bool CanMakeStringFromSelection()
{
    const EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return false;
    const FormulaNode* current = state->current;
    switch (state->mode) {
    case SelectionNode:
        return current->kind == KindProduct && AllVariables(current, 0, current->childCount - 1);
    case SelectionRun:
        return current->kind == KindProduct && AllVariables(current, state->caret, state->anchor);
    case CaretAfter: {
        int32_t i = IndexInParent(current);
        return current->kind == KindVariable && i > 0 && current->parent->kind == KindProduct &&
               AllVariables(current->parent, i - 1, i);
    }
    default:
        return false;
    }
}

bool EditorHasFormula()
{
    const EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return false;
    const FormulaNode* root = state->root ? state->root : FormulaRoot(state->current);
    return !IsPlaceholder(root);
}

bool IsTextMode()
{
    const EditorState* state = GetCurrentEditorState();
    return state && state->current && state->mode == InText;
}

bool FormulaStartsWithFunctionHead()
{
    const EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return false;
    const FormulaNode* root = state->root ? state->root : FormulaRoot(state->current);
    if (IsFOfXProduct(root))
        return true;
    return root->kind == KindEquation && root->childCount > 0 && IsFOfXProduct(root->children[0]);
}

bool CaretEndsExponent()
{
    return CaretEndsSecondChildOf(KindPower, KindFraction);
}

bool CaretEndsDenominator()
{
    return CaretEndsSecondChildOf(KindFraction, KindPower);
}
