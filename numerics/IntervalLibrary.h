// The interval library: one function per operation, each answering an
// interval that holds every value of the operation over its operands.
// Exterior operands travel through. Ends round outward: an end found by an
// inexact operation or a library function moves past the true value by the
// operation's rounding error, so the result encloses the true range; exact
// ends (sums and products that round nothing, floors, 0 and 1) stay exact.
// A domain violation gives the undefined interval, a pole inside the operand
// the whole line or an exterior interval. Pure functions: any thread may
// call them at once.
#pragma once

#include "numerics/ComplexValue.h"
#include "numerics/Interval.h"

constexpr TruthInterval TruthTrue{1, 1};
constexpr TruthInterval TruthFalse{0, 0};
constexpr TruthInterval TruthUndecided{0, 1};

Interval IntervalAdd(Interval x, Interval y);
Interval IntervalSubtract(Interval x, Interval y);
// [-hi, -lo], signs flipped exactly.
Interval IntervalNegate(Interval x);
Interval IntervalMultiply(Interval x, Interval y);
// [1/hi, 1/lo]: an operand holding 0 becomes exterior, an exterior one
// ordinary; the whole line stays the whole line.
Interval IntervalReciprocal(Interval x);
Interval IntervalDivide(Interval x, Interval y);
// The smallest interval holding both; x alone when only y is undefined.
Interval IntervalUnion(Interval x, Interval y);
// [least lo, greatest hi] of four ordinary intervals; undefined if any end is.
Interval IntervalHull4(Interval a, Interval b, Interval c, Interval d);

Interval IntervalPower(Interval x, Interval y);
// x to the power m/n, with the real odd roots of negative bases when m and n
// are whole points and the reduced denominator is odd.
Interval IntervalRationalPower(Interval x, Interval m, Interval n);
Interval IntervalSquare(Interval x);
Interval IntervalAbs(Interval x);
Interval IntervalSqrt(Interval x);
Interval IntervalExp(Interval x);
Interval IntervalLn(Interval x);
Interval IntervalLog10(Interval x);

Interval IntervalSin(Interval x);
Interval IntervalCos(Interval x);
Interval IntervalTan(Interval x);
Interval IntervalCot(Interval x);
Interval IntervalSec(Interval x);
Interval IntervalCsc(Interval x);
Interval IntervalAsin(Interval x);
Interval IntervalAcos(Interval x);
Interval IntervalAtan(Interval x);
Interval IntervalAcot(Interval x);
Interval IntervalAsec(Interval x);
Interval IntervalAcsc(Interval x);

Interval IntervalSinh(Interval x);
Interval IntervalCosh(Interval x);
Interval IntervalTanh(Interval x);
Interval IntervalCoth(Interval x);
Interval IntervalSech(Interval x);
Interval IntervalCsch(Interval x);
Interval IntervalAsinh(Interval x);
Interval IntervalAcosh(Interval x);
Interval IntervalAtanh(Interval x);
Interval IntervalAcoth(Interval x);
Interval IntervalAsech(Interval x);
Interval IntervalAcsch(Interval x);

Interval IntervalFloor(Interval x);
Interval IntervalCeil(Interval x);
Interval IntervalSign(Interval x);
// End by end; x's end is kept when the ends are equal or unordered.
Interval IntervalMin(Interval x, Interval y);
Interval IntervalMax(Interval x, Interval y);
// x - y floor(x / y) in interval arithmetic.
Interval IntervalMod(Interval x, Interval y);
// Gamma(x + 1) from the ends and, where it lies inside, the one extremum of
// the piece between two poles (or above -1) that holds x.
Interval IntervalFactorial(Interval x);
Interval IntervalBinomial(Interval n, Interval k);
// The Bessel function of the first kind of order n at x: the corners on
// narrow operands, else the envelope sqrt(2 / (pi |x|)) capped at 1.
// The corners are not rounded outward and may miss an extremum between
// them: this one result is not an enclosure.
Interval IntervalBesselJ(Interval n, Interval x);

// The angle of the points (x, y) of the box, in [0, 2 pi].
Interval IntervalAngle(Interval y, Interval x);
// atan2 over the box, in [-pi, pi].
Interval IntervalAtan2(Interval y, Interval x);
// The distance of the points (x, y) of the box from the origin.
Interval IntervalHypot(Interval x, Interval y);

TruthInterval IntervalLess(Interval x, Interval y);
TruthInterval IntervalGreater(Interval x, Interval y);
TruthInterval IntervalLessEqual(Interval x, Interval y);
TruthInterval IntervalGreaterEqual(Interval x, Interval y);
TruthInterval IntervalEqual(Interval x, Interval y);
TruthInterval TruthAnd(TruthInterval a, TruthInterval b);
// Never undefined: an undefined operand makes the result undecided.
TruthInterval TruthOr(TruthInterval a, TruthInterval b);
TruthInterval TruthNot(TruthInterval a);

// x widened to hold c; an exterior x moves the nearer edge of its gap onto c.
Interval IntervalIncludePoint(Interval x, double c);
// The point [re, re] of a real value; undefined when z has an imaginary part.
Interval IntervalFromComplex(ComplexValue z);
