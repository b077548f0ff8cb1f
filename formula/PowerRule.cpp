// The simplifier's rules for powers and roots: whole powers of numbers and of
// i are evaluated, powers are distributed over products, fractions, minus
// signs and powers where that holds for every real value of the base, exact
// roots become numbers, other roots become powers.
#include "CoreUtilities/MemoryBudget.h"
#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierArithmetic.h"
#include "formula/SimplifierRules.h"
#include "formula/SimplifierSwitches.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kMaxBinomialExponent = 23;
// How deep the sign of a base is looked for; deeper is taken as unknown.
constexpr int kSignDepth = 8;

// The value of an exponent that is a number, a fraction of two numbers or
// the minus of one; false for others.
bool ExponentValue(const FormulaNode* exponent, double& value)
{
    bool negative = exponent->kind == KindMinus && exponent->childCount == 1;
    if (negative)
        exponent = exponent->children[0];
    if (IsNumberNode(exponent))
        value = NumberValue(exponent);
    else if (IsNumericFraction(exponent))
        value = NumberValue(exponent->children[0]) / NumberValue(exponent->children[1]);
    else
        return false;
    if (negative)
        value = -value;
    return !std::isnan(value);
}

bool IsWholeExponent(const FormulaNode* exponent)
{
    return IsNumberNode(exponent) && IsWholeValue(NumberValue(exponent));
}

bool IsEvenWholeExponent(const FormulaNode* exponent)
{
    return IsWholeExponent(exponent) && IsWholeValue(NumberValue(exponent) / 2);
}

bool IsHalfExponent(const FormulaNode* exponent)
{
    return IsNumericFraction(exponent) && NumberValue(exponent->children[0]) == 1 &&
        NumberValue(exponent->children[1]) == 2;
}

// No value of the node is negative, whatever its real variables: positive
// numbers and constants, absolute values, exponentials, square roots, even
// powers, and sums, products and quotients of such. With i about even
// powers can be negative: nothing is known.
bool IsKnownNonNegative(const FormulaNode* node, int depth = 0)
{
    if (depth > kSignDepth || (depth == 0 && ContainsSymbol(node, CodeI)))
        return false;
    switch (node->kind) {
    case KindNumber:
        return NumberValue(node) >= 0;
    case KindVariable:
        return IsVariable(node, CodePi) || IsVariable(node, CodeE);
    case KindAbs:
    case KindExp:
        return true;
    case KindSqrt:
        return node->childCount == 1;
    case KindPower:
        return node->childCount == 2 &&
            (IsEvenWholeExponent(node->children[1]) || IsHalfExponent(node->children[1]) ||
                IsKnownNonNegative(node->children[0], depth + 1));
    case KindSum:
    case KindProduct:
    case KindFraction:
        for (uint32_t k = 0; k < node->childCount; ++k) {
            if (!IsKnownNonNegative(node->children[k], depth + 1))
                return false;
        }
        return node->childCount > 0;
    default:
        return false;
    }
}

// (a b)^E = a^E b^E and (a/b)^E = a^E / b^E for every real a and b only
// when E is whole or no factor can be negative: sqrt(x/(x+1)) is real at
// x = -2, sqrt(x) / sqrt(x+1) is not.
bool DistributesOverFactors(const FormulaNode* base, const FormulaNode* exponent)
{
    return IsWholeExponent(exponent) || IsKnownNonNegative(base);
}

// The node becomes its base: a power of 1, or 1 and 0 to a power.
RuleResult BecomeBase(FormulaNode* node)
{
    CollapseToFirstChild(node);
    return RuleResult::Finish;
}

// i^v for a whole v: 1, i, -1 or -i by v mod 4.
RuleResult PowerOfImaginaryUnit(FormulaNode* node, double exponent)
{
    int64_t k = static_cast<int64_t>(exponent) % 4;
    if (k < 0)
        k += 4;
    if (k == 0 || k == 2) {
        BecomeNumber(node, k == 0 ? 1 : -1);
    } else {
        CollapseToFirstChild(node);
        if (k == 3)
            WrapInUnary(node, KindMinus);
    }
    return RuleResult::Finish;
}

// Every factor of the base product, or both parts of the base fraction, is
// raised to a copy of the exponent, and the node becomes the base.
void RaiseEachChild(FormulaNode* node)
{
    FormulaNode* base = node->children[0];
    const FormulaNode* exponent = node->children[1];
    for (uint32_t k = 0; k < base->childCount; ++k)
        RaiseInPlace(base->children[k], CopyTree(exponent));
    FreeTree(Unlink(node->children[1]));
    TransplantNode(base, node);
    NormalizeChildrenAndNode(node);
}

