#include "formula/Expand.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/Substitution.h"
#include "formula/SymbolicCommand.h"
#include "formula/TreeEquality.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

// The term of the body for the index value, with no ties to the operator.
FormulaNode* TermAt(const FormulaNode* body, const FormulaNode* index, const FormulaNode* value)
{
    FormulaNode* term = MakeSubstitution(CopyTree(body), CopyTree(index), CopyTree(value));
    if (term)
        PerformSubstitution(term);
    return term;
}

}  // namespace

void PeelFirstTerm(FormulaNode* node, int32_t mode)
{
    if (node->childCount != 3)
        return;
    FormulaNode* index = node->children[1];
    if (index->kind != KindEquation || index->childCount != 2)
        return;
    FormulaNode* from = index->children[1];
    FormulaNode* to = node->children[2];
    // A range that ends before it starts holds no term: the empty sum or
    // product, as the evaluator counts it, not its first term.
    if (from->kind == KindNumber && to->kind == KindNumber &&
        from->payload.number->value > to->payload.number->value) {
        ReplaceNode(MakeNumberNode(mode == KindCapitalPi ? 1 : 0), node);
        return;
    }
    FormulaNode* term = TermAt(node->children[0], index->children[0], from);
    if (!term)
        return;
    if (TreesEqual(from, to)) {
        ReplaceNode(term, node);
        return;
    }
    FormulaNode* rest = WrapInBinary(node, term, 0, mode == KindCapitalPi ? KindProduct : KindSum);
    if (!rest)
        return;
    FormulaNode* start = rest->children[1]->children[1];
    AddToNode(start, MakeNumberNode(1));
    SimplifyTree(start);
}

void PeelSumsAndProducts(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        if (ShouldAbortComputation())
            break;
        FormulaNode* node = walk.Node();
        if (node->kind == KindSigma || node->kind == KindCapitalPi)
            PeelFirstTerm(node, node->kind);
    }
}

void PeelSumsInSelection()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    FormulaNode* node = state->current;
    PeelSumsAndProducts(node);
    StripParentheses(node);
    SimplifyTree(node);
    CleanUpSigns(node);
    InvalidateFormulaLayout();
}

void SimplifyCurrentNode()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    SimplifyAndCleanUp(state->current);
    InvalidateFormulaLayout();
}

void ExpandSelection()
{
    SwitchSetting expand(ExpandFlag, 1);
    SimplifyCurrentNode();
}

void ExpandCommand()
{
    SplitEquationsInSelection();
    PeelSumsInSelection();
    ExpandSelection();
}
