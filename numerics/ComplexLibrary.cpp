#include "numerics/ComplexLibrary.h"

#include "CoreUtilities/SmallNumerics.h"
#include "numerics/RealLibrary.h"
#include "numerics/UndefinedValues.h"

#include <cmath>

namespace {

const double kLn10 = std::log(10.0);

ComplexValue Add(ComplexValue a, ComplexValue b)
{
    return ComplexValue{a.re + b.re, a.im + b.im};
}

ComplexValue Real(double x)
{
    return ComplexValue{x, 0};
}

// A real-only function of one or two operands: undefined unless all are real.
template <typename F>
ComplexValue RealOnly(ComplexValue z, F f)
{
    return IsRealComplex(z) ? Real(f(z.re)) : UndefinedComplex;
}

template <typename F>
ComplexValue RealOnly(ComplexValue a, ComplexValue b, F f)
{
    return IsRealComplex(a) && IsRealComplex(b) ? Real(f(a.re, b.re)) : UndefinedComplex;
}

// z + sqrt(w), the argument of the logarithm in the inverse functions.
ComplexValue PlusRoot(ComplexValue z, ComplexValue w)
{
    return Add(z, ComplexSqrt(w));
}

}  // namespace

// The two cases of Smith's method (|b.im| > |b.re|, and the rest) are one
// computation with the parts exchanged: the operands are selected instead of
// branched on, so that a row of quotients suffers no mispredicted jumps. The
// results are those of the two cases bit for bit, zeros' signs included.
ComplexValue ComplexDivide(ComplexValue a, ComplexValue b)
{
    bool imaginaryLarger = std::fabs(b.im) > std::fabs(b.re);
    double p = imaginaryLarger ? b.im : b.re;
    double q = imaginaryLarger ? b.re : b.im;
    double u = imaginaryLarger ? a.re : a.im;
    double v = imaginaryLarger ? a.im : a.re;
    double r = q / p;
    double d = q * r + p;
    double vr = v * r;
    return ComplexValue{(u * r + v) / d, (imaginaryLarger ? vr - u : u - vr) / d};
}

ComplexValue RealDivideComplex(double r, ComplexValue b)
{
    bool imaginaryLarger = std::fabs(b.im) > std::fabs(b.re);
    double p = imaginaryLarger ? b.im : b.re;
    double q = imaginaryLarger ? b.re : b.im;
    double s = q / p;
    double d = q * s + p;
    double rs = r * s;
    return ComplexValue{(imaginaryLarger ? rs : r) / d, -(imaginaryLarger ? r : rs) / d};
}

ComplexValue ComplexPow(ComplexValue z, ComplexValue w)
{
    bool realExponent = IsRealComplex(w);
    if (z.re == 0 && z.im == 0 && realExponent) {
        if (w.re > 0)
            return Real(0);
        if (w.re == 0)
            return Real(1);
        if (w.re < 0)
            return Real(PositiveInfinity);
        // A NaN exponent takes the general rule.
    }
    ComplexValue l = ComplexLog(z);
    ComplexValue p = ComplexExp(ComplexValue{l.re * w.re - l.im * w.im, l.re * w.im + l.im * w.re});
    if (!realExponent || !IsWholeNumber(w.re))
        return p;
    // A whole power of a real base is real, and of +-i real or imaginary:
    // the rounding of pi in the logarithm must not leave a tiny other part.
    if (IsRealComplex(z)) {
        p.im = 0;
    } else if (z.re == 0 && std::fabs(z.im) == 1) {
        if (IsEvenWholeNumber(w.re))
            p.im = 0;
        else
            p.re = 0;
    }
    return p;
}

ComplexValue ComplexRationalPower(ComplexValue z, ComplexValue p, ComplexValue q)
{
    return ComplexPow(z, ComplexDivide(p, q));
}

double ComplexAbs(ComplexValue z)
{
    return std::hypot(z.re, z.im);
}

