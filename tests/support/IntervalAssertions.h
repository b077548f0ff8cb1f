// Comparisons of intervals and rectangles in tests: ends equal exactly, or
// within tolerance x (1 + |expected end|); a NaN end matches only NaN.
#pragma once

#include "numerics/ComplexInterval.h"
#include "numerics/Interval.h"

#include <gtest/gtest.h>

::testing::AssertionResult SameInterval(Interval actual, Interval expected, double tolerance = 0);
::testing::AssertionResult SameComplexInterval(ComplexInterval actual, ComplexInterval expected,
                                               double tolerance = 0);
