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
    // A null child is a build that ran out of memory; the slot stays empty
    // and the abort flag is up.
    node->children[i] = child;
    if (child)
        child->parent = node;
}
