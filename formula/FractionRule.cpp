// The simplifier's rule for fractions: signs move in front, common number
// factors are divided out, nested fractions are undone, 0/x and x/1 fold,
// and factors with one base cancel.
#include "formula/ChildSlots.h"
#include "formula/FormulaNode.h"
#include "formula/LikeFactors.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierArithmetic.h"
#include "formula/SimplifierRules.h"
#include "formula/TreeRewrite.h"

#include <cmath>

namespace {

bool IsFraction(const FormulaNode* node)
{
    return node->kind == KindFraction && node->childCount == 2;
}

bool IsNegativeNumber(const FormulaNode* node)
{
    return NumberValue(node) < 0;
}

// The node becomes the minus of itself and is normalised from the inside.
RuleResult SignInFront(FormulaNode* node)
{
    if (WrapInUnary(node, KindMinus))
        NormalizeChildrenAndNode(node);
    return RuleResult::Finish;
}

// A minus, a negative number or a product led by one, in the numerator or
// else in the denominator, becomes a sign in front of the fraction.
bool TakeSignOut(FormulaNode* node)
{
    FormulaNode* parts[2] = {node->children[0], node->children[1]};
    for (FormulaNode* part : parts) {
        if (part->kind == KindMinus && part->childCount == 1) {
            CollapseToFirstChild(part);
            SignInFront(node);
            return true;
        }
    }
    for (FormulaNode* part : parts) {
        if (IsNegativeNumber(part)) {
            SetNumberValue(part, -NumberValue(part));
            SignInFront(node);
            return true;
        }
    }
    for (FormulaNode* part : parts) {
        if (IsLedByNumber(part) && IsNegativeNumber(part->children[0])) {
            SetNumberValue(part->children[0], -NumberValue(part->children[0]));
            SignInFront(node);
            return true;
        }
    }
    return false;
}

// Divides out the common factor of the numbers that stand alone or lead a
// product in the numerator and the denominator. False when there are none.
bool ReduceNumbers(FormulaNode* numerator, FormulaNode* denominator)
{
    FormulaNode* x = IsLedByNumber(numerator) ? numerator->children[0] : numerator;
    FormulaNode* y = IsLedByNumber(denominator) ? denominator->children[0] : denominator;
    if (!IsNumberNode(x) || !IsNumberNode(y))
        return false;
    CancelNumericGcd(x, y);
    // A leading number that became 1 leaves its product.
    if (x != numerator)
        NormalizeNode(numerator);
    if (y != denominator)
        NormalizeNode(denominator);
    return true;
}

// a/b over c/d -> (a d)/(b c); a/b over D -> a/(b D); N over c/d -> (N d)/c.
bool UndoNestedFractions(FormulaNode* node)
{
    FormulaNode* n = node->children[0];
    FormulaNode* d = node->children[1];
    bool nFraction = IsFraction(n);
    bool dFraction = IsFraction(d);
    if (!nFraction && !dFraction)
        return false;
    Unlink(n);
    Unlink(d);
    if (nFraction && dFraction) {
        SetChild(node, 0, MakeProduct(n->children[0], d->children[1]));
        SetChild(node, 1, MakeProduct(n->children[1], d->children[0]));
        FreeNode(n);
        FreeNode(d);
    } else if (nFraction) {
        SetChild(node, 0, n->children[0]);
        SetChild(node, 1, MakeProduct(n->children[1], d));
        FreeNode(n);
    } else {
        SetChild(node, 0, MakeProduct(n, d->children[1]));
        SetChild(node, 1, d->children[0]);
        FreeNode(d);
    }
    NormalizeChildrenAndNode(node);
    return true;
}

}  // namespace

void CancelNumericGcd(FormulaNode* x, FormulaNode* y)
{
    double g = GcdOfIntegers(std::fabs(NumberValue(x)), std::fabs(NumberValue(y)));
    if (g == 0)
        return;
    SetNumberValue(x, NumberValue(x) / g);
    SetNumberValue(y, NumberValue(y) / g);
}

RuleResult NormalizeFraction(FormulaNode* node)
{
    if (node->childCount != 2)
        return RuleResult::Finish;
    if (TakeSignOut(node))
        return RuleResult::Finish;
    if (!ReduceNumbers(node->children[0], node->children[1]) && UndoNestedFractions(node))
        return RuleResult::Finish;
    FormulaNode* numerator = node->children[0];
    FormulaNode* denominator = node->children[1];
    if (IsNumberWithValue(numerator, 0) && !IsNumberWithValue(denominator, 0)) {
        BecomeNumber(node, 0);
        return RuleResult::Finish;
    }
    if (IsNumberWithValue(denominator, 1)) {
        CollapseToFirstChild(node);
        return RuleResult::Finish;
    }
    CancelCommonFactors(node);
    return RuleResult::Finish;
}
