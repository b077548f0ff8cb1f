// Keys of defined names, and whether a document line defines a parameter.
#pragma once

#include <cstdint>

struct DocState;
struct FormulaNode;

// A variable, or an indexed variable (a subscript over a variable).
bool IsVariableOrIndexed(const FormulaNode* node);
// An ordinary subscript (x_1) over a variable whose index is a number with
// no fractional part, small enough to key (0 to 65,534).
bool IsNumberedVariable(const FormulaNode* node);
// (k + 1) x 65,536 + the base's code, k the index of a numbered variable.
uint32_t NumberedVariableKey(const FormulaNode* node);
// A parameter-definition line of the document defines the variable; the
// base of a numbered variable is looked up by the numbered key.
bool IsParameterDefined(const FormulaNode* variable, const DocState* doc);

// A variable whose code is reserved, or a style key.
bool IsReservedVariable(const FormulaNode* node);
// A subscript with one index and no superscript over a variable.
bool IsIndexedVariable(const FormulaNode* node);