ComplexValue ComplexExp(ComplexValue z)
{
    double scale = std::exp(z.re);
    return ComplexValue{scale * std::cos(z.im), scale * std::sin(z.im)};
}

ComplexValue ComplexLog(ComplexValue z)
{
    return ComplexValue{std::log(std::hypot(z.re, z.im)), std::atan2(z.im, z.re)};
}

ComplexValue ComplexLog10(ComplexValue z)
{
    ComplexValue l = ComplexLog(z);
    return ComplexValue{l.re / kLn10, l.im / kLn10};
}

ComplexValue ComplexSqrt(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    if (y == 0) {
        if (x >= 0)
            return ComplexValue{std::sqrt(x), 0};
        if (x < 0)
            return ComplexValue{0, std::sqrt(-x)};  // the upper root on both sides of the cut
        return ComplexValue{0, x};                  // x is NaN
    }
    double m = std::sqrt(std::hypot(x, y));
    double half = std::atan2(y, x) * 0.5;
    return ComplexValue{m * std::cos(half), m * std::sin(half)};
}

ComplexValue ComplexSin(ComplexValue z)
{
    return ComplexValue{std::sin(z.re) * std::cosh(z.im), std::cos(z.re) * std::sinh(z.im)};
}

ComplexValue ComplexCos(ComplexValue z)
{
    return ComplexValue{std::cos(z.re) * std::cosh(z.im), -std::sin(z.re) * std::sinh(z.im)};
}

// (sin 2x, sinh 2y) / (cos 2x + cosh 2y), which is -i tanh(iz), computed so
// to the last bit (sinh is odd, cosh even).
ComplexValue ComplexTan(ComplexValue z)
{
    ComplexValue t = ComplexTanh(ComplexValue{-z.im, z.re});
    return ComplexValue{t.im, -t.re};
}

ComplexValue ComplexCot(ComplexValue z)
{
    return RealDivideComplex(1, ComplexTan(z));
}

ComplexValue ComplexSec(ComplexValue z)
{
    return RealDivideComplex(1, ComplexCos(z));
}

ComplexValue ComplexCsc(ComplexValue z)
{
    return RealDivideComplex(1, ComplexSin(z));
}

ComplexValue ComplexSinh(ComplexValue z)
{
    return ComplexValue{std::sinh(z.re) * std::cos(z.im), std::cosh(z.re) * std::sin(z.im)};
}

ComplexValue ComplexCosh(ComplexValue z)
{
    return ComplexValue{std::cosh(z.re) * std::cos(z.im), std::sinh(z.re) * std::sin(z.im)};
}

// (sinh 2x, sin 2y) / (cosh 2x + cos 2y). Far from the imaginary axis sinh
// and cosh overflow together; their ratio is then the sign of x, not
// inf / inf.
ComplexValue ComplexTanh(ComplexValue z)
{
    double hyperbolic = std::sinh(2 * z.re);
    double d = std::cosh(2 * z.re) + std::cos(2 * z.im);
    double re = std::isinf(hyperbolic) && std::isinf(d) ? std::copysign(1.0, z.re) : hyperbolic / d;
    return ComplexValue{re, std::sin(2 * z.im) / d};
}

ComplexValue ComplexCoth(ComplexValue z)
{
    return RealDivideComplex(1, ComplexTanh(z));
}

ComplexValue ComplexSech(ComplexValue z)
{
    return RealDivideComplex(1, ComplexCosh(z));
}

ComplexValue ComplexCsch(ComplexValue z)
{
    return RealDivideComplex(1, ComplexSinh(z));
}

// The range tests are ordinary comparisons: a NaN x takes no real shortcut.

ComplexValue ComplexAsin(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    if (y == 0 && x >= -1 && x <= 1)
        return Real(std::asin(x));
    ComplexValue l = ComplexLog(PlusRoot(ComplexValue{-y, x}, ComplexValue{1 - (x * x - y * y), 0 - 2 * x * y}));
    return ComplexValue{l.im, -l.re};
}

