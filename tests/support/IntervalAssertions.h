// Comparisons of intervals and rectangles in tests: ends equal exactly, or
// within tolerance x (1 + |expected end|); a NaN end matches only NaN.
#pragma once

#include "numerics/ComplexInterval.h"
#include "numerics/Interval.h"

#include <gtest/gtest.h>

::testing::AssertionResult SameInterval(Interval actual, Interval expected, double tolerance = 0);
// Each end of actual lies on the outer side of (or on) the expected end, by
// at most ulps doubles: the expected value rounded outward. Infinite and
// NaN ends must match.
::testing::AssertionResult EnclosesClosely(Interval actual, Interval expected, int ulps = 8);
::testing::AssertionResult SameComplexInterval(ComplexInterval actual, ComplexInterval expected,
                                               double tolerance = 0);
// EnclosesClosely for both intervals of a rectangle.
::testing::AssertionResult ComplexEnclosesClosely(ComplexInterval actual, ComplexInterval expected, int ulps = 8);
