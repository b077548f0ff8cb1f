// Walks over a formula tree by its parent links, so that no walk uses stack
// in proportion to the tree's depth. Each answers a node or null.
#pragma once

struct FormulaNode;

// Child 0, else NextAfterSubtree.
FormulaNode* NextInPreorder(FormulaNode* node);
// The next sibling of the node or of the nearest ancestor that has one.
FormulaNode* NextAfterSubtree(FormulaNode* node);
// Follow the last child down to a leaf.
FormulaNode* LastInPreorder(FormulaNode* node);
