// Nodes that bind a variable: summations and products (body, k = start,
// end), their loops (k = start, end, body) and integrals (f, x) and
// (f, x, a, b). The variable they declare names something else inside their
// scope (the body or the integrand) than the same name outside it, so
// rewrites that act on a name stop at the scope of a binder of that name.
#pragma once

#include <cstdint>

struct FormulaNode;

// The variable the node declares, or null when the node binds nothing.
const FormulaNode* BinderVariable(const FormulaNode* node);
// The operand in which the binder's variable is bound, or null.
const FormulaNode* BinderScope(const FormulaNode* node);
// The binder declares a variable of the code.
bool DeclaresCode(const FormulaNode* binder, uint32_t code);
// The binder declares a variable whose code the pattern holds.
bool DeclaresNameOf(const FormulaNode* binder, const FormulaNode* pattern);
// The binder whose scope the node is, or whose declared variable the node
// is; null for other nodes. A walk that passes over the subtree of such a
// node leaves the binder's own names alone.
const FormulaNode* BinderEntered(const FormulaNode* node);
// The nearest binder of a name the pattern holds whose scope holds the node
// or whose declared variable the node is, on the way from the node up to
// the root (the root included; a null root: up to the top); null when there
// is none.
const FormulaNode* ReboundBinder(const FormulaNode* node, const FormulaNode* pattern, const FormulaNode* root);
// An internal index code (a nameless loop index) deeper than any that a
// binder of the root declares and at least InternalIndexCode(depth), so
// that a loop given it captures no index inside; 0 when none is left.
uint32_t FreeInternalIndexCode(const FormulaNode* root, uint32_t depth);
