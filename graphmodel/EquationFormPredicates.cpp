#include "graphmodel/EquationFormPredicates.h"

#include "document/Definitions.h"
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

bool UsesDefinedParameter(const FormulaNode* root, const DocState* doc)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindVariable && IsParameterDefined(walk.Node(), doc))
            return true;
    }
    return false;
}
