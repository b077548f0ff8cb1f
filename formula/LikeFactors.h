// Merging like factors of a product into powers (x x -> x^2, x^a x^b ->
// x^(a+b)) and cancelling factors with one base between the numerator and
// the denominator of a fraction.
#pragma once

#include <cstdint>

struct FormulaNode;

// Merges every pair of like factors; a factor holding a matrix is merged
// only with its right neighbour, since matrix factors do not commute.
void CombineLikeFactors(FormulaNode* product);
// g has f's base: the base of a power, or the factor itself.
bool AreLikeFactors(const FormulaNode* f, const FormulaNode* g);
// Factor i and factor j (j > i) become one power.
void MergeLikeFactors(FormulaNode* product, uint32_t i, uint32_t j);
// Cancels factors with one base between numerator and denominator by
// subtracting exponents.
void CancelCommonFactors(FormulaNode* fraction);
