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
// Some node of the subtree has the kind.
bool ContainsKind(const FormulaNode* root, int32_t kind);
// The node is operand position of a node of the kind.
bool IsOperandOf(const FormulaNode* node, int32_t parentKind, uint32_t position);
// An over that is the exponent of a power whose base is not e, directly or
// under a minus: its numerator and denominator stay two values for the
// rational power, and constant folding keeps it as it is.
bool IsFractionExponent(const FormulaNode* node);
// The node is the base of a subscript, as x in x_1.
bool IsSubscriptBase(const FormulaNode* node);
// f(x) typed as a product: the variable f times parentheses around x.
bool IsFOfXProduct(const FormulaNode* node);
