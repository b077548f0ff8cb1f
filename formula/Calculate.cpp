#include "formula/Calculate.h"

#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SubtreeValue.h"
#include "formula/TreeConstness.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeWalk.h"

#include <cmath>

namespace {

// Every node has one value; an index counts only where its own summation is
// part of the subtree.
bool IsCalculable(const FormulaNode* node, DocState* doc)
{
    return IsConstantTreeAllowingBound(node, node->parent, doc);
}

// Replaces the node by its value; false when it has none.
bool ReplaceByValue(FormulaNode* node, DocState* doc)
{
    if (ContainsIntervalNode(node)) {
        Interval value = EvaluateSubtreeInterval(node, doc);
        if (std::isnan(value.lo) || std::isnan(value.hi))
            return false;
        ReplaceNode(MakeBinaryNode(KindInterval, MakeNumberNode(value.lo), MakeNumberNode(value.hi)), node);
        return true;
    }
    double value = EvaluateSubtreeReal(node, doc);
    if (!std::isnan(value)) {
        BecomeNumber(node, value);
        return true;
    }
    ComplexValue complex = EvaluateSubtreeComplex(node, doc);
    if (std::isnan(complex.re) || std::isnan(complex.im))
        return false;
    ReplaceNode(MakeComplexNumberNode(complex.re, complex.im), node);
    return true;
}

}  // namespace

void CalculateSubtree(FormulaNode* root, DocState* doc)
{
    PreorderWalk walk(root);
    while (FormulaNode* node = walk.Node()) {
        if (node->kind != KindNumber && !KeepsItsForm(node) && IsCalculable(node, doc) && ReplaceByValue(node, doc))
            walk.SkipSubtree();
        else
            walk.Next();
    }
}

void CalculateSelection()
{
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    FormulaNode* node = state->current;
    StripParentheses(node);
    CalculateSubtree(node, state->document);
    CleanUpSigns(node);
    InvalidateFormulaLayout();
}
