// Moving subtrees between child slots while a rule rebuilds a node: a child
// is taken out of its slot, built into new nodes, and a new subtree is put in
// a slot.
#pragma once

#include <cstdint>

struct FormulaNode;

// Takes the child out of its parent's slot, which is left null (freeing the
// parent passes over it); answers the child, now without parent.
FormulaNode* Unlink(FormulaNode* child);
// Puts the subtree into slot i of the node.
void SetChild(FormulaNode* node, uint32_t i, FormulaNode* child);
