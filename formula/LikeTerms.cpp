#include "formula/LikeTerms.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"

namespace {

bool IsSign(const FormulaNode* node)
{
    return node->kind == KindMinus && node->childCount == 1;
}

const FormulaNode* WithoutSign(const FormulaNode* node)
{
    return IsSign(node) ? node->children[0] : node;
}

// Equal trees without a matrix; the root kinds are compared first, since
// most pairs of a long sum differ there.
bool SameShape(const FormulaNode* a, const FormulaNode* b)
{
    return a->kind == b->kind && a->childCount == b->childCount && TreesEqual(a, b) && !ContainsMatrix(a);
}

// The number a term counts: a leading number, negated under a minus; -1 for
// another minus; else 1.
double Coefficient(const FormulaNode* term)
{
    const FormulaNode* inner = WithoutSign(term);
    double value = IsLedByNumber(inner) ? NumberValue(inner->children[0]) : 1;
    return IsSign(term) ? -value : value;
}

}  // namespace

bool AreLikeTerms(const FormulaNode* t, const FormulaNode* u)
{
    t = WithoutSign(t);
    u = WithoutSign(u);
    bool tProduct = t->kind == KindProduct;
    bool uProduct = u->kind == KindProduct;
    if (tProduct && uProduct) {
        uint32_t ts = IsLedByNumber(t) ? 1 : 0;
        uint32_t us = IsLedByNumber(u) ? 1 : 0;
        if (t->childCount - ts != u->childCount - us)
            return false;
        for (uint32_t k = 0; k + ts < t->childCount; ++k) {
            if (!SameShape(t->children[ts + k], u->children[us + k]))
                return false;
        }
        return true;
    }
    if (tProduct || uProduct) {
        const FormulaNode* product = tProduct ? t : u;
        const FormulaNode* other = tProduct ? u : t;
        return product->childCount == 2 && IsNumberNode(product->children[0]) &&
            SameShape(product->children[1], other);
    }
    return SameShape(t, u);
}

void MergeLikeTerms(FormulaNode* sum, uint32_t i, uint32_t j)
{
    double b = Coefficient(sum->children[i]);
    FormulaNode* term = sum->children[j];
    FormulaNode* inner = IsSign(term) ? term->children[0] : term;
    if (IsLedByNumber(inner)) {
        FormulaNode* c = inner->children[0];
        SetNumberValue(c, inner == term ? NumberValue(c) + b : NumberValue(c) - b);
    } else {
        PrependFactor(inner, MakeNumberNode(inner == term ? b + 1 : 1 - b));
    }
    NormalizeChildrenAndNode(term);
    DeleteOperand(sum, i);
}

void CollectLikeTerms(FormulaNode* sum)
{
    for (uint32_t i = 0; sum->kind == KindSum && i + 1u < sum->childCount;) {
        uint32_t j = i + 1;
        while (j < sum->childCount && !AreLikeTerms(sum->children[j], sum->children[i]))
            ++j;
        if (j == sum->childCount) {
            ++i;
            continue;
        }
        MergeLikeTerms(sum, i, j);
        // A merge that could not delete its term stops all work.
        if (ShouldAbortComputation())
            return;
    }
    SwitchSetting collecting(CollectLikeTermsFlag, 0);
    NormalizeNode(sum);
}
