// The document's named table columns as functions and variables: the
// lookups behind the interpreters' table opcodes and a formula's reading of
// a column in the current data row. A key is the SymbolCode of the column's
// name; the first entry with the key wins (the table nearest the top, then
// the leftmost column). Every lookup only reads and may run on any thread;
// a key without an entry answers undefined (NaN, or the undefined interval).
#pragma once

#include "numerics/Interval.h"

#include <cstdint>

struct DocState;

// The value of data row `row` (from 1) of the key's column. A text column
// answers the text's identity (numerics/TextIdentity.h), which formulas
// compare as texts; an empty text cell is undefined.
double GetTableValue(uint32_t key, int32_t row, const DocState* doc);
// The text of the cell, or null; valid only while the table stays
// unchanged. GetTableFunctionCellCopy answers a copy the caller frees with
// std::free, safe while the document task rewrites computed cells.
const char16_t* GetTableFunctionCellText(uint32_t key, int32_t row, const DocState* doc);
char16_t* GetTableFunctionCellCopy(uint32_t key, int32_t row, const DocState* doc);
bool IsTableTextFunction(uint32_t key, const DocState* doc);

// name(x): the key's column interpolated linearly; name(x, y): the key's
// table interpolated bilinearly; and their interval forms.
double TableFunctionValue1(uint32_t key, double x, const DocState* doc);
double TableFunctionValue2(uint32_t key, double x, double y, const DocState* doc);
Interval TableFunctionInterval1(uint32_t key, Interval x, const DocState* doc);
Interval TableFunctionInterval2(uint32_t key, Interval x, Interval y, const DocState* doc);

// The document's hooks for rebuilding the list and reading column values;
// at start-up.
void RegisterTableFunctionHooks();
