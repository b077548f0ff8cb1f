// Walks over a formula tree by its parent links, so that no walk uses stack
// in proportion to the tree's depth.
//
// The step functions are pure and answer a node or null; they find a node's
// place among its siblings by a search of the parent's array. The walk
// records below keep those places instead, so a whole-tree loop costs the
// same on a sum of ten thousand terms as on ten sums of a thousand.
#pragma once

#include "CoreUtilities/GrowArray.h"

#include <cstdint>

struct FormulaNode;

// Follow child 0 down to a leaf.
FormulaNode* FirstInPostorder(FormulaNode* node);
// FirstInPostorder of the next sibling, else the parent; null without parent.
FormulaNode* NextInPostorder(FormulaNode* node);
// Child 0, else NextAfterSubtree.
FormulaNode* NextInPreorder(FormulaNode* node);
// The next sibling of the node or of the nearest ancestor that has one.
FormulaNode* NextAfterSubtree(FormulaNode* node);
// Follow the last child down to a leaf.
FormulaNode* LastInPreorder(FormulaNode* node);
// The previous sibling of the node or of the nearest ancestor that has one.
FormulaNode* PreviousBeforeSubtree(FormulaNode* node);

// The node has a parent and is its child i.
bool IsChildAt(const FormulaNode* node, uint32_t i);
// The node's position in its parent, or -1 without parent.
int32_t IndexInParent(const FormulaNode* node);

// The position of each node of the walk's current path in its parent. The
// first levels live in the record itself; deeper ones come from the memory
// budget, and below the depth where it refused they are found by a search,
// so a walk never fails.
class ChildPath {
public:
    ChildPath() = default;
    ChildPath(const ChildPath&) = delete;
    ChildPath& operator=(const ChildPath&) = delete;
    ~ChildPath() { deeper_.Clear(); }

    void Descend(uint32_t position)
    {
        ++depth_;
        if (depth_ <= kNearLevels)
            near_[depth_ - 1] = static_cast<uint16_t>(position);
        // Once a level went unrecorded, deeper ones are not recorded either,
        // so that the recorded levels are always the top ones.
        else if (static_cast<uint32_t>(deeper_.count) == depth_ - kNearLevels - 1)
            deeper_.Push(static_cast<uint16_t>(position));
    }
    void Ascend()
    {
        if (depth_ > kNearLevels && static_cast<uint32_t>(deeper_.count) == depth_ - kNearLevels)
            --deeper_.count;
        --depth_;
    }
    // Where the node, which stands at the current depth, is in its parent.
    uint32_t Position(const FormulaNode* node)
    {
        const uint16_t* slot = Slot();
        return slot ? *slot : SearchPosition(node);
    }
    void MoveTo(uint32_t position)
    {
        if (uint16_t* slot = Slot())
            *slot = static_cast<uint16_t>(position);
    }

private:
    static constexpr uint32_t kNearLevels = 32;

    uint16_t* Slot()
    {
        if (depth_ <= kNearLevels)
            return &near_[depth_ - 1];
        uint32_t level = depth_ - kNearLevels;
        return level <= static_cast<uint32_t>(deeper_.count) ? &deeper_[static_cast<int32_t>(level) - 1] : nullptr;
    }
    static uint32_t SearchPosition(const FormulaNode* node);

    uint32_t depth_ = 0;
    uint16_t near_[kNearLevels];
    GrowArray<uint16_t> deeper_;
};

// Pre-order over the subtree of root: the root, then each child's subtree in
// order. A rewrite may replace the content of the current node (its record
// stays in its parent) and then go on into the new children with Next or
// past them with SkipSubtree.
//
// A shadow tree, when given, is walked in step: a copy being built or a tree
// being compared, whose node at each step has as many children as the walked
// one (the caller checks or makes that before stepping).
class PreorderWalk {
public:
    explicit PreorderWalk(FormulaNode* root, FormulaNode* shadow = nullptr)
        : root_(root), node_(root), shadow_(shadow)
    {
    }

    // Null once the walk has passed the last node.
    FormulaNode* Node() const { return node_; }
    FormulaNode* Shadow() const { return shadow_; }
    // Into the node's children, else on past its subtree.
    void Next();
    // On past the node's subtree.
    void SkipSubtree();

private:
    FormulaNode* root_;
    FormulaNode* node_;
    FormulaNode* shadow_;
    ChildPath path_;
};

// Post-order over the subtree of root: each child's subtree in order, then
// the node. A rewrite may replace the current node's content, whose children
// have been visited.
class PostorderWalk {
public:
    explicit PostorderWalk(FormulaNode* root);

    FormulaNode* Node() const { return node_; }
    void Next();

private:
    void DescendToFirstLeaf();

    FormulaNode* root_;
    FormulaNode* node_;
    ChildPath path_;
};
