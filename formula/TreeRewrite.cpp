#include "formula/TreeRewrite.h"

#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

namespace {

void AdoptChildren(FormulaNode* node)
{
    for (uint32_t i = 0; i < node->childCount; ++i)
        node->children[i]->parent = node;
}

bool IsAncestorOf(const FormulaNode* ancestor, const FormulaNode* node)
{
    for (const FormulaNode* up = node->parent; up; up = up->parent) {
        if (up == ancestor)
            return true;
    }
    return false;
}

// Other as the first (position 0) or last (1) operand of a node of the kind,
// else the node wrapped in a new one of the kind with other at the position.
bool InsertOperand(FormulaNode* node, FormulaNode* other, int32_t kind, uint32_t position)
{
    if (node->kind != kind)
        return WrapInBinary(node, other, position, kind) != nullptr;
    uint32_t count = node->childCount;
    if (!other || !ResizeChildArray(node, count + 1)) {
        FreeTree(other);
        return false;
    }
    uint32_t slot = position ? count : 0;
    if (!position)
        ShiftChildrenRight(node, count);
    node->children[slot] = other;
    other->parent = node;
    return true;
}

}  // namespace

FormulaNode* MoveContentToNewNode(FormulaNode* node, int32_t kind, uint32_t count)
{
    if (count == 0 || count > kMaxChildCount)
        return nullptr;
    FormulaNode* moved = AllocZeroedNode();
    if (!moved)
        return nullptr;
    FormulaNode** slots = NewChildArray(count);
    if (!slots) {
        FreeNodeBlocks(moved);
        return nullptr;
    }
    moved->kind = node->kind;
    moved->payload = node->payload;
    moved->childCount = node->childCount;
    moved->children = node->children;
    moved->parent = node;
    AdoptChildren(moved);
    node->kind = kind;
    node->payload = NodePayload{};
    node->children = slots;
    node->childCount = static_cast<uint16_t>(count);
    return moved;
}

FormulaNode* WrapInUnary(FormulaNode* node, int32_t kind)
{
    FormulaNode* moved = MoveContentToNewNode(node, kind, 1);
    if (moved)
        node->children[0] = moved;
    return moved;
}

FormulaNode* WrapInBinary(FormulaNode* node, FormulaNode* other, uint32_t position, int32_t kind)
{
    FormulaNode* moved = other && position <= 1 ? MoveContentToNewNode(node, kind, 2) : nullptr;
    if (!moved) {
        FreeTree(other);
        return nullptr;
    }
    node->children[1 - position] = moved;
    node->children[position] = other;
    other->parent = node;
    return node->children[1];
}

FormulaNode* NegateInPlace(FormulaNode* node)
{
    return WrapInUnary(node, KindMinus);
}

FormulaNode* DivideInPlace(FormulaNode* node, FormulaNode* other)
{
    return WrapInBinary(node, other, 1, KindFraction);
}

FormulaNode* RaiseInPlace(FormulaNode* node, FormulaNode* other)
{
    return WrapInBinary(node, other, 1, KindPower);
}

FormulaNode* AddToNode(FormulaNode* node, FormulaNode* other)
{
    return WrapInBinary(node, other, 1, KindSum);
}

FormulaNode* PrependTerm(FormulaNode* node, FormulaNode* other)
{
    return WrapInBinary(node, other, 0, KindSum);
}

FormulaNode* ReciprocalInPlace(FormulaNode* node)
{
    return WrapInBinary(node, MakeNumberNode(1), 0, KindFraction);
}

bool AppendOperand(FormulaNode* node, FormulaNode* other, int32_t kind)
{
    return InsertOperand(node, other, kind, 1);
}

bool AppendFactor(FormulaNode* node, FormulaNode* other)
{
    return AppendOperand(node, other, KindProduct);
}

bool PrependOperand(FormulaNode* node, FormulaNode* other, int32_t kind)
{
    return InsertOperand(node, other, kind, 0);
}

bool PrependFactor(FormulaNode* node, FormulaNode* other)
{
    return PrependOperand(node, other, KindProduct);
}

FormulaNode* MakeSubstitutionInPlace(FormulaNode* node, FormulaNode* left, FormulaNode* right)
{
    FormulaNode* equation = MakeNode(KindEquation, 2);
    if (!equation || !left || !right) {
        FreeNode(equation);
        FreeTree(left);
        FreeTree(right);
        return nullptr;
    }
    equation->children[0] = left;
    equation->children[1] = right;
    AdoptChildren(equation);
    return WrapInBinary(node, equation, 1, KindSubstitution);
}

void TransplantNode(FormulaNode* source, FormulaNode* target)
{
    if (source == target)
        return;
    FreeChildStorage(target);
    target->kind = source->kind;
    target->payload = source->payload;
    target->childCount = source->childCount;
    target->children = source->children;
    AdoptChildren(target);
    // The content now belongs to the target; only the record and box go.
    FreeNodeBlocks(source);
}

void ReplaceNode(FormulaNode* source, FormulaNode* target)
{
    // No source: a build that ran out of memory; the target stays.
    if (source == target || !source)
        return;
    if (IsAncestorOf(target, source)) {
        FormulaNode* holder = source->parent;
        holder->children[IndexInParent(source)] = nullptr;
        source->parent = nullptr;
    }
    for (uint32_t i = 0; i < target->childCount; ++i)
        FreeTree(target->children[i]);
    TransplantNode(source, target);
}

void CollapseToFirstChild(FormulaNode* node)
{
    if (node->childCount == 0 || !node->children)
        return;
    // The operation is for one-child nodes; extra children would be lost
    // with the node's array, so they are freed rather than leaked.
    for (uint32_t i = 1; i < node->childCount; ++i)
        FreeTree(node->children[i]);
    TransplantNode(node->children[0], node);
}

void StripParentheses(FormulaNode* root)
{
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        FormulaNode* node = walk.Node();
        while (node->kind == KindParentheses && node->childCount > 0)
            CollapseToFirstChild(node);
    }
}
