#include "formula/TreeSplice.h"

#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/TreeRewrite.h"

#include <cstring>

namespace {

// Installs a new array of count slots in place of the node's storage.
void InstallChildArray(FormulaNode* node, FormulaNode** array, uint32_t count)
{
    FreeChildStorage(node);
    node->children = array;
    node->childCount = static_cast<uint16_t>(count);
}

}  // namespace

FormulaNode* RemoveChildAt(FormulaNode* node, uint32_t i)
{
    uint32_t count = node->childCount;
    if (i >= count || !node->children)
        return nullptr;
    FormulaNode* removed = node->children[i];
    uint32_t left = count - 1;
    if (left > 3) {
        // A heap array stays a heap array: close the gap where it is, so
        // that removing from a long list never needs memory.
        std::memmove(node->children + i, node->children + i + 1, (left - i) * sizeof(FormulaNode*));
        node->childCount = static_cast<uint16_t>(left);
    } else if (left == 0) {
        FreeChildStorage(node);
        node->children = nullptr;
        node->childCount = 0;
    } else {
        FormulaNode** array = NewChildArray(left);
        if (!array)
            return nullptr;
        std::memcpy(array, node->children, i * sizeof(FormulaNode*));
        std::memcpy(array + i, node->children + i + 1, (left - i) * sizeof(FormulaNode*));
        InstallChildArray(node, array, left);
    }
    removed->parent = nullptr;
    return removed;
}

FormulaNode* DetachOperand(FormulaNode* node, uint32_t i)
{
    if (i >= node->childCount)
        return nullptr;
    if (node->childCount != 2)
        return RemoveChildAt(node, i);
    FormulaNode* removed = node->children[i];
    TransplantNode(node->children[1 - i], node);
    removed->parent = nullptr;
    return removed;
}

bool DeleteOperand(FormulaNode* node, uint32_t i)
{
    FormulaNode* removed = DetachOperand(node, i);
    FreeTree(removed);
    return removed != nullptr;
}

bool DeleteChild(FormulaNode* node, uint32_t i)
{
    FormulaNode* removed = RemoveChildAt(node, i);
    FreeTree(removed);
    return removed != nullptr;
}

void ShiftChildrenRight(FormulaNode* node, uint32_t n)
{
    std::memmove(node->children + 1, node->children, n * sizeof(FormulaNode*));
}

bool FlattenChild(FormulaNode* node, uint32_t i)
{
    if (i >= node->childCount)
        return false;
    FormulaNode* child = node->children[i];
    uint32_t spliced = child->childCount;
    if (spliced == 0 || !child->children)
        return false;
    uint32_t count = node->childCount - 1 + spliced;
    if (count > kMaxFlattenedOperands)
        return false;
    FormulaNode** array = NewChildArray(count);
    if (!array)
        return false;
    uint32_t after = node->childCount - i - 1;
    std::memcpy(array, node->children, i * sizeof(FormulaNode*));
    std::memcpy(array + i, child->children, spliced * sizeof(FormulaNode*));
    std::memcpy(array + i + spliced, node->children + i + 1, after * sizeof(FormulaNode*));
    for (uint32_t k = 0; k < spliced; ++k)
        array[i + k]->parent = node;
    InstallChildArray(node, array, count);
    FreeNode(child);
    return true;
}
