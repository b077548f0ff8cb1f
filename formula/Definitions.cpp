#include "formula/Definitions.h"

#include "formula/DocumentQueries.h"
#include "formula/FormulaNode.h"
#include "formula/NameRegistry.h"
#include "formula/NodeKindTable.h"

#include <cmath>

namespace {

constexpr double kLargestKeyIndex = 65534;

}  // namespace

bool IsVariableOrIndexed(const FormulaNode* node)
{
    return node->kind == KindVariable ||
           (node->kind == KindSubscript && node->childCount >= 1 && node->children[0]->kind == KindVariable);
}

bool IsNumberedVariable(const FormulaNode* node)
{
    if (node->kind != KindSubscript || node->childCount != 2 || node->payload.pair.low != 0 ||
        node->payload.pair.high != 1)
        return false;
    const FormulaNode* index = node->children[1];
    if (node->children[0]->kind != KindVariable || index->kind != KindNumber)
        return false;
    double value = index->payload.number->value;
    double whole;
    // The range test keeps the key's arithmetic defined for any number.
    return std::modf(value, &whole) == 0 && value >= 0 && value <= kLargestKeyIndex;
}

uint32_t NumberedVariableKey(const FormulaNode* node)
{
    auto k = static_cast<uint32_t>(node->children[1]->payload.number->value);
    return (k + 1) * 65536 + node->children[0]->payload.code;
}

bool IsParameterDefined(const FormulaNode* variable, const DocState* doc)
{
    uint32_t key = variable->payload.code;
    const FormulaNode* parent = variable->parent;
    if (parent && IsNumberedVariable(parent) && parent->children[0] == variable)
        key = NumberedVariableKey(parent);
    return DocDefinesParameter(doc, key);
}

bool IsReservedVariable(const FormulaNode* node)
{
    return node->kind == KindVariable && (IsReservedSymbol(node->payload.code) || IsStyleKeyName(node->payload.code));
}

bool IsIndexedVariable(const FormulaNode* node)
{
    return node->kind == KindSubscript && node->childCount == 2 && node->payload.pair.low == 0 &&
           node->payload.pair.high == 1 && node->children[0]->kind == KindVariable;
}
