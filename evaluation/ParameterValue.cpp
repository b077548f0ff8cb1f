#include "evaluation/ParameterValue.h"

#include <cmath>

namespace {

DocumentValues Values;

}  // namespace

void SetDocumentValues(const DocumentValues& values)
{
    Values = values;
}

double DocSliderValue(const DocState* doc)
{
    return doc && Values.sliderValue ? Values.sliderValue(doc) : NAN;
}

const UserFunction* DocUserFunction(const DocState* doc, int32_t index)
{
    return doc && Values.userFunction ? Values.userFunction(doc, index) : nullptr;
}

ComplexValue GetParameterValue(uint32_t code, int32_t row, const DocState* doc)
{
    return doc && Values.parameterValue ? Values.parameterValue(code, row, doc) : ComplexValue{1, 0};
}

const char16_t* TableColumnText(uint32_t code, int32_t row, const DocState* doc)
{
    return doc && Values.columnText ? Values.columnText(code, row, doc) : nullptr;
}

char16_t* CopyTableColumnText(uint32_t code, int32_t row, const DocState* doc)
{
    return doc && Values.columnTextCopy ? Values.columnTextCopy(code, row, doc) : nullptr;
}

bool IsTextColumn(uint32_t code, const DocState* doc)
{
    return doc && Values.isTextColumn && Values.isTextColumn(code, doc);
}

double EvalTableFunctionReal1(uint32_t id, double x, const DocState* doc)
{
    return doc && Values.tableReal1 ? Values.tableReal1(id, x, doc) : NAN;
}

double EvalTableFunctionReal2(uint32_t id, double a, double b, const DocState* doc)
{
    return doc && Values.tableReal2 ? Values.tableReal2(id, a, b, doc) : NAN;
}

Interval EvalTableFunctionInterval1(uint32_t id, Interval x, const DocState* doc)
{
    return doc && Values.tableInterval1 ? Values.tableInterval1(id, x, doc) : Interval{NAN, NAN};
}

Interval EvalTableFunctionInterval2(uint32_t id, Interval a, Interval b, const DocState* doc)
{
    return doc && Values.tableInterval2 ? Values.tableInterval2(id, a, b, doc) : Interval{NAN, NAN};
}

ComplexValue EvalTableFunctionComplex1(uint32_t id, ComplexValue x, const DocState* doc)
{
    if (x.im != 0)
        return ComplexValue{NAN, NAN};
    return ComplexValue{EvalTableFunctionReal1(id, x.re, doc), 0};
}

ComplexValue EvalTableFunctionComplex2(uint32_t id, ComplexValue a, ComplexValue b, const DocState* doc)
{
    if (a.im != 0 || b.im != 0)
        return ComplexValue{NAN, NAN};
    return ComplexValue{EvalTableFunctionReal2(id, a.re, b.re, doc), 0};
}

ComplexInterval EvalTableFunctionComplexInterval1(uint32_t id, ComplexInterval x, const DocState* doc)
{
    if (!IsRealComplexInterval(x))
        return ComplexInterval{{NAN, NAN}, {NAN, NAN}};
    return ComplexInterval{EvalTableFunctionInterval1(id, x.re, doc), {0, 0}};
}

ComplexInterval EvalTableFunctionComplexInterval2(uint32_t id, ComplexInterval a, ComplexInterval b,
                                                  const DocState* doc)
{
    if (!IsRealComplexInterval(a) || !IsRealComplexInterval(b))
        return ComplexInterval{{NAN, NAN}, {NAN, NAN}};
    return ComplexInterval{EvalTableFunctionInterval2(id, a.re, b.re, doc), {0, 0}};
}
