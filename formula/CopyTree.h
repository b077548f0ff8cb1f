// Deep copies of formula trees, and freeing whole or partial trees, without
// recursion.
#pragma once

struct FormulaNode;

// A copy of the tree with no parent and no layout boxes. When memory runs
// out the partial copy is freed, the failure protocol runs and the answer is
// a number node holding UndefinedReal (null only if even that cannot be had).
FormulaNode* CopyTree(const FormulaNode* root);

// Frees every node of the tree, root included.
void FreeTree(FormulaNode* root);

// Frees a copy that stopped half way: a child slot still holding
// CopyFillPattern (or null) ends its array.
void FreePartialCopy(FormulaNode* root);

// Marks the child slots of a copy that are not filled yet.
extern FormulaNode* const CopyFillPattern;
