// The constants every evaluator shares for values that are undefined, and
// infinity.
#pragma once

#include "numerics/ComplexInterval.h"
#include "numerics/ComplexValue.h"
#include "numerics/Interval.h"

extern double UndefinedReal;
extern double PositiveInfinity;
extern Interval UndefinedInterval;
extern ComplexValue UndefinedComplex;
extern ComplexInterval UndefinedComplexInterval;
