#include "formula/EquationFormPredicates.h"

#include "formula/Definitions.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

bool IsColorRedComponent(const FormulaNode* node)
{
    const FormulaNode* vector = node->parent;
    if (!IsVariable(node, 'r') || !vector || vector->kind != KindMatrix || vector->childCount != 3 ||
        vector->payload.pair.low != 3 || vector->payload.pair.high != 1)
        return false;
    return vector->children[0] == node && IsVariable(vector->children[1], 'g') &&
           IsVariable(vector->children[2], 'b') && HasParentKind(vector, KindEquation);
}

namespace {

bool IsVariableColumn(const FormulaNode* vector, const char* names)
{
    if (vector->kind != KindMatrix || vector->childCount != 3 || vector->payload.pair.low != 3 ||
        vector->payload.pair.high != 1)
        return false;
    for (uint32_t i = 0; i < 3; ++i) {
        if (!IsVariable(vector->children[i], static_cast<uint8_t>(names[i])))
            return false;
    }
    return true;
}

// (dx, dy) or (dx, dy, dz): items that are the products d x, d y, d z.
bool IsDifferentialVector(const FormulaNode* vector)
{
    if (vector->kind != KindMatrix || vector->childCount < 2 || vector->childCount > 3)
        return false;
    for (uint32_t i = 0; i < vector->childCount; ++i) {
        const FormulaNode* item = vector->children[i];
        if (item->kind != KindProduct || item->childCount != 2 || !IsVariable(item->children[0], 'd') ||
            !IsVariable(item->children[1], 'x' + i))
            return false;
    }
    return true;
}

}  // namespace

bool IsColorStatement(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return false;
    if (IsVariableColumn(parent, "rgb") || IsVariableColumn(parent, "hsv"))
        return true;
    return parent->kind == KindProduct && parent->parent && IsDifferentialVector(parent->parent);
}

bool UsesDefinedParameter(const FormulaNode* root, const DocState* doc)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindVariable && IsParameterDefined(walk.Node(), doc))
            return true;
    }
    return false;
}
