// The real numeric library: what the interpreters call beyond the processor's
// arithmetic and the C library's elementary functions. Every function is pure:
// NaN is the undefined value and flows through, nothing is reported.
// Truth values are 1 and 0; only exactly 1 is true, and a comparison with NaN
// is false.
#pragma once

#include "numerics/ComplexInterval.h"
#include "numerics/ComplexValue.h"
#include "numerics/Interval.h"

#include <cmath>
#include <cstdint>

constexpr double kTwoPi = 6.283185307179586;

// The angle of the point (b, a), in [0, 2 pi).
inline double Atan2Positive(double a, double b)
{
    double angle = std::atan2(a, b);
    return angle < 0 ? angle + kTwoPi : angle;
}

inline double Hypot(double a, double b)
{
    return std::hypot(a, b);
}

// 1, -1, or the operand itself for 0 and NaN.
inline double RealSign(double x)
{
    if (x > 0)
        return 1;
    if (x < 0)
        return -1;
    return x;
}

// x^n for a whole n from 1 to kLargestMultipliedPower by repeated
// squaring, the squares and products in the order a complex whole power
// takes them: a few roundings, within a few ulp of the exact power, at a
// fraction of the library power's cost. The bound keeps the error small.
constexpr uint32_t kLargestMultipliedPower = 8;

inline double SmallWholePower(double x, uint32_t n)
{
    double p = 1;
    double square = x;
    for (;;) {
        if (n & 1)
            p *= square;
        n >>= 1;
        if (n == 0)
            return p;
        square *= square;
    }
}

// Whether an exponent is a whole number SmallWholePower takes.
inline bool IsSmallWholeExponent(double y)
{
    return y >= 1 && y <= kLargestMultipliedPower && static_cast<double>(static_cast<int32_t>(y)) == y;
}

// The real power: small whole exponents by multiplication, every other
// through the library.
inline double RealPower(double x, double y)
{
    return IsSmallWholeExponent(y) ? SmallWholePower(x, static_cast<uint32_t>(y)) : std::pow(x, y);
}

inline double RealCot(double x) { return 1 / std::tan(x); }
inline double RealSec(double x) { return 1 / std::cos(x); }
inline double RealCsc(double x) { return 1 / std::sin(x); }
inline double RealCoth(double x) { return 1 / std::tanh(x); }
inline double RealSech(double x) { return 1 / std::cosh(x); }
inline double RealCsch(double x) { return 1 / std::sinh(x); }
inline double RealAcsc(double x) { return std::asin(1 / x); }
inline double RealAsec(double x) { return std::acos(1 / x); }

// The arc cotangent in (0, pi): pi/2 at 0.
double RealAcot(double x);
// The inverse hyperbolic functions come from the C library: the logarithmic
// forms cancel for large negative and small arguments.
inline double RealAsinh(double x) { return std::asinh(x); }
inline double RealAcosh(double x) { return std::acosh(x); }
inline double RealAtanh(double x) { return std::atanh(x); }
inline double RealAcsch(double x) { return RealAsinh(1 / x); }
inline double RealAsech(double x) { return RealAcosh(1 / x); }
inline double RealAcoth(double x) { return RealAtanh(1 / x); }

// a - b floor(a / b): the sign of b; NaN for b = 0.
double RealMod(double a, double b);

// Gamma(x + 1): exact products below 30, else a Lanczos series; NaN at the
// negative whole numbers, +infinity past the double range.
double RealFactorial(double x);
// base to the power p / q, with the real odd roots of negative bases:
// RationalPower(-8, 3, 1) = -2 and RationalPower(-8, 3, 2) = 4. Note the
// order: the denominator comes before the numerator.
double RationalPower(double base, double q, double p);
// n choose k for real n and k.
double RealBinomial(double n, double k);
// The Bessel function of the first kind of the given real order at x.
double RealBesselJ(double order, double x);

// The fractional part is 0 (infinities count as whole).
inline bool IsWholeNumber(double x)
{
    double whole;
    return std::modf(x, &whole) == 0;
}

inline bool IsEvenWholeNumber(double x)
{
    return IsWholeNumber(x / 2);
}

inline double RealLess(double a, double b) { return a < b ? 1 : 0; }
inline double RealGreater(double a, double b) { return a > b ? 1 : 0; }
inline double RealLessEqual(double a, double b) { return a <= b ? 1 : 0; }
inline double RealGreaterEqual(double a, double b) { return a >= b ? 1 : 0; }
inline double RealEqual(double a, double b) { return a == b ? 1 : 0; }
inline double RealAnd(double a, double b) { return a == 1 && b == 1 ? 1 : 0; }
inline double RealOr(double a, double b) { return a == 1 || b == 1 ? 1 : 0; }
inline double RealNot(double x) { return x == 0 ? 1 : 0; }

// Equality of two text values (TextIdentity.h): NaN when either is NaN; the
// texts compared unit by unit when both identify one; otherwise whether they
// are the same number.
double TextEquals(double a, double b);
// The same in the other value types: an operand that is not real counts as
// NaN, and the result is a truth value of that type or undefined.
ComplexValue TextEqualsComplex(ComplexValue a, ComplexValue b);
Interval TextEqualsInterval(Interval a, Interval b);
ComplexInterval TextEqualsComplexInterval(ComplexInterval a, ComplexInterval b);

// A value as a data row: its integer part, or INT32_MIN ("no row", which
// reads as undefined) for NaN and for what int32 cannot hold.
inline int32_t ToDataRow(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// The real part when the imaginary part is 0, else NaN.
inline double ComplexToReal(ComplexValue z)
{
    return z.im == 0 ? z.re : NAN;
}
