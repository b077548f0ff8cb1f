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
// The same with comma lists, relations and logic accepted.
bool DependsOnlyOnWithLists(const FormulaNode* tree, const DocState* doc, uint32_t a, uint32_t b = kNoVariable,
                            uint32_t c = kNoVariable, uint32_t d = kNoVariable);
// The rule for three codes that also takes matrices and function
// applications as they stand.
bool TupleDependsOnlyOn(const FormulaNode* tree, const DocState* doc, uint32_t a, uint32_t b, uint32_t c);

// A function of x, y, r and theta.
bool IsPlaneExpression(const FormulaNode* tree, const DocState* doc);
bool IsPlaneExpressionWithLists(const FormulaNode* tree, const DocState* doc);

// What AllNodesConstant takes beyond constants, parameters and bound indices.
enum ConstantExtra : uint32_t {
    kExtraNone = 0,
    kExtraStatements = 2,          // relations, lists, variables, matrices, equations
    kExtraVariables = 16,          // any variable
    kExtraVariablesAndLists = 136, // any variable, comma lists, relations and logic
};

// Every node is constant with the extra allowances (one of ConstantExtra).
bool AllNodesConstant(const FormulaNode* tree, const DocState* doc, uint32_t extra);
