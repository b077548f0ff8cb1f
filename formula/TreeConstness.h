// Whether a subtree has one fixed value, so that it can be replaced by that
// value: the compiler's constant table, Calculate, constant folding and the
// value shown under a line. The document is asked about its parameters, user
// functions, tables and slider.
#pragma once

#include <cstdint>

struct DocState;
struct FormulaNode;

// What IsConstantNode admits beyond plain constants.
enum ConstantFlags : uint32_t {
    kAllowPartialOperator = 0x01,  // the partial-derivative operator heading an application
    kAllowBoundIndex = 0x04,       // summation indices and index equations
    kAllowParameters = 0x20,       // free parameters of the document
    kAllowBooleans = 0x40,         // relations and logic (0x80 admits them too)
    kAllowBooleansToo = 0x80,
};

// The variable is the index of an enclosing summation, product or loop
// below stop; never for built-in symbols or the slider variable.
bool IsBoundLocally(const FormulaNode* variable, const FormulaNode* stop, const DocState* doc);

// This node does not keep the subtree from having one fixed value.
bool IsConstantNode(const FormulaNode* node, const DocState* doc, uint32_t flags, const FormulaNode* stop);

// Every node passes with no allowances.
bool IsConstantTree(const FormulaNode* root, const DocState* doc);
// Free parameters and truth values allowed.
bool IsConstantTreeWithParameters(const FormulaNode* root, const DocState* doc);
// Indices bound below stop allowed, and intervals.
bool IsConstantTreeAllowingBound(const FormulaNode* root, const FormulaNode* stop, const DocState* doc);
// A value can be shown for it: parameters, truth values, bound indices,
// intervals and the slider variable allowed; style keys are not.
bool IsEvaluableForResult(const FormulaNode* root, const DocState* doc);

// The subtree needs complex arithmetic: a free i, conjugation, arg, real or
// imaginary parts, or a parameter the document defines.
bool UsesComplexNumbers(const FormulaNode* root, const DocState* doc);
