#include "formula/LikeFactors.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/ChildSlots.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/TreeEquality.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"

namespace {

bool IsPower(const FormulaNode* node)
{
    return node->kind == KindPower && node->childCount == 2;
}

const FormulaNode* BaseOf(const FormulaNode* factor)
{
    return IsPower(factor) ? factor->children[0] : factor;
}

// Adds the number to the power's exponent: into the number, or as a new
// term that is normalised; then the power is normalised.
void AddToExponent(FormulaNode* power, double addend)
{
    FormulaNode* exponent = power->children[1];
    if (IsNumberNode(exponent)) {
        SetNumberValue(exponent, NumberValue(exponent) + addend);
    } else if (AddToNode(exponent, MakeNumberNode(addend))) {
        NormalizeNode(exponent);
    }
    NormalizeNode(power);
}

// The first factor of the denominator (or the denominator itself) that is
// like f; its position in *position.
FormulaNode* FirstLikeFactor(const FormulaNode* f, FormulaNode* denominator, uint32_t* position)
{
    if (denominator->kind != KindProduct) {
        *position = 0;
        return AreLikeFactors(f, denominator) ? denominator : nullptr;
    }
    for (uint32_t j = 0; j < denominator->childCount; ++j) {
        if (AreLikeFactors(f, denominator->children[j])) {
            *position = j;
            return denominator->children[j];
        }
    }
    return nullptr;
}

}  // namespace

bool AreLikeFactors(const FormulaNode* f, const FormulaNode* g)
{
    if (IsPower(g))
        return TreesEqual(g->children[0], BaseOf(f));
    if (IsPower(f))
        return TreesEqual(g, f->children[0]);
    return TreesEqual(g, f) && !IsNumberWithValue(g, 0);
}

void MergeLikeFactors(FormulaNode* product, uint32_t i, uint32_t j)
{
    FormulaNode* f = product->children[i];
    FormulaNode* g = product->children[j];
    if (IsPower(f) && IsPower(g)) {
        FormulaNode* fe = f->children[1];
        FormulaNode* ge = g->children[1];
        if (IsNumberNode(fe) && IsNumberNode(ge)) {
            SetNumberValue(ge, NumberValue(fe) + NumberValue(ge));
        } else if (PrependTerm(ge, Unlink(fe))) {
            NormalizeNode(ge);
        }
        NormalizeNode(g);
        DeleteOperand(product, i);
    } else if (IsPower(f)) {
        AddToExponent(f, 1);
        DeleteOperand(product, j);
    } else if (IsPower(g)) {
        AddToExponent(g, 1);
        DeleteOperand(product, i);
    } else {
        if (RaiseInPlace(f, MakeNumberNode(2)))
            NormalizeNode(f);
        DeleteOperand(product, j);
    }
}

void CombineLikeFactors(FormulaNode* product)
{
    bool merged = false;
    for (uint32_t i = 0; product->kind == KindProduct && i + 1u < product->childCount;) {
        const FormulaNode* f = product->children[i];
        uint32_t end = ContainsMatrix(f) ? i + 2u : product->childCount;
        uint32_t j = i + 1;
        while (j < end && !AreLikeFactors(f, product->children[j]))
            ++j;
        if (j == end) {
            ++i;
            continue;
        }
        MergeLikeFactors(product, i, j);
        merged = true;
        // A merge that could not delete its factor stops all work.
        if (ShouldAbortComputation())
            return;
    }
    // A merge can leave a number among the factors (x y x^-1 -> y 1) or a
    // power out of order (x x y -> x^2 y); the product rule puts both right,
    // so that x y x and y x^2 come out alike.
    if (merged && product->kind == KindProduct)
        NormalizeNode(product);
}

void CancelCommonFactors(FormulaNode* fraction)
{
    uint32_t k = 0;
    while (fraction->kind == KindFraction && fraction->childCount == 2 && !ShouldAbortComputation()) {
        FormulaNode* numerator = fraction->children[0];
        FormulaNode* denominator = fraction->children[1];
        bool split = numerator->kind == KindProduct;
        if (k >= (split ? numerator->childCount : 1u))
            return;
        FormulaNode* f = split ? numerator->children[k] : numerator;
        uint32_t j = 0;
        FormulaNode* g = FirstLikeFactor(f, denominator, &j);
        if (!g) {
            ++k;
            continue;
        }
        // What is left of each side: the power that keeps the difference of
        // the exponents stays, the other factor goes.
        bool fStays = IsPower(f);
        bool gStays = !IsPower(f) && IsPower(g);
        if (IsPower(f) && IsPower(g)) {
            FormulaNode* fe = f->children[1];
            FormulaNode* ge = g->children[1];
            if (IsNumberNode(fe) && IsNumberNode(ge)) {
                SetNumberValue(fe, NumberValue(fe) - NumberValue(ge));
            } else if (PrependTerm(fe, MakeNegation(Unlink(ge)))) {
                NormalizeNode(fe);
            }
            NormalizeNode(f);
        } else if (fStays) {
            AddToExponent(f, -1);
        } else if (gStays) {
            AddToExponent(g, -1);
        }
        if (!fStays) {
            if (f == numerator)
                BecomeNumber(numerator, 1);
            else
                DeleteOperand(numerator, k);
        }
        if (!gStays) {
            if (g == denominator) {
                // The denominator goes whole: the fraction is its numerator.
                CollapseToFirstChild(fraction);
                return;
            }
            DeleteOperand(denominator, j);
        }
        if (IsNumberWithValue(fraction->children[0], 1)) {
            NormalizeNode(fraction);
            return;
        }
    }
}
