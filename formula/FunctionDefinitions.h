// What the analysis does with definitions: applying a definition to a
// statement as a rule, binding the parameters of a function definition, and
// the small builders and tests of piecewise definitions.
#pragma once

#include <cstdint>

struct FormulaNode;

// Tries the equation as a rule at every node of the root, in pre-order,
// except on the components of colour and (dx, dy) vectors and inside a
// summation, product or integral that rebinds a name of the left side; a
// rewritten subtree is not entered again.
void SubstituteEquation(FormulaNode* root, const FormulaNode* equation);
// Some node of the root, not such a component, matches the equation's left
// side.
bool ContainsSubtreeEqualTo(FormulaNode* root, const FormulaNode* equation);

// f(x, y) = body: the parameters become bound variables, in the head and in
// the body; a numbered parameter x_k becomes the bound variable of its key.
void BindFunctionParameters(FormulaNode* equation);
// Every variable of the code, but a subscript's base and the index of a
// summation, product or integral of the root over that code, becomes a bound
// variable.
void MarkBoundSymbol(uint32_t code, FormulaNode* root);
// A bound variable, or a comma list of bound variables (empty too).
bool IsBoundVariableList(const FormulaNode* node);
// The equation's left side applies a variable or indexed variable to bound
// variables.
bool IsUserFunctionHead(const FormulaNode* equation);

// A new if node (value, condition).
FormulaNode* MakeIfNode(FormulaNode* condition, FormulaNode* value);
// The piece goes first in the node's branch; a node that is no branch
// becomes the branch of the piece and its former content.
void PrependBranchPiece(FormulaNode* piece, FormulaNode* node);
// previous And condition; the condition itself when there is no previous.
FormulaNode* AndConditions(FormulaNode* condition, FormulaNode* previous);
// Neither is a comma list, or both are, of as many items.
bool ListShapesMatch(const FormulaNode* left, const FormulaNode* right);
// Each bound variable of the root named at position i of the parameter
// list takes the payload of item i of the target list.
void RemapBoundVariables(FormulaNode* root, const FormulaNode* targets, const FormulaNode* parameters);
// The code of item i of the targets when the parameters hold a bound
// variable of the code at i; else the code.
uint32_t BoundVariableCodeAt(uint32_t code, const FormulaNode* parameters, const FormulaNode* targets);
// An enclosing summation or product takes the variable as its index.
bool IsSummationIndex(const FormulaNode* variable);
