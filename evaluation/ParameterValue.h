// The values of the document's names that compiled formulas read while they
// run: parameters, math-pane sliders and table columns, and the tables that
// act as functions. The document lives in a layer above and registers its
// answers at start-up; a null document, or none registered, answers as an
// empty document: the slider is undefined, every name reads as 1, no column
// holds text, every table function is undefined and there are no user
// functions.
#pragma once

#include "numerics/ComplexInterval.h"
#include "numerics/ComplexValue.h"

#include <cstdint>

struct DocState;
struct UserFunction;

struct DocumentValues {
    double (*sliderValue)(const DocState* doc) = nullptr;
    ComplexValue (*parameterValue)(uint32_t code, int32_t row, const DocState* doc) = nullptr;
    const char16_t* (*columnText)(uint32_t code, int32_t row, const DocState* doc) = nullptr;
    // A copy the caller frees with std::free.
    char16_t* (*columnTextCopy)(uint32_t code, int32_t row, const DocState* doc) = nullptr;
    bool (*isTextColumn)(uint32_t code, const DocState* doc) = nullptr;
    double (*tableReal1)(uint32_t id, double x, const DocState* doc) = nullptr;
    double (*tableReal2)(uint32_t id, double a, double b, const DocState* doc) = nullptr;
    Interval (*tableInterval1)(uint32_t id, Interval x, const DocState* doc) = nullptr;
    Interval (*tableInterval2)(uint32_t id, Interval a, Interval b, const DocState* doc) = nullptr;
    // The user function at the index, or null past the end.
    const UserFunction* (*userFunction)(const DocState* doc, int32_t index) = nullptr;
};

void SetDocumentValues(const DocumentValues& values);

// The slider variable's current value; NaN without a document.
double DocSliderValue(const DocState* doc);

// The user function at the index, or null.
const UserFunction* DocUserFunction(const DocState* doc, int32_t index);

// The value of a name (a SymbolCode, or a NumberedVariableKey for x_k) at a
// data row: the constant of the first line that defines it, the slider it
// is bound to, else its table column's cell at the row; 1 when nothing
// answers. Never fails.
ComplexValue GetParameterValue(uint32_t code, int32_t row, const DocState* doc);

// The text of a table column's cell at a row (rows counted from 1); null
// when the code names no table column.
const char16_t* TableColumnText(uint32_t code, int32_t row, const DocState* doc);
// A copy of that text (free it with std::free), taken while the document
// task cannot replace the cell; null when there is none.
char16_t* CopyTableColumnText(uint32_t code, int32_t row, const DocState* doc);
// The code names a table column that holds text.
bool IsTextColumn(uint32_t code, const DocState* doc);

// The value at x of the table function registered under the id, and at
// (a, b) of one with two arguments; NaN when no table function has the id.
double EvalTableFunctionReal1(uint32_t id, double x, const DocState* doc);
double EvalTableFunctionReal2(uint32_t id, double a, double b, const DocState* doc);
// The same over intervals: the table's interpolated values over x, or over
// the box of a and b; undefined when no table function has the id.
Interval EvalTableFunctionInterval1(uint32_t id, Interval x, const DocState* doc);
Interval EvalTableFunctionInterval2(uint32_t id, Interval a, Interval b, const DocState* doc);
// Complex arguments: undefined (both parts NaN) unless every imaginary
// part is exactly 0, else the real function of the real parts with
// imaginary part 0.
ComplexValue EvalTableFunctionComplex1(uint32_t id, ComplexValue x, const DocState* doc);
ComplexValue EvalTableFunctionComplex2(uint32_t id, ComplexValue a, ComplexValue b, const DocState* doc);
// Over rectangles: undefined unless the imaginary intervals are exactly
// [0, 0], else the interval function of the real intervals.
ComplexInterval EvalTableFunctionComplexInterval1(uint32_t id, ComplexInterval x, const DocState* doc);
ComplexInterval EvalTableFunctionComplexInterval2(uint32_t id, ComplexInterval a, ComplexInterval b,
                                                  const DocState* doc);
