// The one order of the factors of a product that makes equal products look
// equal: numbers first, then by kind (variables before subscripts, products,
// functions and powers), variables by their symbols, equal kinds by their
// first differing operand. Matrix factors keep their places.
#pragma once

#include <cstdint>

struct FormulaNode;

// Puts the factors in order by passes of neighbour swaps until a pass makes
// none.
void SortFactors(FormulaNode* product);
// q must come before p.
bool FactorPrecedes(const FormulaNode* p, const FormulaNode* q);
// Symbol code a must come before code b: the named symbols, the letters
// (capitals first), the other codes, registry names by their text, then e,
// and the degree sign last.
bool SymbolPrecedes(uint32_t a, uint32_t b);
