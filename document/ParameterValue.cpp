#include "document/ParameterValue.h"

#include <cmath>

// The document holds no equation lines or table cells yet: no line defines a
// name and no table answers, so every name reads as 1, no column has a text
// and every table function is undefined.
ComplexValue GetParameterValue(uint32_t, int32_t, const DocState*)
{
    return {1, 0};
}

const char16_t* TableColumnText(uint32_t, int32_t, const DocState*)
{
    return nullptr;
}

double EvalTableFunctionReal1(uint32_t, double, const DocState*)
{
    return NAN;
}

double EvalTableFunctionReal2(uint32_t, double, double, const DocState*)
{
    return NAN;
}

Interval EvalTableFunctionInterval1(uint32_t, Interval, const DocState*)
{
    return Interval{NAN, NAN};
}

Interval EvalTableFunctionInterval2(uint32_t, Interval, Interval, const DocState*)
{
    return Interval{NAN, NAN};
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
