// Deep copies of formula trees, and freeing whole or partial trees, without
// recursion.
#pragma once

struct FormulaNode;

// A copy of the tree with no parent and no layout boxes. When memory runs
// out the partial copy is freed, the failure protocol runs and the answer is
// a number node holding UndefinedReal (null only if even that cannot be had).
FormulaNode* CopyTree(const FormulaNode* root);
// The editor's copy; the same as CopyTree.
FormulaNode* CopyTreeForEdit(const FormulaNode* root);

// Frees every node of the tree, root included; null-safe. A null child slot
// is passed over.
void FreeTree(FormulaNode* root);

// Frees a copy that stopped half way: child slots still holding
// CopyFillPattern are passed over.
void FreePartialCopy(FormulaNode* root);

// Marks the child slots of a copy that are not filled yet.
extern FormulaNode* const CopyFillPattern;
