// Structural equality of formula trees.
#pragma once

struct FormulaNode;

// Same shape, kinds, numbers (compared with ==, so NaN never equals),
// symbol codes, texts, and matrix and subscript shapes. False when either is
// null.
bool TreesEqual(const FormulaNode* a, const FormulaNode* b);
