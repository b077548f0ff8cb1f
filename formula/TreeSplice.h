// Removing children from a node and splicing a child's children into it.
// Where memory or the operand limit refuses, nothing changes and the answer
// says so, so that callers' loops can move on.
#pragma once

#include <cstdint>

struct FormulaNode;

// The most operands a flattened node may have.
constexpr uint32_t kMaxFlattenedOperands = 10000;

// Takes child i out: later children move one slot left and the array
// shrinks by one. Answers the removed child, now without parent; null when no
// smaller array could be had (nothing changed).
FormulaNode* RemoveChildAt(FormulaNode* node, uint32_t i);
// Of two children, the node becomes the other one (TransplantNode); else
// child i is removed. The removed child is freed. False when nothing changed.
bool DeleteOperand(FormulaNode* node, uint32_t i);
// As DeleteOperand, but answers the removed child (without parent) instead of
// freeing it; null when nothing changed.
FormulaNode* DetachOperand(FormulaNode* node, uint32_t i);
// RemoveChildAt and free the child; the node never collapses.
bool DeleteChild(FormulaNode* node, uint32_t i);
// Child pointers 0..n-1 move to 1..n; the caller has grown the array.
void ShiftChildrenRight(FormulaNode* node, uint32_t n);
// Child i's children take its place in the node, in order, and the emptied
// child is freed. Refused (false, nothing changed) when the node would have
// more than kMaxFlattenedOperands children, when child i has no children, or
// when no array can be had.
bool FlattenChild(FormulaNode* node, uint32_t i);
