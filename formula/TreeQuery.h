// Questions about a subtree's shape and symbols. Each walks without
// recursion.
#pragma once

#include <cstdint>

struct FormulaNode;

// The number of nodes of the subtree.
uint32_t CountNodes(const FormulaNode* root);
// Some variable of the subtree has the code; bound variables do not count.
bool ContainsSymbol(const FormulaNode* root, uint32_t code);
// Some node of the subtree is a matrix.
bool ContainsMatrix(const FormulaNode* root);
// f(x) typed as a product: the variable f times parentheses around x.
bool IsFOfXProduct(const FormulaNode* node);
