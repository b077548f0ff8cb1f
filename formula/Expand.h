// The Expand command: one term off the front of every summation and product
// operator in the selected term, then products of sums and small whole powers
// of sums multiplied out.
#pragma once

#include <cstdint>

struct FormulaNode;

// The node, a summation (mode KindSigma) or product (KindCapitalPi) operator
// over k = a to b, gives up its first term: over a single index value it
// becomes that term, over an empty range 0 or 1; other shapes stay.
void PeelFirstTerm(FormulaNode* node, int32_t mode);
// PeelFirstTerm on every operator of the subtree, each once.
void PeelSumsAndProducts(FormulaNode* root);

// The steps on the current node of the current editor state.
void PeelSumsInSelection();
void SimplifyCurrentNode();
void ExpandSelection();
// The whole Expand command.
void ExpandCommand();
