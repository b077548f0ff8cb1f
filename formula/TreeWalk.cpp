#include "formula/TreeWalk.h"

#include "formula/FormulaNode.h"

namespace {

bool HasChildren(const FormulaNode* node)
{
    return node->childCount > 0 && node->children;
}

// The sibling after node in its parent's array, or null.
FormulaNode* NextSibling(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return nullptr;
    for (uint32_t i = 0; i + 1 < parent->childCount; ++i) {
        if (parent->children[i] == node)
            return parent->children[i + 1];
    }
    return nullptr;
}

}  // namespace

FormulaNode* NextInPreorder(FormulaNode* node)
{
    if (HasChildren(node))
        return node->children[0];
    return NextAfterSubtree(node);
}

FormulaNode* NextAfterSubtree(FormulaNode* node)
{
    for (; node; node = node->parent) {
        if (FormulaNode* sibling = NextSibling(node))
            return sibling;
    }
    return nullptr;
}

FormulaNode* LastInPreorder(FormulaNode* node)
{
    while (HasChildren(node))
        node = node->children[node->childCount - 1];
    return node;
}
