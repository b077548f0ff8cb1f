// The simplifier's folding of function values: ln e, exp 0, log 1, small
// factorials, sin and cos at multiples of pi/2, mantissa times a power of
// ten, mod, min and max of two numbers, and the first-order default of the
// derivative operators. Numbers are folded with the functions the real
// interpreter calls, so a folded formula keeps the value it had.
#include "CoreUtilities/SmallNumerics.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SimplifierRules.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeSplice.h"
#include "numerics/RealLibrary.h"

#include <cmath>

namespace {


// The single operand is a comma list of exactly two number nodes.
bool HasTwoNumberArguments(const FormulaNode* node)
{
    if (node->childCount != 1)
        return false;
    const FormulaNode* list = node->children[0];
    return list->kind == KindComma && list->childCount == 2 && IsNumberNode(list->children[0]) &&
        IsNumberNode(list->children[1]);
}

// n pi as a product of exactly two factors, a whole number and pi (either
// order); answers n.
bool IsWholeMultipleOfPi(const FormulaNode* node, double& n)
{
    if (node->kind != KindProduct || node->childCount != 2)
        return false;
    for (int k = 0; k < 2; ++k) {
        if (IsWholeNumberNode(node->children[k]) && IsVariable(node->children[1 - k], CodePi)) {
            n = NumberValue(node->children[k]);
            return true;
        }
    }
    return false;
}

// n mod m in 0..m-1 for a whole n of any size.
int WholeRemainder(double n, double m)
{
    double r = std::fmod(n, m);
    return static_cast<int>(r < 0 ? r + m : r);
}

}  // namespace

void FoldSinCos(FormulaNode* node)
{
    if (node->childCount != 1)
        return;
    const FormulaNode* x = node->children[0];
    bool sine = node->kind == KindSin;
    double n = 0;
    if (IsNumberWithValue(x, 0) || IsVariable(x, CodePi) || IsWholeMultipleOfPi(x, n)) {
        if (IsVariable(x, CodePi))
            n = 1;
        BecomeNumber(node, sine ? 0 : (WholeRemainder(n, 2) ? -1 : 1));
        return;
    }
    if (x->kind == KindFraction && x->childCount == 2 && IsNumberWithValue(x->children[1], 2) &&
        IsWholeMultipleOfPi(x->children[0], n)) {
        // The values at n pi/2 by n mod 4.
        static constexpr double kSine[4] = {0, 1, 0, -1};
        static constexpr double kCosine[4] = {1, 0, -1, 0};
        int quarter = WholeRemainder(n, 4);
        BecomeNumber(node, sine ? kSine[quarter] : kCosine[quarter]);
    }
}

RuleResult FoldFunctionValue(FormulaNode* node)
{
    const FormulaNode* first = node->children[0];
    switch (node->kind) {
    case KindLn:
        if (IsVariable(first, CodeE))
            BecomeNumber(node, 1);
        else if (IsNumberWithValue(first, 1))
            BecomeNumber(node, 0);
        break;
    case KindExp:
        if (IsNumberWithValue(first, 0))
            BecomeNumber(node, 1);
        break;
    case KindLog:
        if (IsNumberWithValue(first, 1))
            BecomeNumber(node, 0);
        break;
    case KindFact: {
        double v = NumberValue(first);
        if (IsWholeNumberNode(first) && v >= 0 && v <= 4)
            BecomeNumber(node, RealFactorial(v));
        break;
    }
    case KindSin:
    case KindCos:
        FoldSinCos(node);
        break;
    case KindOpTotal:
    case KindOpPartial:
        // First order is the default order.
        if (node->childCount == 2 && IsNumberWithValue(node->children[1], 1))
            DeleteChild(node, 1);
        break;
    case KindSn:
        if (node->childCount == 2 && IsNumberNode(first) && IsNumberNode(node->children[1]))
            BecomeNumber(node, NumberValue(first) * std::pow(10.0, NumberValue(node->children[1])));
        break;
    case KindMod:
        // Nothing is divided by a zero number: mod(a, 0) stays as written.
        if (HasTwoNumberArguments(node) && IsWholeNumberNode(first->children[0]) &&
            IsWholeNumberNode(first->children[1]) && NumberValue(first->children[1]) != 0)
            BecomeNumber(node, RealMod(NumberValue(first->children[0]), NumberValue(first->children[1])));
        break;
    case KindMin:
    case KindMax:
        if (HasTwoNumberArguments(node)) {
            double a = NumberValue(first->children[0]);
            double b = NumberValue(first->children[1]);
            BecomeNumber(node, node->kind == KindMin ? MinDouble(a, b) : MaxDouble(a, b));
        }
        break;
    default:
        break;
    }
    return RuleResult::Finish;
}
