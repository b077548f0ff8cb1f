// Symbolic differentiation. The user writes d/dx (optotal) and the partial
// operator (oppartial) applied to an expression; before a formula is graphed
// or evaluated, and when Simplify runs, the applications become internal
// derivative nodes, are differentiated, and whatever has no rule goes back
// to an application, so an underivable function stays visible as d/dx of it.
#pragma once

#include <cstdint>

struct FormulaNode;

// While set, a partial derivative of a subtree free of the variable, or of a
// variable other than it, is kept as a derivative node instead of becoming 0.
// The analysis sets it around the derivatives of a definition that holds a
// derivative application. Each thread has its own, clear at first.
extern thread_local unsigned char KeepUnknownDerivatives;

// Replaces the subtree at the node, in place, by its derivative by the
// variable; kind is KindPartialDerivative or KindTotalDerivative. The
// variable subtree is neither changed nor taken over. Every touched node is
// normalised as it is done. When computations must stop, the node becomes the
// variable inf.
void Differentiate(FormulaNode* node, int32_t kind, const FormulaNode* variable);

// No node of the subtree is the variable: for a variable node, its code does
// not occur; for another subtree, no node equals it.
bool IsIndependentOf(const FormulaNode* subtree, const FormulaNode* variable);