// (a^m)^E -> a^(m E)
void MultiplyExponents(FormulaNode* node)
{
    FormulaNode* base = node->children[0];
    AppendFactor(base->children[1], Unlink(node->children[1]));
    TransplantNode(base, node);
    NormalizeChildrenAndNode(node);
}

// (a^m)^E = a^(m E) for every real a when E is whole, when a cannot be
// negative, or when m is odd and m E whole (the real odd roots keep the
// sign: (x^3)^(1/3) = x). An even m makes a^m = |a|^m, so (a^m)^E becomes
// |a|^(m E): sqrt(x^2) = |x|, (x^2)^(3/2) = |x|^3. Other powers stay.
void PowerOfPower(FormulaNode* node)
{
    FormulaNode* base = node->children[0];
    const FormulaNode* exponent = node->children[1];
    const FormulaNode* inner = base->children[1];
    double m = 0;
    double e = 0;
    // The sign rules hold for real bases only.
    bool numeric = ExponentValue(inner, m) && ExponentValue(exponent, e) &&
        !ContainsSymbol(base->children[0], CodeI);
    bool wholeM = numeric && IsWholeValue(m);
    if (IsWholeExponent(exponent) || IsKnownNonNegative(base->children[0]) ||
        (wholeM && !IsWholeValue(m / 2) && IsWholeValue(m * e))) {
        MultiplyExponents(node);
    } else if (wholeM && IsWholeValue(m / 2) && !ContainsMatrix(base)) {
        WrapInUnary(base->children[0], KindAbs);
        MultiplyExponents(node);
    }
}

// (-a)^E -> (-1)^E a^E
void SplitMinusBase(FormulaNode* node)
{
    FormulaNode* base = node->children[0];
    FormulaNode* exponent = node->children[1];
    FormulaNode* sign = MakePower(MakeNumberNode(-1), CopyTree(exponent));
    CollapseToFirstChild(base);
    RaiseInPlace(base, Unlink(exponent));
    node->kind = KindProduct;
    SetChild(node, 0, sign);
    SetChild(node, 1, base);
    NormalizeChildrenAndNode(node);
}

RuleResult PowerOfNumberBase(FormulaNode* node)
{
    FormulaNode* base = node->children[0];
    const FormulaNode* exponent = node->children[1];
    double value = NumberValue(base);
    // 0 to a negative power is no number: it stays as written.
    if (value == 1 || (value == 0 && !(NumberValue(exponent) < 0)))
        return BecomeBase(node);
    if (value < -1) {
        SetNumberValue(base, -value);
        WrapInBinary(node, MakePower(MakeNumberNode(-1), CopyTree(exponent)), 0, KindProduct);
    }
    return RuleResult::Finish;
}

// The node becomes radicand^(1/index), the index node moved under the bar.
RuleResult RootAsPower(FormulaNode* node, FormulaNode* index)
{
    if (node->childCount == 1) {
        // The index was made for the root of one operand; it has no place yet.
        if (!ResizeChildArray(node, 2)) {
            FreeTree(index);
            return RuleResult::Finish;
        }
        node->children[1] = nullptr;
    } else {
        Unlink(index);
    }
    SetChild(node, 1, MakeQuotient(MakeNumberNode(1), index));
    node->kind = KindPower;
    return RuleResult::Again;
}

// The whole root of a whole radicand, when the integer part of the computed
// root raised to the index gives the radicand back exactly.
bool IsExactRoot(double radicand, double index, double root)
{
    if (!IsWholeValue(radicand) || !IsWholeValue(index) || index < 1 || !IsWholeValue(std::trunc(root)))
        return false;
    int64_t whole = static_cast<int64_t>(root);
    // 0, 1 and -1 never outgrow the integers, however high the index.
    if (whole >= -1 && whole <= 1)
        return (whole != -1 || static_cast<int64_t>(index) % 2 ? whole : 1) == static_cast<int64_t>(radicand);
    int64_t power = 1;
    for (int32_t k = 0; k < static_cast<int32_t>(index); ++k) {
        power *= whole;
        if (power > INT32_MAX || power < INT32_MIN)
            return false;
    }
    return power == static_cast<int64_t>(radicand);
}

}  // namespace

