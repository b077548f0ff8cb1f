#include "graphmodel/DataRows.h"

#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"

#include <algorithm>

int32_t DataRowCount(const CompiledFormula* x, const CompiledFormula* y, const CompiledFormula* z)
{
    int32_t n = 0;
    for (const CompiledFormula* f : {x, y, z}) {
        if (f)
            n = std::max(n, f->MaxTableLength());
    }
    return n;
}

DataRow ReadDataRow(const DataRowFormulas& formulas, int32_t row)
{
    DataRow r;
    r.x = formulas.x ? formulas.x->EvaluateAtRow(row, 0, 0, 0) : NAN;
    r.y = formulas.y ? formulas.y->EvaluateAtRow(row, 0, 0, 0) : NAN;
    r.z = formulas.z ? formulas.z->EvaluateAtRow(row, 0, 0, 0) : 0;
    // NaN and every value but 1 leave the row out.
    r.kept = !formulas.condition || formulas.condition->EvaluateAtRow(row, r.x, r.y, r.z) == 1;
    if (!r.kept)
        return r;
    if (formulas.radius)
        r.radius = formulas.radius->EvaluateAtRow(row, r.x, r.y, r.z);
    if (formulas.fontSize)
        r.fontSize = formulas.fontSize->EvaluateAtRow(row, r.x, r.y, r.z);
    const AGraphColor* color = formulas.color;
    if (color && (color->kind == ColorRgbFormulas || color->kind == ColorHsvFormulas)) {
        color->EvaluateFormulasForRow(row, r.x, r.y, r.z, r.red, r.green, r.blue);
        r.hasColor = true;
    }
    return r;
}

char16_t* CopyDataRowText(const CompiledFormula* text, int32_t row)
{
    return text ? text->CopyTextAtRow(row) : nullptr;
}
