// The complex library: every arithmetic, elementary and relational operation
// of complex programs. Pure functions of values; nothing allocates, keeps
// state or reports an error. Division by 0 gives NaN parts, a real-only
// function given a non-real operand gives UndefinedComplex, and turning NaN
// parts into a stop is the interpreters' business.
//
// The branch cuts are this library's own: a zero imaginary part, of either
// sign, counts as real, so the square root of a negative real number is the
// upper root on both sides of the cut, and the inverse functions take their
// real shortcut there.
#pragma once

#include "numerics/ComplexValue.h"

// Operands are named in the formula's order: a is the first, b the second.

inline ComplexValue ComplexMultiply(ComplexValue a, ComplexValue b)
{
    return ComplexValue{a.re * b.re - a.im * b.im, a.im * b.re + a.re * b.im};
}

inline ComplexValue ComplexSquare(ComplexValue z)
{
    return ComplexValue{z.re * z.re - z.im * z.im, 2 * z.re * z.im};
}

// a / b and r / b by Smith's method: no b.re^2 + b.im^2 to overflow. No test
// for zero: b = 0 divides 0 by 0, which gives NaN parts.
ComplexValue ComplexDivide(ComplexValue a, ComplexValue b);
ComplexValue RealDivideComplex(double r, ComplexValue b);

ComplexValue ComplexPow(ComplexValue z, ComplexValue w);
// z^(p/q), the principal value.
ComplexValue ComplexRationalPower(ComplexValue z, ComplexValue p, ComplexValue q);
double ComplexAbs(ComplexValue z);
ComplexValue ComplexExp(ComplexValue z);
// The principal logarithm, imaginary part in [-pi, pi]: the sign of a zero
// imaginary part picks the side, so -1 - 0i gives -pi i.
ComplexValue ComplexLog(ComplexValue z);
ComplexValue ComplexLog10(ComplexValue z);
ComplexValue ComplexSqrt(ComplexValue z);

ComplexValue ComplexSin(ComplexValue z);
ComplexValue ComplexCos(ComplexValue z);
ComplexValue ComplexTan(ComplexValue z);
ComplexValue ComplexCot(ComplexValue z);
ComplexValue ComplexSec(ComplexValue z);
ComplexValue ComplexCsc(ComplexValue z);
ComplexValue ComplexSinh(ComplexValue z);
ComplexValue ComplexCosh(ComplexValue z);
ComplexValue ComplexTanh(ComplexValue z);
ComplexValue ComplexCoth(ComplexValue z);
ComplexValue ComplexSech(ComplexValue z);
ComplexValue ComplexCsch(ComplexValue z);

ComplexValue ComplexAsin(ComplexValue z);
ComplexValue ComplexAcos(ComplexValue z);
ComplexValue ComplexAtan(ComplexValue z);
ComplexValue ComplexAsinh(ComplexValue z);
ComplexValue ComplexAcosh(ComplexValue z);
ComplexValue ComplexAtanh(ComplexValue z);
// The functions above of 1/z: undefined at 0.
ComplexValue ComplexAcsc(ComplexValue z);
ComplexValue ComplexAsec(ComplexValue z);
ComplexValue ComplexAcot(ComplexValue z);
ComplexValue ComplexAcsch(ComplexValue z);
ComplexValue ComplexAsech(ComplexValue z);
ComplexValue ComplexAcoth(ComplexValue z);

// Real-only functions: UndefinedComplex unless every operand is real, else
// the real function of the real parts with imaginary part 0.
// The angle of the point (a, b) in [0, 2 pi).
ComplexValue ComplexAtan2Positive(ComplexValue a, ComplexValue b);
ComplexValue ComplexHypot(ComplexValue a, ComplexValue b);
ComplexValue ComplexSign(ComplexValue z);
ComplexValue ComplexFloor(ComplexValue z);
ComplexValue ComplexCeil(ComplexValue z);
ComplexValue ComplexFactorial(ComplexValue z);
ComplexValue ComplexMod(ComplexValue a, ComplexValue b);
// b when b < a (b > a), else a.
ComplexValue ComplexMin(ComplexValue a, ComplexValue b);
ComplexValue ComplexMax(ComplexValue a, ComplexValue b);
ComplexValue ComplexBinomial(ComplexValue n, ComplexValue k);
// J of the real order at the real x.
ComplexValue ComplexBesselJ(ComplexValue order, ComplexValue x);

// Relations and logic, as truth values 1 + 0i and 0 + 0i. An ordering with a
// non-real or NaN operand is false, not undefined.
inline ComplexValue ComplexLess(ComplexValue a, ComplexValue b)
{
    return ComplexTruth(IsRealComplex(a) && IsRealComplex(b) && a.re < b.re);
}

inline ComplexValue ComplexGreater(ComplexValue a, ComplexValue b)
{
    return ComplexTruth(IsRealComplex(a) && IsRealComplex(b) && a.re > b.re);
}

inline ComplexValue ComplexLessEqual(ComplexValue a, ComplexValue b)
{
    return ComplexTruth(IsRealComplex(a) && IsRealComplex(b) && a.re <= b.re);
}

inline ComplexValue ComplexGreaterEqual(ComplexValue a, ComplexValue b)
{
    return ComplexTruth(IsRealComplex(a) && IsRealComplex(b) && a.re >= b.re);
}

// Pair tests: they compare any two pairs of doubles, intervals too. A NaN
// part makes them unequal.
inline bool ComplexEquals(ComplexValue a, ComplexValue b)
{
    return a.re == b.re && a.im == b.im;
}

inline bool ComplexDiffers(ComplexValue a, ComplexValue b)
{
    return a.re != b.re || a.im != b.im;
}

inline ComplexValue ComplexEqualTruth(ComplexValue a, ComplexValue b)
{
    return ComplexTruth(ComplexEquals(a, b));
}

inline ComplexValue ComplexAnd(ComplexValue a, ComplexValue b)
{
    return ComplexTruth(IsTrueComplex(a) && IsTrueComplex(b));
}

inline ComplexValue ComplexOr(ComplexValue a, ComplexValue b)
{
    return ComplexTruth(IsTrueComplex(a) || IsTrueComplex(b));
}

// The negation of anything but exactly 1 + 0i (2 and NaN included) is true.
inline ComplexValue ComplexNot(ComplexValue z)
{
    return ComplexTruth(!IsTrueComplex(z));
}

ComplexValue ComplexUndefinedValue();
