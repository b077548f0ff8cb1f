// The dependency rule that the graph model and the compiler share: a
// subtree is a function of the given graph variables alone.
#pragma once

#include <cstdint>

struct DocState;
struct FormulaNode;

// The code that fills an empty place.
constexpr uint32_t kNoVariable = 32;

// Every node is constant (parameters, bound indices and constant functions
// allowed), a variable among a, b, c, d, a variable that is no graph
// variable, or the base of a subscripted name (x_1 is a parameter, not x).
bool DependsOnlyOn(const FormulaNode* tree, const DocState* doc, uint32_t a, uint32_t b = kNoVariable,
                   uint32_t c = kNoVariable, uint32_t d = kNoVariable);
