#include "numerics/ComplexLibrary.h"

#include "CoreUtilities/SmallNumerics.h"
#include "numerics/RealLibrary.h"
#include "numerics/UndefinedValues.h"

#include <cmath>

namespace {

const double kLn10 = std::log(10.0);
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

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

// A hyperbolic factor (which may have overflowed) times a circular one: a
// zero circular factor makes an exact zero, not infinity times zero.
double TimesCircular(double hyperbolic, double circular)
{
    return circular == 0 ? circular * std::copysign(1.0, hyperbolic) : hyperbolic * circular;
}

// The principal square root of z off the negative real axis, by the half
// of the modulus plus the larger part: no part is found as the small
// difference of two large ones, as the angle form finds it near that axis.
ComplexValue PrincipalRoot(ComplexValue z)
{
    double t = std::sqrt(0.5 * std::fabs(z.re) + 0.5 * std::hypot(z.re, z.im));
    if (z.re >= 0)
        return ComplexValue{t, z.im / (2 * t)};
    return ComplexValue{std::fabs(z.im) / (2 * t), std::copysign(t, z.im)};
}

// The principal arc sine by the square roots of 1 - z and 1 + z, whose
// products hold its real and imaginary parts without cancellation for tiny
// and huge z alike. Used off the cuts, where it is the same function as the
// logarithmic form.
ComplexValue PrincipalArcSine(ComplexValue z)
{
    ComplexValue a = PrincipalRoot(ComplexValue{1 - z.re, -z.im});
    ComplexValue b = PrincipalRoot(ComplexValue{1 + z.re, z.im});
    return ComplexValue{std::atan(z.re / (a.re * b.re - a.im * b.im)), std::asinh(a.re * b.im - a.im * b.re)};
}

// tanh(u + iv) as (sinh u cosh u, sin v cos v) / (sinh^2 u + cos^2 v), in
// tan v and sinh u: no sum of nearly opposite numbers, so the poles (cos v
// near 0) keep full precision. Beyond |u| = 22 the real part is +-1 in
// double and sinh^2 u alone is the denominator.
ComplexValue HyperbolicTangent(double u, double v)
{
    double t = std::tan(v);
    double beta = 1 + t * t;
    if (std::fabs(u) > 22)
        return ComplexValue{std::copysign(1.0, u), 4 * (t / beta) * std::exp(-2 * std::fabs(u))};
    double s = std::sinh(u);
    double denominator = 1 + beta * s * s;
    return ComplexValue{beta * std::sqrt(1 + s * s) * s / denominator, t / denominator};
}

// z^n for a whole n by repeated squaring: a few roundings where the
// logarithm and the exponential would lose n times the rounding of the
// angle. False where a part overflows, underflows or is NaN, where the
// general rule decides.
bool WholePower(ComplexValue z, double n, ComplexValue* result)
{
    constexpr double kLargestSquaredExponent = 1 << 30;
    if (!(std::fabs(n) <= kLargestSquaredExponent))
        return false;
    auto bits = static_cast<uint32_t>(std::fabs(n));
    ComplexValue p{1, 0};
    ComplexValue square = z;
    for (;;) {
        if (bits & 1)
            p = ComplexMultiply(p, square);
        bits >>= 1;
        if (bits == 0)
            break;
        square = ComplexSquare(square);
    }
    // The reciprocal of a normal value stays accurate; well inside the
    // normal range leaves room for the division's scaling.
    constexpr double kSmallest = 0x1p-960;
    double size = std::fmax(std::fabs(p.re), std::fabs(p.im));
    if (!std::isfinite(p.re) || !std::isfinite(p.im) || !(size >= kSmallest))
        return false;
    *result = n < 0 ? RealDivideComplex(1, p) : p;
    return true;
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
    // A positive real base to a finite real power is the real power, as
    // the real interpreters take it.
    if (realExponent && IsRealComplex(z) && z.re > 0 && std::isfinite(w.re))
        return Real(RealPower(z.re, w.re));
    bool whole = realExponent && IsWholeNumber(w.re);
    ComplexValue p;
    if (!whole || !WholePower(z, w.re, &p)) {
        ComplexValue l = ComplexLog(z);
        p = ComplexExp(ComplexValue{l.re * w.re - l.im * w.im, l.re * w.im + l.im * w.re});
    }
    if (!whole)
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

// Where e^x alone overflows, e^(x/2) times the circular factor times
// e^(x/2) still holds products that are finite (a tiny cos y), and
// otherwise overflows to an infinity of the right sign. A zero imaginary
// part stays zero.
ComplexValue ComplexExp(ComplexValue z)
{
    double c = std::cos(z.im);
    double s = z.im == 0 ? z.im : std::sin(z.im);
    double scale = std::exp(z.re);
    if (std::isinf(scale) && z.re > 0) {
        double half = std::exp(0.5 * z.re);
        auto scaled = [half](double circular) { return circular == 0 ? circular : half * circular * half; };
        return ComplexValue{scaled(c), scaled(s)};
    }
    return ComplexValue{TimesCircular(scale, c), TimesCircular(scale, s)};
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
    if (!std::isfinite(x) || !std::isfinite(y)) {
        double m = std::sqrt(std::hypot(x, y));
        double half = std::atan2(y, x) * 0.5;
        return ComplexValue{m * std::cos(half), m * std::sin(half)};
    }
    // The larger part of the root is the square root of (|x| + |z|) / 2,
    // the smaller one half of |y| over it: no angle, and no cosine of an
    // angle near a right one, which would lose the smaller part's digits.
    // Parts near the ends of the range are scaled by an even power of two
    // first, so the sum neither overflows nor drops subnormal bits.
    double ax = std::fabs(x);
    double ay = std::fabs(y);
    double largest = std::fmax(ax, ay);
    double scale = 1;
    double rootScale = 1;
    if (largest > 0x1p1020) {
        scale = 0x1p-4;
        rootScale = 0x1p2;
    } else if (largest < 0x1p-1000) {
        scale = 0x1p200;
        rootScale = 0x1p-100;
    }
    ax *= scale;
    ay *= scale;
    double larger = std::sqrt((ax + std::hypot(ax, ay)) * 0.5);
    double smaller = ay / (2 * larger);
    larger *= rootScale;
    smaller *= rootScale;
    // The principal root: real part never negative, imaginary part of the
    // sign of y.
    if (x >= 0)
        return ComplexValue{larger, std::copysign(smaller, y)};
    return ComplexValue{smaller, std::copysign(larger, y)};
}

ComplexValue ComplexSin(ComplexValue z)
{
    return ComplexValue{TimesCircular(std::cosh(z.im), std::sin(z.re)),
                        TimesCircular(std::sinh(z.im), std::cos(z.re))};
}

ComplexValue ComplexCos(ComplexValue z)
{
    return ComplexValue{TimesCircular(std::cosh(z.im), std::cos(z.re)),
                        TimesCircular(std::sinh(z.im), -std::sin(z.re))};
}

// -i tanh(iz), the value of (sin 2x, sinh 2y) / (cos 2x + cosh 2y).
ComplexValue ComplexTan(ComplexValue z)
{
    ComplexValue t = HyperbolicTangent(-z.im, z.re);
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
    return ComplexValue{TimesCircular(std::sinh(z.re), std::cos(z.im)), TimesCircular(std::cosh(z.re), std::sin(z.im))};
}

ComplexValue ComplexCosh(ComplexValue z)
{
    return ComplexValue{TimesCircular(std::cosh(z.re), std::cos(z.im)), TimesCircular(std::sinh(z.re), std::sin(z.im))};
}

// The value of (sinh 2x, sin 2y) / (cosh 2x + cos 2y); far from the
// imaginary axis it settles on the sign of x instead of inf / inf.
ComplexValue ComplexTanh(ComplexValue z)
{
    return HyperbolicTangent(z.re, z.im);
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

// log(z + sqrt(z^2 + 1)). The logarithmic form cancels for tiny z, for z
// far to the left and overflows for huge z, so each region takes a form
// without those faults that has the same value: on the real axis the real
// function, on the cut (the imaginary axis beyond +-i, where the root is
// always the upper one) the closed form of the logarithm, elsewhere the
// principal function through the arc sine.
ComplexValue ComplexAsinh(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    if (y == 0)
        return Real(std::asinh(x));
    if (x == 0 && std::fabs(y) >= 1) {
        double a = std::acosh(std::fabs(y));
        return ComplexValue{y > 0 ? a : 0 - a, std::copysign(kHalfPi, y)};
    }
    if (std::isnan(x))
        return ComplexLog(PlusRoot(z, ComplexValue{x * x - y * y + 1, 2 * x * y + 0}));
    ComplexValue s = PrincipalArcSine(ComplexValue{-y, x});
    return ComplexValue{s.im, -s.re};
}

// The solution of log(z + sqrt(z^2 - 1)) and its negative with the real
// part not negative. The formula's cuts are the real segment [-1, 1], the
// real axis left of -1 and the imaginary axis; there the logarithm has a
// closed form. Elsewhere the result is the principal function, taken from
// the square roots of z - 1 and z + 1 as for the arc sine.
ComplexValue ComplexAcosh(ComplexValue z)
{
    double x = z.re;
    double y = z.im;
    if (y == 0) {
        if (x > 1)
            return Real(std::acosh(x));
        if (x < -1)
            return ComplexValue{std::acosh(-x), -kPi};
        if (x >= -1)
            return ComplexValue{0, std::acos(x)};
    } else if (x == 0) {
        return ComplexValue{std::asinh(std::fabs(y)), std::copysign(kHalfPi, y)};
    }
    if (std::isnan(x) || std::isnan(y)) {
        ComplexValue l = ComplexLog(PlusRoot(z, ComplexValue{x * x - y * y - 1, 2 * x * y - 0}));
        return l.re < 0 ? ComplexValue{-l.re, -l.im} : l;
    }
    ComplexValue a = PrincipalRoot(ComplexValue{x - 1, y});
    ComplexValue b = PrincipalRoot(ComplexValue{x + 1, y});
    return ComplexValue{std::asinh(a.re * b.re + a.im * b.im), 2 * std::atan(a.im / b.re)};
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
