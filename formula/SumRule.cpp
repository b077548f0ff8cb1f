// The simplifier's rule for sums: flatten, fold numbers and fractions of
// numbers into one last term, then merge like terms. The other terms keep
// their order; sums are never sorted.
#include "formula/FormulaNode.h"
#include "formula/LikeTerms.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/SimplifierArithmetic.h"
#include "formula/SimplifierRules.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"

#include <cmath>
#include <cstring>

namespace {

// Term i moves to the end; the terms after it shift one place left.
void MoveToEnd(FormulaNode* node, uint32_t i)
{
    FormulaNode* term = node->children[i];
    uint32_t last = node->childCount - 1u;
    std::memmove(node->children + i, node->children + i + 1, (last - i) * sizeof(FormulaNode*));
    node->children[last] = term;
}

// Folds the fraction of numbers a/b at i into the last term when that is a
// number or a fraction of numbers; else moves it to the end. False when a
// zero common divisor stops the rule.
bool FoldNumericFraction(FormulaNode* node, uint32_t i)
{
    uint32_t last = node->childCount - 1u;
    FormulaNode* term = node->children[i];
    FormulaNode* end = node->children[last];
    double a = NumberValue(term->children[0]);
    double b = NumberValue(term->children[1]);
    if (IsNumberNode(end)) {
        SetNumberValue(term->children[0], a + b * NumberValue(end));
        DeleteOperand(node, last);
    } else if (IsNumericFraction(end)) {
        double c = NumberValue(end->children[0]);
        double d = NumberValue(end->children[1]);
        double g = GcdOfIntegers(std::fabs(b), std::fabs(d));
        if (g == 0)
            return false;
        SetNumberValue(end->children[0], c * (b / g) + a * (d / g));
        SetNumberValue(end->children[1], (b / g) * d);
        DeleteOperand(node, i);
    } else {
        MoveToEnd(node, i);
    }
    return true;
}

}  // namespace

RuleResult NormalizeSum(FormulaNode* node)
{
    if (node->childCount == 1) {
        CollapseToFirstChild(node);
        return RuleResult::Finish;
    }
    for (uint32_t i = 0; node->kind == KindSum && i < node->childCount;) {
        FormulaNode* term = node->children[i];
        bool last = i + 1u == node->childCount;
        // A sum too long to take the terms in stays nested.
        if (term->kind == KindSum && FlattenChild(node, i))
            continue;
        if (IsNumberNode(term) && !last) {
            FormulaNode* end = node->children[node->childCount - 1u];
            if (IsNumberNode(end)) {
                SetNumberValue(end, NumberValue(end) + NumberValue(term));
                // Only a failed allocation keeps the term, and it stops all work.
                if (!DeleteOperand(node, i))
                    return RuleResult::Finish;
            } else {
                MoveToEnd(node, i);
            }
            continue;
        }
        if (IsNumericFraction(term) && !last)
            return FoldNumericFraction(node, i) ? RuleResult::Again : RuleResult::Finish;
        ++i;
    }
    if (node->kind == KindSum && IsNumberWithValue(node->children[node->childCount - 1u], 0))
        DeleteOperand(node, node->childCount - 1u);
    if (node->kind == KindSum && CollectLikeTermsFlag)
        CollectLikeTerms(node);
    return RuleResult::Finish;
}
