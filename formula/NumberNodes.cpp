#include "formula/NumberNodes.h"

#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeRewrite.h"

#include <cmath>
#include <cstring>

bool IsNumberNode(const FormulaNode* node)
{
    return node && node->kind == KindNumber && node->payload.number;
}

double NumberValue(const FormulaNode* node)
{
    return IsNumberNode(node) ? node->payload.number->value : NAN;
}

bool IsNumberWithValue(const FormulaNode* node, double value)
{
    return IsNumberNode(node) && node->payload.number->value == value;
}

bool IsWholeNumberNode(const FormulaNode* node)
{
    double value = NumberValue(node);
    return std::isfinite(value) && std::trunc(value) == value;
}

bool IsLedByNumber(const FormulaNode* node)
{
    return node->kind == KindProduct && node->childCount > 0 && IsNumberNode(node->children[0]);
}

bool IsNumericFraction(const FormulaNode* node)
{
    return node->kind == KindFraction && node->childCount == 2 && IsNumberNode(node->children[0]) &&
        IsNumberNode(node->children[1]);
}

void SetNumberValue(FormulaNode* node, double value)
{
    NumberPayload* payload = node->payload.number;
    if (payload->value == value && std::signbit(payload->value) == std::signbit(value))
        return;
    payload->value = value;
    std::memset(payload->text, 0, sizeof payload->text);
}

void BecomeNumber(FormulaNode* node, double value)
{
    if (IsNumberNode(node)) {
        SetNumberValue(node, value);
        return;
    }
    FormulaNode* number = MakeNumberNode(value);
    if (number)
        ReplaceNode(number, node);
}
