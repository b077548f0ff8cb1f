#include "formula/ChildSlots.h"

#include "formula/FormulaNode.h"
#include "formula/TreeWalk.h"

FormulaNode* Unlink(FormulaNode* child)
{
    if (FormulaNode* parent = child->parent) {
        int32_t i = IndexInParent(child);
        if (i >= 0)
            parent->children[i] = nullptr;
        child->parent = nullptr;
    }
    return child;
}

void SetChild(FormulaNode* node, uint32_t i, FormulaNode* child)
{
    node->children[i] = child;
    child->parent = node;
}