RuleResult NormalizePower(FormulaNode* node)
{
    if (node->childCount != 2)
        return RuleResult::Finish;
    FormulaNode* base = node->children[0];
    FormulaNode* exponent = node->children[1];
    if (IsNumberNode(exponent)) {
        double v = NumberValue(exponent);
        bool whole = IsWholeValue(v);
        if (v == 1)
            return BecomeBase(node);
        if (v == 0) {
            BecomeNumber(node, 1);
            return RuleResult::Finish;
        }
        if (v > 0 && whole && IsNumberNode(base)) {
            BecomeNumber(node, PowerByWholeExponent(NumberValue(base), static_cast<int32_t>(v)));
            return RuleResult::Finish;
        }
        if (ExpandFlag && base->kind == KindSum && whole && v > 1 && v <= kMaxBinomialExponent) {
            ExpandBinomialPower(node);
            return RuleResult::Again;
        }
        if (whole && IsVariable(base, CodeI))
            return PowerOfImaginaryUnit(node, v);
    }
    bool distribute = DistributePowersFlag && base->childCount > 0;
    switch (base->kind) {
    case KindProduct:
    case KindFraction:
        if (distribute && DistributesOverFactors(base, exponent))
            RaiseEachChild(node);
        break;
    case KindPower:
        if (distribute && base->childCount == 2)
            PowerOfPower(node);
        break;
    case KindMinus:
        if (distribute && DistributesOverFactors(base->children[0], exponent))
            SplitMinusBase(node);
        break;
    case KindAbs:
        // |a|^n = a^n for a real a and an even n; a matrix's |A| is its
        // determinant.
        if (base->childCount == 1 && IsEvenWholeExponent(exponent) && !ContainsMatrix(base) &&
            !ContainsSymbol(base, CodeI)) {
            CollapseToFirstChild(base);
            return RuleResult::Again;
        }
        break;
    case KindNumber:
        return PowerOfNumberBase(node);
    default:
        break;
    }
    return RuleResult::Finish;
}

RuleResult NormalizeSqrt(FormulaNode* node)
{
    FormulaNode* radicand = node->children[0];
    if (node->childCount == 1) {
        double r = NumberValue(radicand);
        double s = std::sqrt(r);
        if (IsWholeValue(r) && r >= 0 && IsExactRoot(r, 2, s)) {
            BecomeNumber(node, s);
            return RuleResult::Finish;
        }
        return RootAsPower(node, MakeNumberNode(2));
    }
    if (node->childCount != 2)
        return RuleResult::Finish;
    FormulaNode* index = node->children[1];
    if (IsNumberNode(radicand) && IsNumberNode(index)) {
        double r = NumberValue(radicand);
        double n = NumberValue(index);
        double g = std::pow(r, 1 / n);
        if (IsExactRoot(r, n, g)) {
            BecomeNumber(node, g);
            return RuleResult::Finish;
        }
    }
    return RootAsPower(node, index);
}

void ExpandBinomialPower(FormulaNode* node)
{
    FormulaNode* sum = node->children[0];
    int32_t n = static_cast<int32_t>(NumberValue(node->children[1]));
    FormulaNode* first = DetachOperand(sum, 0);
    if (!first)
        return;
    NormalizeNode(sum);
    FormulaNode* rest = sum;
    FormulaNode* result = MakeNode(KindSum, static_cast<uint32_t>(n) + 1u);
    if (!result) {
        FreeTree(first);
        return;
    }
    std::memset(result->children, 0, (static_cast<uint32_t>(n) + 1u) * sizeof(FormulaNode*));
    for (int32_t k = 1; k < n; ++k) {
        if (ShouldAbortComputation()) {
            FreeTree(result);
            FreeTree(first);
            BecomeNumber(node, 0);
            return;
        }
        FormulaNode* term = MakeProduct3(MakeNumberNode(static_cast<double>(BinomialCoefficient(n, k))),
            MakePower(CopyTree(first), MakeNumberNode(n - k)), MakePower(CopyTree(rest), MakeNumberNode(k)));
        SetChild(result, static_cast<uint32_t>(k), term);
        NormalizeChildrenAndNode(term);
    }
    // A term that could not be built left its slot empty.
    if (AbortFlag) {
        FreeTree(result);
        FreeTree(first);
        BecomeNumber(node, 0);
        return;
    }
    SetChild(result, 0, MakePower(first, MakeNumberNode(n)));
    NormalizeNode(result->children[0]);
    FormulaNode* last = MakePower(Unlink(rest), MakeNumberNode(n));
    if (AbortFlag) {
        // The node keeps a base, so that it stays whole if it cannot become 0.
        SetChild(node, 0, last);
        FreeTree(result);
        BecomeNumber(node, 0);
        return;
    }
    SetChild(result, static_cast<uint32_t>(n), last);
    NormalizeNode(result->children[n]);
    ReplaceNode(result, node);
}
