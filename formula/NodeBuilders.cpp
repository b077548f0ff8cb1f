#include "formula/NodeBuilders.h"

#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"

#include <initializer_list>

namespace {

FormulaNode* MakeWithChildren(int32_t kind, std::initializer_list<FormulaNode*> children)
{
    bool whole = true;
    for (FormulaNode* child : children)
        whole = whole && child;
    FormulaNode* node = whole ? MakeNode(kind, static_cast<uint32_t>(children.size())) : nullptr;
    if (!node) {
        // When not even the undefined number can be had, one of the subtrees
        // stands in for it: a whole tree all the same, and the abort flag is
        // up, so the work it is part of is thrown away.
        FormulaNode* standIn = nullptr;
        for (FormulaNode* child : children) {
            if (!standIn)
                standIn = child;
            else
                FreeTree(child);
        }
        if (FormulaNode* undefined = MakeNumberNode(UndefinedReal)) {
            FreeTree(standIn);
            return undefined;
        }
        return standIn;
    }
    uint32_t i = 0;
    for (FormulaNode* child : children) {
        child->parent = node;
        node->children[i++] = child;
    }
    return node;
}

FormulaNode* MakeWithPair(FormulaNode* node, int16_t low, int16_t high)
{
    // The undefined number that stands for a failed build keeps its payload.
    if (node && node->kind != KindNumber)
        node->payload.pair = {low, high};
    return node;
}

}  // namespace

FormulaNode* MakeUnaryNode(int32_t kind, FormulaNode* a)
{
    return MakeWithChildren(kind, {a});
}

FormulaNode* MakeBinaryNode(int32_t kind, FormulaNode* a, FormulaNode* b)
{
    return MakeWithChildren(kind, {a, b});
}

FormulaNode* MakeTernaryNode(int32_t kind, FormulaNode* a, FormulaNode* b, FormulaNode* c)
{
    return MakeWithChildren(kind, {a, b, c});
}

FormulaNode* MakeProduct(FormulaNode* a, FormulaNode* b)
{
    return MakeBinaryNode(KindProduct, a, b);
}

FormulaNode* MakeProduct3(FormulaNode* a, FormulaNode* b, FormulaNode* c)
{
    return MakeTernaryNode(KindProduct, a, b, c);
}

FormulaNode* MakeSum(FormulaNode* a, FormulaNode* b)
{
    return MakeBinaryNode(KindSum, a, b);
}

FormulaNode* MakeDifference(FormulaNode* a, FormulaNode* b)
{
    return MakeSum(a, MakeNegation(b));
}

FormulaNode* MakePower(FormulaNode* base, FormulaNode* exponent)
{
    return MakeBinaryNode(KindPower, base, exponent);
}

FormulaNode* MakeSquare(FormulaNode* a)
{
    return MakePower(a, MakeNumberNode(2));
}

FormulaNode* MakeQuotient(FormulaNode* numerator, FormulaNode* denominator)
{
    return MakeBinaryNode(KindFraction, numerator, denominator);
}

FormulaNode* MakeReciprocal(FormulaNode* a)
{
    return MakeQuotient(MakeNumberNode(1), a);
}

FormulaNode* MakeNegation(FormulaNode* a)
{
    return MakeUnaryNode(KindMinus, a);
}

FormulaNode* MakeOnePlusSquare(FormulaNode* a)
{
    return MakeSum(MakeNumberNode(1), MakeSquare(a));
}

FormulaNode* MakeOneMinusSquare(FormulaNode* a)
{
    return MakeDifference(MakeNumberNode(1), MakeSquare(a));
}

FormulaNode* MakeSquareMinusOne(FormulaNode* a)
{
    return MakeDifference(MakeSquare(a), MakeNumberNode(1));
}

FormulaNode* MakeSqrt(FormulaNode* a) { return MakeUnaryNode(KindSqrt, a); }
FormulaNode* MakeLn(FormulaNode* a) { return MakeUnaryNode(KindLn, a); }
FormulaNode* MakeExp(FormulaNode* a) { return MakeUnaryNode(KindExp, a); }
FormulaNode* MakeSin(FormulaNode* a) { return MakeUnaryNode(KindSin, a); }
FormulaNode* MakeCos(FormulaNode* a) { return MakeUnaryNode(KindCos, a); }
FormulaNode* MakeTan(FormulaNode* a) { return MakeUnaryNode(KindTan, a); }
FormulaNode* MakeCot(FormulaNode* a) { return MakeUnaryNode(KindCot, a); }
FormulaNode* MakeCsc(FormulaNode* a) { return MakeUnaryNode(KindCsc, a); }
FormulaNode* MakeSec(FormulaNode* a) { return MakeUnaryNode(KindSec, a); }
FormulaNode* MakeSinh(FormulaNode* a) { return MakeUnaryNode(KindSinh, a); }
FormulaNode* MakeCosh(FormulaNode* a) { return MakeUnaryNode(KindCosh, a); }
FormulaNode* MakeTanh(FormulaNode* a) { return MakeUnaryNode(KindTanh, a); }
FormulaNode* MakeCoth(FormulaNode* a) { return MakeUnaryNode(KindCoth, a); }
FormulaNode* MakeCsch(FormulaNode* a) { return MakeUnaryNode(KindCsch, a); }
FormulaNode* MakeSech(FormulaNode* a) { return MakeUnaryNode(KindSech, a); }
FormulaNode* MakeSgn(FormulaNode* a) { return MakeUnaryNode(KindSgn, a); }
FormulaNode* MakeAbs(FormulaNode* a) { return MakeUnaryNode(KindAbs, a); }
FormulaNode* MakeRealPart(FormulaNode* a) { return MakeUnaryNode(KindReal, a); }
FormulaNode* MakeImagPart(FormulaNode* a) { return MakeUnaryNode(KindImag, a); }

FormulaNode* MakePartialDerivativeNode(FormulaNode* expression, FormulaNode* variable)
{
    return MakeBinaryNode(KindPartialDerivative, expression, variable);
}

FormulaNode* MakeSubstitution(FormulaNode* expression, FormulaNode* left, FormulaNode* right)
{
    return MakeBinaryNode(KindSubstitution, expression, MakeBinaryNode(KindEquation, left, right));
}

FormulaNode* MakeSubscript(FormulaNode* base, FormulaNode* index)
{
    return MakeWithPair(MakeBinaryNode(KindSubscript, base, index), 0, 1);
}

FormulaNode* MakeVector3(FormulaNode* a, FormulaNode* b, FormulaNode* c)
{
    return MakeWithPair(MakeTernaryNode(KindMatrix, a, b, c), 3, 1);
}
