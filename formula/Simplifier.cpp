#include "formula/Simplifier.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/SimplifierRules.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

namespace {

// The equations inside an equation are spliced in: a = (b = c) -> a = b = c.
RuleResult FlattenEquation(FormulaNode* node)
{
    for (uint32_t i = 0; i < node->childCount;) {
        // An equation too long to take the operands in stays nested.
        if (node->children[i]->kind == KindEquation && FlattenChild(node, i))
            continue;
        ++i;
    }
    return RuleResult::Finish;
}

RuleResult NormalizeByKind(FormulaNode* node)
{
    switch (node->kind) {
    case KindProduct:
        return NormalizeProduct(node);
    case KindSum:
        return NormalizeSum(node);
    case KindPower:
        return NormalizePower(node);
    case KindFraction:
        return NormalizeFraction(node);
    case KindMinus:
        return NormalizeMinus(node);
    case KindSqrt:
        return NormalizeSqrt(node);
    case KindEquation:
        return FlattenEquation(node);
    default:
        return FoldFunctionValue(node);
    }
}

}  // namespace

void NormalizeNode(FormulaNode* node)
{
    while (node && node->childCount > 0 && !ShouldAbortComputation()) {
        if (NormalizeByKind(node) == RuleResult::Finish)
            return;
    }
}

void SimplifyTree(FormulaNode* root)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next())
        NormalizeNode(walk.Node());
}

void NormalizeChildrenAndNode(FormulaNode* node)
{
    if (!node)
        return;
    for (uint32_t i = 0; i < node->childCount; ++i)
        NormalizeNode(node->children[i]);
    NormalizeNode(node);
}

void NormalizeTwoLevels(FormulaNode* node)
{
    for (uint32_t i = 0; i < node->childCount; ++i)
        NormalizeChildrenAndNode(node->children[i]);
    NormalizeNode(node);
}

void SimplifyAndCleanUp(FormulaNode* root)
{
    StripParentheses(root);
    SimplifyTree(root);
    CleanUpSigns(root);
}

RuleResult NormalizeMinus(FormulaNode* node)
{
    if (node->childCount != 1)
        return RuleResult::Finish;
    FormulaNode* operand = node->children[0];
    switch (operand->kind) {
    case KindNumber:
        CollapseToFirstChild(node);
        SetNumberValue(node, Negated(NumberValue(node)));
        break;
    case KindProduct:
        if (IsLedByNumber(operand)) {
            double c = Negated(NumberValue(operand->children[0]));
            SetNumberValue(operand->children[0], c);
            CollapseToFirstChild(node);
            // A leading 1 is not kept: the product rule takes it out.
            if (c == 1)
                return RuleResult::Again;
        }
        break;
    case KindSum:
        for (uint32_t i = 0; i < operand->childCount; ++i) {
            if (FormulaNode* term = operand->children[i]; WrapInUnary(term, KindMinus))
                NormalizeNode(term);
        }
        CollapseToFirstChild(node);
        NormalizeChildrenAndNode(node);
        break;
    case KindMinus:
        CollapseToFirstChild(node);
        CollapseToFirstChild(node);
        break;
    case KindFraction:
        if (IsNumericFraction(operand)) {
            SetNumberValue(operand->children[0], Negated(NumberValue(operand->children[0])));
            CollapseToFirstChild(node);
        }
        break;
    default:
        break;
    }
    return RuleResult::Finish;
}

bool IsInfixOperatorKind(int32_t kind)
{
    const NodeKindEntry* entry = NodeKindEntryOf(kind);
    return entry && entry->syntaxClass == SyntaxClass::Infix;
}

bool IsInfixOperatorNode(const FormulaNode* node)
{
    return IsInfixOperatorKind(node->kind);
}

bool IsSumOrProductOperatorKind(int32_t kind)
{
    return kind == KindSigma || kind == KindCapitalPi;
}

bool IsAsciiLetter(uint32_t character)
{
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z');
}

bool IsNamedSymbolCode(uint32_t code)
{
    return code >= CodePi && code <= CodeLdots;
}
