// The chain rule of the elementary functions: the derivative of f(F) as the
// outer derivative f'(F) combined with a copy w of F, which the caller then
// differentiates.
#pragma once

#include <cstdint>

struct FormulaNode;

// The derivative of a node of the kind over the argument, built from copies
// of the argument; *inner is the copy w that the caller differentiates. Null
// when the kind has no chain rule.
FormulaNode* ChainRuleDerivative(int32_t kind, const FormulaNode* argument, FormulaNode** inner);
