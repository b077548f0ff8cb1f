// The values of the document's names that compiled formulas read while they
// run: parameters, math-pane sliders and table columns, and the tables that
// act as functions.
#pragma once

#include "evaluation/ComplexInterval.h"
#include "evaluation/ComplexValue.h"

#include <cstdint>

struct DocState;

// The value of a name (a SymbolCode, or a NumberedVariableKey for x_k) at a
// data row: the constant of the first line that defines it, the slider it
// is bound to, else its table column's cell at the row; 1 when nothing
// answers. Never fails.
ComplexValue GetParameterValue(uint32_t code, int32_t row, const DocState* doc);

// The text of a table column's cell at a row (rows counted from 1); null
// when the code names no table column.
const char16_t* TableColumnText(uint32_t code, int32_t row, const DocState* doc);

// The value at x of the table function registered under the id, and at
// (a, b) of one with two arguments; NaN when no table function has the id.
double EvalTableFunctionReal1(uint32_t id, double x, const DocState* doc);
double EvalTableFunctionReal2(uint32_t id, double a, double b, const DocState* doc);
// The same over intervals: the table's interpolated values over x, or over
// the box of a and b; undefined when no table function has the id.
Interval EvalTableFunctionInterval1(uint32_t id, Interval x, const DocState* doc);
Interval EvalTableFunctionInterval2(uint32_t id, Interval a, Interval b, const DocState* doc);
// Over rectangles: undefined unless the imaginary intervals are exactly
// [0, 0], else the interval function of the real intervals.
ComplexInterval EvalTableFunctionComplexInterval1(uint32_t id, ComplexInterval x, const DocState* doc);
ComplexInterval EvalTableFunctionComplexInterval2(uint32_t id, ComplexInterval a, ComplexInterval b,
                                                  const DocState* doc);
