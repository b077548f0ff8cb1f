#include "formula/TreeWalk.h"

#include "formula/FormulaNode.h"

namespace {

bool HasChildren(const FormulaNode* node)
{
    return node->childCount > 0 && node->children;
}

// The sibling at offset (+1 or -1) from the node, or null.
FormulaNode* Sibling(const FormulaNode* node, int32_t offset)
{
    int32_t index = IndexInParent(node);
    if (index < 0)
        return nullptr;
    int32_t sibling = index + offset;
    if (sibling < 0 || sibling >= node->parent->childCount)
        return nullptr;
    return node->parent->children[sibling];
}

}  // namespace

FormulaNode* FirstInPostorder(FormulaNode* node)
{
    while (HasChildren(node))
        node = node->children[0];
    return node;
}

FormulaNode* NextInPostorder(FormulaNode* node)
{
    if (FormulaNode* sibling = Sibling(node, 1))
        return FirstInPostorder(sibling);
    return node->parent;
}

FormulaNode* NextInPreorder(FormulaNode* node)
{
    if (HasChildren(node))
        return node->children[0];
    return NextAfterSubtree(node);
}

FormulaNode* NextAfterSubtree(FormulaNode* node)
{
    for (; node; node = node->parent) {
        if (FormulaNode* sibling = Sibling(node, 1))
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

FormulaNode* PreviousBeforeSubtree(FormulaNode* node)
{
    for (; node; node = node->parent) {
        if (FormulaNode* sibling = Sibling(node, -1))
            return sibling;
    }
    return nullptr;
}

bool IsChildAt(const FormulaNode* node, uint32_t i)
{
    const FormulaNode* parent = node->parent;
    return parent && i < parent->childCount && parent->children[i] == node;
}

int32_t IndexInParent(const FormulaNode* node)
{
    const FormulaNode* parent = node->parent;
    if (!parent)
        return -1;
    for (uint32_t i = 0; i < parent->childCount; ++i) {
        if (parent->children[i] == node)
            return static_cast<int32_t>(i);
    }
    return -1;
}

uint32_t ChildPath::SearchPosition(const FormulaNode* node)
{
    return static_cast<uint32_t>(IndexInParent(node));
}

void PreorderWalk::Next()
{
    if (node_ && HasChildren(node_)) {
        path_.Descend(0);
        node_ = node_->children[0];
        if (shadow_)
            shadow_ = shadow_->children[0];
        return;
    }
    SkipSubtree();
}

void PreorderWalk::SkipSubtree()
{
    while (node_ && node_ != root_) {
        FormulaNode* parent = node_->parent;
        uint32_t next = path_.Position(node_) + 1;
        if (next < parent->childCount) {
            path_.MoveTo(next);
            node_ = parent->children[next];
            if (shadow_)
                shadow_ = shadow_->parent->children[next];
            return;
        }
        path_.Ascend();
        node_ = parent;
        if (shadow_)
            shadow_ = shadow_->parent;
    }
    node_ = nullptr;
    shadow_ = nullptr;
}

PostorderWalk::PostorderWalk(FormulaNode* root) : root_(root), node_(root)
{
    if (node_)
        DescendToFirstLeaf();
}

void PostorderWalk::DescendToFirstLeaf()
{
    while (HasChildren(node_)) {
        path_.Descend(0);
        node_ = node_->children[0];
    }
}

void PostorderWalk::Next()
{
    if (!node_ || node_ == root_) {
        node_ = nullptr;
        return;
    }
    FormulaNode* parent = node_->parent;
    uint32_t next = path_.Position(node_) + 1;
    if (next < parent->childCount) {
        path_.MoveTo(next);
        node_ = parent->children[next];
        DescendToFirstLeaf();
        return;
    }
    path_.Ascend();
    node_ = parent;
}
