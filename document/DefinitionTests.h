// How equation lines define things: small tests over formula trees, the
// values and keys of what they define, and the document's questions about
// its definition lines.
#pragma once

#include "formula/Definitions.h"
#include "numerics/ComplexValue.h"

#include <cstdint>

struct DocState;
struct FormulaNode;

// "=" whose left side is an unreserved variable, an indexed variable, or
// the application of a variable or indexed variable.
bool IsDefinitionEquation(const FormulaNode* node);
// The formula, or the first item of a comma list, is a definition equation.
bool IsDefinitionLine(const FormulaNode* node);
// name = slider(a, b) or slider(a, b, steps) with constant arguments.
bool IsSliderDefinition(const FormulaNode* node, const DocState* doc);
// name = a complex constant.
bool IsParameterDefinition(const FormulaNode* node);
// A subscript over a built-in graphing variable is defined (x_1 = 3).
bool IsIndexedVariableDefinition(const FormulaNode* node);
// name(arguments) = ... for the name tree.
bool IsFunctionDefinitionOf(const FormulaNode* node, const FormulaNode* name);

bool IsSignedNumber(const FormulaNode* node);
bool IsImaginaryUnit(const FormulaNode* node);
// i, or a signed number times i, under at most one minus.
bool IsImaginaryTerm(const FormulaNode* node);
// An imaginary term, or a signed number plus an imaginary term.
bool IsComplexConstant(const FormulaNode* node);

double SignedNumberValue(const FormulaNode* node);
ComplexValue ComplexConstantValue(const FormulaNode* node);
// The key of a definition's left side: a variable's code, else the numbered
// key of its subscripted variable; 0 when the left side has no key.
uint32_t DefinedVariableKey(const FormulaNode* definition);

// Some parameter-definition line defines the key.
bool IsParameterKeyDefined(uint32_t key, const DocState* doc);
// Some slider-definition line defines the key (the whole key: a slider of
// a_2 or of a long name does not define the letter a).
bool IsSliderDefined(uint32_t key, const DocState* doc);
// Some definition line, or an item of a definition list, defines a
// function of the name.
bool IsUserFunctionDefined(const FormulaNode* name, const DocState* doc);
