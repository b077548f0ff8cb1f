#include "formula/Transform.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/Expand.h"
#include "formula/FormulaNode.h"
#include "formula/MatrixPass.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/Simplifier.h"
#include "formula/Substitution.h"
#include "formula/SymbolicCommand.h"
#include "formula/TreeRewrite.h"
#include "formula/VectorOperators.h"
#include "numerics/RealLibrary.h"

#include <cmath>

namespace {

constexpr int kMaxRepeatedProduct = 19;

bool IsNumberNode(const FormulaNode* node)
{
    return node->kind == KindNumber;
}

double NumberValue(const FormulaNode* node)
{
    return node->payload.number->value;
}

// log(f1*f2*...) becomes log(f1) + log(f2) + ...; log(b^n) becomes n*log(b).
FormulaNode* SplitLogarithm(int32_t kind, const FormulaNode* operand)
{
    if (operand->kind == KindProduct) {
        FormulaNode* sum = MakeNode(KindSum, operand->childCount);
        if (!sum)
            return nullptr;
        for (uint32_t i = 0; i < operand->childCount; ++i)
            SetChild(sum, i, MakeUnaryNode(kind, CopyTree(operand->children[i])));
        // Terms that could not be built leave their slots empty.
        if (AbortFlag) {
            FreeTree(sum);
            return nullptr;
        }
        return sum;
    }
    if (operand->kind == KindPower && operand->childCount == 2)
        return MakeProduct(CopyTree(operand->children[1]), MakeUnaryNode(kind, CopyTree(operand->children[0])));
    return nullptr;
}

FormulaNode* Determinant(const FormulaNode* matrix)
{
    if (matrix->kind != KindMatrix || matrix->payload.pair.low != matrix->payload.pair.high)
        return nullptr;
    FormulaNode* const* cells = matrix->children;
    if (matrix->payload.pair.low == 1)
        return CopyTree(cells[0]);
    if (matrix->payload.pair.low != 2)
        return nullptr;
    FormulaNode* determinant = MakeDifference(MakeProduct(CopyTree(cells[0]), CopyTree(cells[3])),
        MakeProduct(CopyTree(cells[1]), CopyTree(cells[2])));
    if (!determinant)
        return nullptr;
    SimplifyTree(determinant);
    CleanUpSigns(determinant);
    return determinant;
}

// base^n as n factors: n - 1 copies of the base, then the base itself.
FormulaNode* RepeatedProduct(FormulaNode* power)
{
    const FormulaNode* exponent = power->children[1];
    if (!IsNumberNode(exponent))
        return nullptr;
    double n = NumberValue(exponent);
    if (n != std::floor(n) || n <= 0 || n > kMaxRepeatedProduct)
        return nullptr;
    if (n == 1)
        return Unlink(power->children[0]);
    uint32_t count = static_cast<uint32_t>(n);
    FormulaNode* product = MakeNode(KindProduct, count);
    if (!product)
        return nullptr;
    for (uint32_t i = 0; i + 1 < count; ++i)
        SetChild(product, i, CopyTree(power->children[0]));
    if (AbortFlag) {
        FreeTree(product);
        return nullptr;
    }
    SetChild(product, count - 1, Unlink(power->children[0]));
    return product;
}

FormulaNode* Factorial(FormulaNode* value)
{
    return MakeUnaryNode(KindFact, value);
}

// The node's rewrite, or null when its shape has none.
FormulaNode* Rewritten(FormulaNode* node)
{
    switch (node->kind) {
    case KindFact:
        if (node->childCount == 1 && IsNumberNode(node->children[0]) && NumberValue(node->children[0]) >= 0)
            return MakeNumberNode(RealFactorial(NumberValue(node->children[0])));
        return nullptr;
    case KindLog:
        if (node->childCount == 2)
            return MakeQuotient(MakeLn(CopyTree(node->children[0])), MakeLn(CopyTree(node->children[1])));
        [[fallthrough]];
    case KindLn:
        return node->childCount == 1 ? SplitLogarithm(node->kind, node->children[0]) : nullptr;
    case KindAbs:
        return node->childCount == 1 ? Determinant(node->children[0]) : nullptr;
    case KindPower:
        return node->childCount == 2 ? RepeatedProduct(node) : nullptr;
    case KindChoice: {
        if (node->childCount != 2)
            return nullptr;
        const FormulaNode* n = node->children[0];
        const FormulaNode* k = node->children[1];
        return MakeQuotient(Factorial(CopyTree(n)),
            MakeProduct(Factorial(CopyTree(k)), Factorial(MakeDifference(CopyTree(n), CopyTree(k)))));
    }
    case KindIntegral: {
        if (node->childCount != 4)
            return nullptr;
        const FormulaNode* const* operands = node->children;
        return MakeTernaryNode(KindSubstitution,
            MakeBinaryNode(KindIntegral, CopyTree(operands[0]), CopyTree(operands[1])),
            MakeBinaryNode(KindEquation, CopyTree(operands[1]), CopyTree(operands[2])), CopyTree(operands[3]));
    }
    default:
        return nullptr;
    }
}

}  // namespace

void TransformNode(FormulaNode* node)
{
    StripParentheses(node);
    if (node->kind == KindSubstitution) {
        PerformSubstitution(node);
        return;
    }
    if (FormulaNode* rewritten = Rewritten(node))
        ReplaceNode(rewritten, node);
}

void TransformSelection()
{
    SimplifySelection();
    EditorState* state = GetCurrentEditorState();
    if (!state || !state->current)
        return;
    TransformNode(state->current);
    InvalidateFormulaLayout();
}

void TransformCommand()
{
    SplitEquationsInSelection();
    ExpandSubstitutionsInSelection();
    TransformSelection();
    MatrixPassOnSelection();
    PeelSumsInSelection();
    ExpandVectorOperatorsInSelection();
}
