#include "formula/SymbolicCommand.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/DerivativePasses.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/MatrixPass.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/Substitution.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

namespace {

bool KeepsEquations(int32_t kind)
{
    switch (kind) {
    // An equation inside an equation is one more side, which the simplifier
    // splices in: a = (b = c) is a = b = c.
    case KindEquation:
    case KindComma:
    case KindSubstitution:
    case KindSigma:
    case KindCapitalPi:
    case KindIf:
    case KindAnd:
    case KindOr:
    case KindNot:
        return true;
    default:
        return false;
    }
}

// The node becomes an equation whose side k is a copy of the node with its
// operand i, an equation, replaced by that equation's side k.
void SplitAcross(FormulaNode* node, uint32_t i)
{
    const FormulaNode* equation = node->children[i];
    FormulaNode* split = MakeNode(KindEquation, equation->childCount);
    if (!split)
        return;
    for (uint32_t k = 0; k < equation->childCount; ++k) {
        FormulaNode* side = CopyTree(node);
        if (!side)
            break;
        if (side->childCount > i)
            ReplaceNode(CopyTree(equation->children[k]), side->children[i]);
        split->children[k] = side;
        side->parent = split;
    }
    // Copies made while memory ran out are not the sides they should be.
    if (AbortFlag) {
        FreeTree(split);
        return;
    }
    ReplaceNode(split, node);
}

FormulaNode* CurrentNode()
{
    EditorState* state = GetCurrentEditorState();
    return state ? state->current : nullptr;
}

}  // namespace

void SplitEquations(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next()) {
        if (AbortFlag)
            break;
        FormulaNode* node = walk.Node();
        if (KeepsEquations(node->kind))
            continue;
        // Two equations side by side, as (x = y) + (a = b), have no one
        // split: the node stays as it is.
        int32_t found = -1;
        for (uint32_t i = 0; i < node->childCount && found != -2; ++i) {
            if (node->children[i]->kind == KindEquation)
                found = found == -1 ? static_cast<int32_t>(i) : -2;
        }
        if (found >= 0)
            SplitAcross(node, static_cast<uint32_t>(found));
    }
}

void SplitEquationsInSelection()
{
    FormulaNode* node = CurrentNode();
    if (!node)
        return;
    StripParentheses(node);
    SplitEquations(node);
}

void SimplifySelection()
{
    FormulaNode* node = CurrentNode();
    if (!node)
        return;
    StripParentheses(node);
    SimplifyTree(node);
    EvaluateDerivatives(node);
    SimplifyTree(node);
    CleanUpSigns(node);
    InvalidateFormulaLayout();
}

void SimplifyCommand()
{
    SplitEquationsInSelection();
    SimplifySelection();
    MatrixPassOnSelection();
    ExpandSubstitutionsInSelection();
}
