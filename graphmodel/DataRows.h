// Reading the rows of the document's tables for a data plot, in the plane
// or in space: how many rows a plot runs over, and what one row gives its
// coordinate, condition, size and colour formulas and its text formulas.
// The plot compiles its formulas itself and calls these from the worker
// that computes it; rows are numbered from 1.
#pragma once

#include <cmath>
#include <cstdint>

class AGraphColor;
struct CompiledFormula;

// The formulas one row is read with; every one but x and y may be null.
struct DataRowFormulas {
    CompiledFormula* x = nullptr;
    CompiledFormula* y = nullptr;
    // In space only.
    CompiledFormula* z = nullptr;
    // The row is kept where this is exactly 1.
    CompiledFormula* condition = nullptr;
    // The marker's radius (in the plane) or size (in space).
    CompiledFormula* radius = nullptr;
    CompiledFormula* fontSize = nullptr;
    // Read per row only for formula colours (kinds 9 and 10).
    const AGraphColor* color = nullptr;
};

struct DataRow {
    double x = NAN, y = NAN, z = 0;
    // The condition is exactly 1, or there is none. Coordinates may still
    // be undefined or infinite: each plot decides what it draws.
    bool kept = false;
    // NaN without the formula, and for rows not kept.
    double radius = NAN;
    double fontSize = NAN;
    // Only for a formula colour and a kept row: the channels in [0, 1].
    bool hasColor = false;
    double red = 0, green = 0, blue = 0;
};

// The rows a plot runs over: the most rows among the table columns that
// its coordinate formulas read; 0 when they read none.
int32_t DataRowCount(const CompiledFormula* x, const CompiledFormula* y, const CompiledFormula* z = nullptr);

// Row `row`: the coordinates at that row (x, y and z slots 0); then, with
// the row's coordinates in the x, y and z slots, the condition, and for a
// kept row the radius, font size and colour.
DataRow ReadDataRow(const DataRowFormulas& formulas, int32_t row);

// A copy of a text formula's text at the row (a quoted text, or the cell of
// the table column it names), which the caller frees with std::free; null
// without a formula or a text. Copies stay valid whatever the document task
// does to the table's cells meanwhile.
char16_t* CopyDataRowText(const CompiledFormula* text, int32_t row);
