// Merging like terms of a sum: terms equal apart from a leading minus and a
// leading number, as x + x -> 2 x and x - x -> 0.
#pragma once

#include <cstdint>

struct FormulaNode;

// Merges every pair of like terms of the sum, then normalises it once more
// without merging.
void CollectLikeTerms(FormulaNode* sum);
// The terms are equal apart from one leading minus and a leading number.
// Matrices never match.
bool AreLikeTerms(const FormulaNode* t, const FormulaNode* u);
// Adds the coefficient of term i into term j (j > i) and deletes term i.
void MergeLikeTerms(FormulaNode* sum, uint32_t i, uint32_t j);