ComplexValue ComplexAcos(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    if (y == 0 && x >= -1 && x <= 1)
        return Real(std::acos(x));
    ComplexValue l = ComplexLog(PlusRoot(z, ComplexValue{x * x - y * y - 1, 2 * x * y - 0}));
    // Of -iL and iL, the one whose real part is not negative.
    if (l.im >= 0)
        return ComplexValue{l.im, -l.re};
    return ComplexValue{-l.im, l.re};
}

ComplexValue ComplexAtan(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    if (y == 0)
        return Real(std::atan(x));
    ComplexValue l = ComplexLog(ComplexDivide(ComplexValue{1 - y, x}, ComplexValue{1 + y, -x}));
    return ComplexValue{0.5 * l.im, -0.5 * l.re};
}

ComplexValue ComplexAsinh(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    return ComplexLog(PlusRoot(z, ComplexValue{x * x - y * y + 1, 2 * x * y + 0}));
}

ComplexValue ComplexAcosh(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    ComplexValue l = ComplexLog(PlusRoot(z, ComplexValue{x * x - y * y - 1, 2 * x * y - 0}));
    if (l.re < 0)
        return ComplexValue{-l.re, -l.im};
    return l;
}

ComplexValue ComplexAtanh(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    if (y == 0 && x >= -1 && x <= 1)
        return Real(RealAtanh(x));
    ComplexValue l = ComplexLog(ComplexDivide(ComplexValue{1 + x, y}, ComplexValue{1 - x, 0 - y}));
    return ComplexValue{0.5 * l.re, 0.5 * l.im};
}

ComplexValue ComplexAcsc(ComplexValue z)
{
    return ComplexAsin(RealDivideComplex(1, z));
}

ComplexValue ComplexAsec(ComplexValue z)
{
    return ComplexAcos(RealDivideComplex(1, z));
}

ComplexValue ComplexAcot(ComplexValue z)
{
    return ComplexAtan(RealDivideComplex(1, z));
}

ComplexValue ComplexAcsch(ComplexValue z)
{
    return ComplexAsinh(RealDivideComplex(1, z));
}

ComplexValue ComplexAsech(ComplexValue z)
{
    return ComplexAcosh(RealDivideComplex(1, z));
}

ComplexValue ComplexAcoth(ComplexValue z)
{
    return ComplexAtanh(RealDivideComplex(1, z));
}

ComplexValue ComplexAtan2Positive(ComplexValue a, ComplexValue b)
{
    return RealOnly(a, b, [](double x, double y) { return Atan2Positive(y, x); });
}

ComplexValue ComplexHypot(ComplexValue a, ComplexValue b)
{
    return RealOnly(a, b, Hypot);
}

ComplexValue ComplexSign(ComplexValue z)
{
    return RealOnly(z, RealSign);
}

ComplexValue ComplexFloor(ComplexValue z)
{
    return RealOnly(z, [](double x) { return std::floor(x); });
}

ComplexValue ComplexCeil(ComplexValue z)
{
    return RealOnly(z, [](double x) { return std::ceil(x); });
}

ComplexValue ComplexFactorial(ComplexValue z)
{
    return RealOnly(z, RealFactorial);
}

ComplexValue ComplexMod(ComplexValue a, ComplexValue b)
{
    return RealOnly(a, b, RealMod);
}

ComplexValue ComplexMin(ComplexValue a, ComplexValue b)
{
    return RealOnly(a, b, MinDouble);
}

ComplexValue ComplexMax(ComplexValue a, ComplexValue b)
{
    return RealOnly(a, b, MaxDouble);
}

ComplexValue ComplexBinomial(ComplexValue n, ComplexValue k)
{
    return RealOnly(n, k, RealBinomial);
}

ComplexValue ComplexBesselJ(ComplexValue order, ComplexValue x)
{
    return RealOnly(order, x, RealBesselJ);
}

ComplexValue ComplexUndefinedValue()
{
    return UndefinedComplex;
}
