// Linear text of a formula tree for test expectations, in the notation that
// FormulaReader reads, with brackets wherever the grouping needs them:
// x^2+2*x+1, a-b, -(x*y), (x*y)^2, x^(-3), a/(b*c), (-3)/2, sin(x), [x].
// Negative numbers inside a formula are written (-3); internal kinds by
// their number, #8082(y,x).
#pragma once

#include <string>

struct FormulaNode;

std::string PrintFormula(const FormulaNode* node);
