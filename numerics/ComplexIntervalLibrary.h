// The complex-interval library: each operation is the textbook formula of
// the complex operation carried out in interval arithmetic on the real and
// imaginary intervals, so its result holds the formula's value at every
// point of the operand rectangles (not a tighter range). Exterior intervals,
// truth intervals and undefined bounds pass through as the interval library
// makes them. Pure functions: any thread may call them at once.
#pragma once

#include "numerics/ComplexInterval.h"

// Truth values: a truth interval in the real part, [0, 0] in the imaginary.
constexpr ComplexInterval ComplexIntervalTrue{{1, 1}, {0, 0}};
constexpr ComplexInterval ComplexIntervalFalse{{0, 0}, {0, 0}};
constexpr ComplexInterval ComplexIntervalUndecided{{0, 1}, {0, 0}};

// Whether the set x stands for holds 0; an exterior interval with an end at
// 0 does.
bool IntervalContainsZero(Interval x);

ComplexInterval ComplexIntervalFromInterval(Interval x);
ComplexInterval ComplexIntervalRealPart(ComplexInterval z);
ComplexInterval ComplexIntervalImagPart(ComplexInterval z);
// The lower and the upper corner as points.
ComplexInterval ComplexIntervalInf(ComplexInterval z);
ComplexInterval ComplexIntervalSup(ComplexInterval z);
// The rectangle from a's lower bounds to b's upper bounds.
ComplexInterval ComplexIntervalSpan(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalUnion(ComplexInterval a, ComplexInterval b);
// Both intervals widened to hold the real number c.
ComplexInterval ComplexIntervalIncludeReal(ComplexInterval z, double c);
// The lower end of the real interval when z is real, else NaN.
double ComplexIntervalRealValue(ComplexInterval z);
// All four bounds equal; NaN never equals anything.
bool ComplexIntervalEquals(ComplexInterval a, ComplexInterval b);
bool ComplexIntervalDiffers(ComplexInterval a, ComplexInterval b);

ComplexInterval ComplexIntervalAdd(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalSubtract(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalNegate(ComplexInterval z);
ComplexInterval ComplexIntervalConjugate(ComplexInterval z);
// Both parts times the real interval s.
ComplexInterval ComplexIntervalScale(ComplexInterval z, Interval s);
ComplexInterval ComplexIntervalMultiply(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalDivide(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalSquare(ComplexInterval z);
// The range of the modulus, a real interval.
Interval ComplexIntervalAbs(ComplexInterval z);
// The range of the argument in [-pi, pi], a real interval.
Interval ComplexIntervalArg(ComplexInterval z);
ComplexInterval ComplexIntervalPow(ComplexInterval a, ComplexInterval b);
// The principal power z^(p/q).
ComplexInterval ComplexIntervalRationalPower(ComplexInterval z, ComplexInterval p, ComplexInterval q);

ComplexInterval ComplexIntervalExp(ComplexInterval z);
ComplexInterval ComplexIntervalLog(ComplexInterval z);
ComplexInterval ComplexIntervalLog10(ComplexInterval z);
ComplexInterval ComplexIntervalSqrt(ComplexInterval z);
ComplexInterval ComplexIntervalSin(ComplexInterval z);
ComplexInterval ComplexIntervalCos(ComplexInterval z);
ComplexInterval ComplexIntervalTan(ComplexInterval z);
ComplexInterval ComplexIntervalCsc(ComplexInterval z);
ComplexInterval ComplexIntervalSec(ComplexInterval z);
ComplexInterval ComplexIntervalCot(ComplexInterval z);
ComplexInterval ComplexIntervalSinh(ComplexInterval z);
ComplexInterval ComplexIntervalCosh(ComplexInterval z);
ComplexInterval ComplexIntervalTanh(ComplexInterval z);
ComplexInterval ComplexIntervalCsch(ComplexInterval z);
ComplexInterval ComplexIntervalSech(ComplexInterval z);
ComplexInterval ComplexIntervalCoth(ComplexInterval z);
// The inverse functions by their logarithmic formulas, without choosing a
// branch by the sign of the result.
ComplexInterval ComplexIntervalAsin(ComplexInterval z);
ComplexInterval ComplexIntervalAcos(ComplexInterval z);
ComplexInterval ComplexIntervalAtan(ComplexInterval z);
ComplexInterval ComplexIntervalAsec(ComplexInterval z);
ComplexInterval ComplexIntervalAcsc(ComplexInterval z);
ComplexInterval ComplexIntervalAcot(ComplexInterval z);
ComplexInterval ComplexIntervalAsinh(ComplexInterval z);
ComplexInterval ComplexIntervalAcosh(ComplexInterval z);
ComplexInterval ComplexIntervalAtanh(ComplexInterval z);
ComplexInterval ComplexIntervalAsech(ComplexInterval z);
ComplexInterval ComplexIntervalAcsch(ComplexInterval z);
ComplexInterval ComplexIntervalAcoth(ComplexInterval z);

// Real-only operations: undefined unless every operand is real, else the
// interval operation on the real intervals.
// The angle of the point (a, b) in [0, 2 pi].
ComplexInterval ComplexIntervalAtan2Positive(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalHypot(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalSign(ComplexInterval z);
ComplexInterval ComplexIntervalFloor(ComplexInterval z);
ComplexInterval ComplexIntervalCeil(ComplexInterval z);
ComplexInterval ComplexIntervalFactorial(ComplexInterval z);
ComplexInterval ComplexIntervalBesselJ(ComplexInterval order, ComplexInterval x);
ComplexInterval ComplexIntervalMin(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalMax(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalMod(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalBinomial(ComplexInterval n, ComplexInterval k);

// Relations give truth values; an operand that is certainly not real makes
// an ordering false, one that may be non-real makes it at most undecided,
// and a NaN bound makes it undefined.
ComplexInterval ComplexIntervalLess(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalGreater(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalLessEqual(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalGreaterEqual(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalEqualTruth(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalAnd(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalOr(ComplexInterval a, ComplexInterval b);
ComplexInterval ComplexIntervalNot(ComplexInterval z);
