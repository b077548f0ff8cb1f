// Whole-number arithmetic of the simplifier's number folding, also used by
// the complex and interval libraries. Values outside the 32-bit integers,
// NaN and the infinities never reach an integer conversion: they count as
// not whole.
#pragma once

#include <cstdint>

// The value equals its truncation to a 32-bit signed integer.
bool IsWholeValue(double value);
// The greatest common divisor of two whole values, made non-negative (0 for
// 0 and 0); 1 when either is not whole.
double GcdOfIntegers(double a, double b);
// x to the power n (n at least 1) by repeated squaring in doubles.
double PowerByWholeExponent(double x, int32_t n);
// n choose k in integers: 1 for n > 0 and k = 0, 0 for other k <= 0, n <= 0
// or n < k.
int64_t BinomialCoefficient(int32_t n, int32_t k);
