// The simplifier's rule for products: flatten, gather the numbers in front,
// take minus signs out, distribute over sums when expanding, merge fractions,
// then order and merge the factors.
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/FactorOrder.h"
#include "formula/FormulaNode.h"
#include "formula/LikeFactors.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierRules.h"
#include "formula/SimplifierSwitches.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"

#include <cstring>

namespace {

// Factor i moves to position 0; the factors before it shift one place right.
void MoveToFront(FormulaNode* node, uint32_t i)
{
    FormulaNode* factor = node->children[i];
    std::memmove(node->children + 1, node->children, i * sizeof(FormulaNode*));
    node->children[0] = factor;
}

// Whether multiplying the product out in full would fit in what is left of
// the budget. A product of sums has as many terms as their term counts
// multiplied, so the work grows exponentially with the number of sums.
bool ExpansionFits(const FormulaNode* product)
{
    // A node with its share of child arrays and payloads, and of the copies
    // the simplifier makes on the way.
    constexpr double kBytesPerNode = 64;
    double terms = 1;
    double nodesPerTerm = 1;
    for (uint32_t k = 0; k < product->childCount; ++k) {
        const FormulaNode* factor = product->children[k];
        double nodes = CountNodes(factor);
        if (factor->kind == KindSum && factor->childCount > 0) {
            terms *= factor->childCount;
            nodesPerTerm += nodes / factor->childCount;
        } else {
            nodesPerTerm += nodes;
        }
    }
    return terms * nodesPerTerm * kBytesPerNode <= HeapBudgetLimit() - MemoryBudgetCount();
}

// The product becomes a sum with one term per term of its sum factor i: a
// product of copies of all factors, the sum replaced by a copy of the term.
// An expansion that cannot fit stops at once with the memory failure.
void DistributeOverSum(FormulaNode* node, uint32_t i)
{
    if (!ExpansionFits(node)) {
        PostFailure(FailureOutOfMemory);
        AbortFlag = 1;
        BecomeNumber(node, 0);
        return;
    }
    const FormulaNode* sum = node->children[i];
    uint32_t termCount = sum->childCount;
    uint32_t factorCount = node->childCount;
    FormulaNode* result = MakeNode(KindSum, termCount);
    if (result)
        std::memset(result->children, 0, termCount * sizeof(FormulaNode*));
    for (uint32_t j = 0; result && j < termCount; ++j) {
        FormulaNode* term = MakeNode(KindProduct, factorCount);
        if (!term)
            break;
        std::memset(term->children, 0, factorCount * sizeof(FormulaNode*));
        SetChild(result, j, term);
        for (uint32_t k = 0; k < factorCount; ++k) {
            FormulaNode* copy = CopyTree(k == i ? sum->children[j] : node->children[k]);
            if (copy)
                SetChild(term, k, copy);
            if (!copy || ShouldAbortComputation())
                break;
        }
        if (ShouldAbortComputation())
            break;
    }
    if (!result || ShouldAbortComputation()) {
        // Unfilled slots are null, which freeing passes over.
        FreeTree(result);
        BecomeNumber(node, 0);
        return;
    }
    ReplaceNode(result, node);
    SimplifyTree(node);
}

bool IsFraction(const FormulaNode* node)
{
    return node->kind == KindFraction && node->childCount == 2;
}

// Factor i and the factor p before it, when either is a fraction, become one
// fraction: a/b c/d -> (a c)/(b d), a/b f -> (a f)/b, p c/d -> (p c)/d.
bool MergeFractionFactors(FormulaNode* node, uint32_t i)
{
    FormulaNode* p = node->children[i - 1];
    FormulaNode* f = node->children[i];
    bool pFraction = IsFraction(p);
    bool fFraction = IsFraction(f);
    if (!pFraction && !fFraction)
        return false;
    // The factor that goes is taken out first; the product keeps at least one.
    FormulaNode* gone = RemoveChildAt(node, pFraction ? i : i - 1);
    if (!gone)
        return true;
    if (pFraction && fFraction) {
        SetChild(p, 0, MakeProduct(p->children[0], f->children[0]));
        SetChild(p, 1, MakeProduct(p->children[1], f->children[1]));
        FreeNode(f);
    } else if (pFraction) {
        SetChild(p, 0, MakeProduct(p->children[0], f));
    } else {
        SetChild(f, 0, MakeProduct(p, f->children[0]));
    }
    // The new products inside the fraction are normalised with it.
    NormalizeTwoLevels(node);
    return true;
}

}  // namespace

RuleResult NormalizeProduct(FormulaNode* node)
{
    if (node->childCount == 1) {
        CollapseToFirstChild(node);
        return RuleResult::Finish;
    }
    for (uint32_t i = 0; i < node->childCount;) {
        FormulaNode* factor = node->children[i];
        // A product too long to take the factors in stays nested.
        if (factor->kind == KindProduct && FlattenChild(node, i))
            continue;
        if (IsNumberNode(factor) && i > 0) {
            FormulaNode* first = node->children[0];
            if (!IsNumberNode(first)) {
                MoveToFront(node, i);
                continue;
            }
            SetNumberValue(first, NumberValue(first) * NumberValue(factor));
            DeleteOperand(node, i);
            return RuleResult::Again;
        }
        if (factor->kind == KindMinus && factor->childCount == 1) {
            CollapseToFirstChild(factor);
            FormulaNode* inner = WrapInUnary(node, KindMinus);
            if (inner) {
                NormalizeNode(inner);
                // The sign meets what the inner product became: a leading
                // number takes it, and two signs cancel.
                return NormalizeMinus(node);
            }
            return RuleResult::Finish;
        }
        if (factor->kind == KindSum && ExpandFlag) {
            DistributeOverSum(node, i);
            return RuleResult::Finish;
        }
        if (i > 0 && MergeFractionFactors(node, i))
            return RuleResult::Finish;
        ++i;
    }
    FormulaNode* first = node->children[0];
    if (IsNumberWithValue(first, 1)) {
        DeleteOperand(node, 0);
    } else if (IsNumberWithValue(first, 0)) {
        BecomeNumber(node, 0);
        return RuleResult::Finish;
    }
    if (node->kind == KindProduct && SortFactorsFlag)
        SortFactors(node);
    if (node->kind == KindProduct)
        CombineLikeFactors(node);
    return RuleResult::Finish;
}
