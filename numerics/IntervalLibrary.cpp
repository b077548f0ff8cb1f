#include "numerics/IntervalLibrary.h"

#include "CoreUtilities/SmallNumerics.h"
#include "numerics/MathPolicy.h"
#include "numerics/RealLibrary.h"

#include <boost/math/special_functions/digamma.hpp>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Interval kUndefined{kNaN, kNaN};
constexpr Interval kWholeLine{-kInf, kInf};

constexpr double kMaxFinite = std::numeric_limits<double>::max();
constexpr double kSmallestNormal = std::numeric_limits<double>::min();

// Each constant is the double just below its true value; the ...Up
// constants are the next double, just above it.
constexpr double kPi = 3.141592653589793;
constexpr double kPiUp = 3.1415926535897936;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kHalfPiUp = 1.5707963267948968;
constexpr double kThreeHalvesPi = 4.71238898038469;
constexpr double kFullTurn = 6.283185307179586;
constexpr double kFullTurnUp = 6.283185307179587;

// Outward rounding. The C library's elementary functions (exp, log, sin,
// cos, tan, the arc functions, pow, hypot) are within one unit in the last
// place of the true value, the hyperbolic functions, their inverses and
// log10 within two; one step more than that moves an end past the true
// value.
constexpr int kElementarySteps = 2;
constexpr int kHyperbolicSteps = 3;

// Doubles in their order as integers: neighbours differ by 1, and both
// zeros are 0.
int64_t OrderKey(double v)
{
    int64_t bits = std::bit_cast<int64_t>(v);
    return bits >= 0 ? bits : -(bits & std::numeric_limits<int64_t>::max());
}

double FromOrderKey(int64_t key)
{
    return std::bit_cast<double>(key >= 0 ? key : (-key) | std::numeric_limits<int64_t>::min());
}

// v moved down (up) by the given number of doubles. -inf (+inf) and NaN
// stay; +inf (-inf) moves to the largest finite double, since an end that
// overflowed stands for a finite value. Lower ends move down and upper
// ends up, which narrows the gap of an exterior interval as it widens an
// ordinary one.
constexpr int64_t kInfinityKey = 0x7ff0000000000000;  // OrderKey(+inf)

double StepDown(double v, int steps)
{
    if (!(v > -kInf))
        return v;
    return FromOrderKey(std::max(OrderKey(v) - steps, -kInfinityKey));
}

double StepUp(double v, int steps)
{
    if (!(v < kInf))
        return v;
    return FromOrderKey(std::min(OrderKey(v) + steps, kInfinityKey));
}

// A finite v, one step down when step holds: a select, not a branch, as
// the rounding direction of sums and products follows no pattern.
double FiniteStepDownIf(double v, bool step)
{
    return FromOrderKey(OrderKey(v) - static_cast<int64_t>(step));
}

// a + b rounded down (up): the exact error of the sum tells whether and
// which way it was rounded, so exact sums stay exact.
double SumDown(double a, double b)
{
    double s = a + b;
    if (!std::isfinite(s))
        return s == kInf && std::isfinite(a) && std::isfinite(b) ? kMaxFinite : s;  // an overflow is finite
    double t = s - a;
    double error = (a - (s - t)) + (b - t);
    return FiniteStepDownIf(s, !(error >= 0));
}

double SumUp(double a, double b)
{
    return -SumDown(-a, -b);
}

// Below this, the parts of a product's error may underflow: its sign is
// not to be trusted.
constexpr double kTinyProduct = 0x1p-960;

// a b - p exactly, for p the rounded product, by Dekker's splitting of
// each operand into halves whose products are exact: 0 only when the
// product is exact. NaN when an operand is too large to split or the
// product overflowed. (Inline arithmetic: a fused multiply-add is a
// library call in a build for every x86-64.)
double ProductError(double a, double b, double p)
{
    constexpr double kSplit = 134217729.0;  // 2^27 + 1
    double ca = kSplit * a;
    double aHigh = ca - (ca - a);
    double aLow = a - aHigh;
    double cb = kSplit * b;
    double bHigh = cb - (cb - b);
    double bLow = b - bHigh;
    return ((aHigh * bHigh - p) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// a b rounded down (up): exact products stay exact. Infinite operands
// make exact infinities; an overflow, a product too small to judge or
// operands too large to split move one step.
double ProductDown(double a, double b)
{
    double p = a * b;
    if (std::fabs(p) >= kTinyProduct && std::fabs(p) <= kMaxFinite)
        return FiniteStepDownIf(p, !(ProductError(a, b, p) >= 0));  // NaN: too large to split
    if (a == 0 || b == 0 || std::isnan(p))
        return p;
    if (std::isinf(a) || std::isinf(b) || p == -kInf)
        return p;
    return StepDown(p, 1);  // tiny, or an overflow to +inf
}

double ProductUp(double a, double b)
{
    return -ProductDown(-a, b);
}

// 1 / v rounded down (up). 1/0 and 1/inf are exact.
double ReciprocalDown(double v)
{
    double r = 1 / v;
    if (!(std::fabs(r) >= kTinyProduct && std::fabs(r) <= kMaxFinite))
        return v == 0 || !std::isfinite(v) ? r : StepDown(r, 1);
    double p = r * v;
    double residual = (p - 1) + ProductError(r, v, p);  // r v - 1: r is above 1/v when of the sign of v
    bool above = std::isnan(residual) || (residual != 0 && std::signbit(residual) == std::signbit(v));
    return FiniteStepDownIf(r, above);
}

double ReciprocalUp(double v)
{
    return -ReciprocalDown(-v);
}

// r^2 - v for r = sqrt v, v in the range where that is judged: positive
// when r is above the root, NaN when r^2 overflows.
double SquareResidual(double r, double v)
{
    double p = r * r;
    return (p - v) + ProductError(r, r, p);
}

bool SqrtIsJudged(double v)
{
    return v >= kTinyProduct && v <= kMaxFinite;
}

// sqrt v rounded down (up), exact for perfect squares; 0 and infinity are
// exact, and roots of tiny numbers move a step.
double SqrtDown(double v)
{
    double r = std::sqrt(v);
    if (!SqrtIsJudged(v))
        return v > 0 && v < kTinyProduct ? StepDown(r, 1) : r;
    return FiniteStepDownIf(r, !(SquareResidual(r, v) <= 0));
}

double SqrtUp(double v)
{
    double r = std::sqrt(v);
    if (!SqrtIsJudged(v))
        return v > 0 && v < kTinyProduct ? StepUp(r, 1) : r;
    return -FiniteStepDownIf(-r, !(SquareResidual(r, v) >= 0));
}

// A library function's value at v as bounds below and above. Functions
// through the origin are exact at 0, as are exp, cos and cosh there.
template <double (*F)(double), int Steps, bool ExactAtZero = true>
struct Library {
    static double Below(double v)
    {
        double r = F(v);
        return ExactAtZero && v == 0 ? r : StepDown(r, Steps);
    }
    static double Above(double v)
    {
        double r = F(v);
        return ExactAtZero && v == 0 ? r : StepUp(r, Steps);
    }
    // Both bounds from one call.
    static Interval Both(double v)
    {
        double r = F(v);
        if (ExactAtZero && v == 0)
            return {r, r};
        return {StepDown(r, Steps), StepUp(r, Steps)};
    }
};

// Bounds of f(1/v): an increasing f takes the bounds of 1/v in order, a
// decreasing f crosswise. 1/v near the end of f's domain may be far
// from the true reciprocal in f's terms (acos near 1), so it is bounded,
// not rounded.
template <double (*F)(double), int Steps, bool Increasing, bool ExactAtZero = true>
struct OfReciprocal {
    static double Below(double v)
    {
        return Library<F, Steps, ExactAtZero>::Below(Increasing ? ReciprocalDown(v) : ReciprocalUp(v));
    }
    static double Above(double v)
    {
        return Library<F, Steps, ExactAtZero>::Above(Increasing ? ReciprocalUp(v) : ReciprocalDown(v));
    }
};

// Bounds of 1 / f(v) for f of one sign at v.
template <double (*F)(double), int Steps>
struct ReciprocalOf {
    static double Below(double v) { return ReciprocalDown(Library<F, Steps>::Above(v)); }
    static double Above(double v) { return ReciprocalUp(Library<F, Steps>::Below(v)); }
};

// Functions whose value is exact.
template <double (*F)(double)>
struct Exact {
    static double Below(double v) { return F(v); }
    static double Above(double v) { return F(v); }
};

struct SqrtBounds {
    static double Below(double v) { return SqrtDown(v); }
    static double Above(double v) { return SqrtUp(v); }
};

double Exp(double v) { return std::exp(v); }
double Log(double v) { return std::log(v); }
double Log10(double v) { return std::log10(v); }
double Sin(double v) { return std::sin(v); }
double Cos(double v) { return std::cos(v); }
double Tan(double v) { return std::tan(v); }
double Asin(double v) { return std::asin(v); }
double Acos(double v) { return std::acos(v); }
double Atan(double v) { return std::atan(v); }
double Sinh(double v) { return std::sinh(v); }
double Cosh(double v) { return std::cosh(v); }
double Tanh(double v) { return std::tanh(v); }
double Floor(double v) { return std::floor(v); }
double Ceil(double v) { return std::ceil(v); }

using ExpBounds = Library<Exp, kElementarySteps>;
using LogBounds = Library<Log, kElementarySteps>;
using Log10Bounds = Library<Log10, kHyperbolicSteps>;
using SinBounds = Library<Sin, kElementarySteps>;
using CosBounds = Library<Cos, kElementarySteps>;
using TanBounds = Library<Tan, kElementarySteps>;
using AsinBounds = Library<Asin, kElementarySteps>;
using AcosBounds = Library<Acos, kElementarySteps, false>;
using AtanBounds = Library<Atan, kElementarySteps>;
using SinhBounds = Library<Sinh, kHyperbolicSteps>;
using CoshBounds = Library<Cosh, kHyperbolicSteps>;
using TanhBounds = Library<Tanh, kHyperbolicSteps>;
using AsinhBounds = Library<RealAsinh, kHyperbolicSteps>;
using AcoshBounds = Library<RealAcosh, kHyperbolicSteps>;
using AtanhBounds = Library<RealAtanh, kHyperbolicSteps>;
// The reciprocal functions: cot = 1 / tan, sech = 1 / cosh, asec = acos(1/x),
// acsc = asin(1/x), acoth = atanh(1/x), asech = acosh(1/x), acsch = asinh(1/x).
using CotBounds = ReciprocalOf<Tan, kElementarySteps>;
using SechBounds = ReciprocalOf<Cosh, kHyperbolicSteps>;
using AsecBounds = OfReciprocal<Acos, kElementarySteps, false, false>;
using AcscBounds = OfReciprocal<Asin, kElementarySteps, true>;
using AcothBounds = OfReciprocal<RealAtanh, kHyperbolicSteps, true>;
using AsechBounds = OfReciprocal<RealAcosh, kHyperbolicSteps, true>;
using AcschBounds = OfReciprocal<RealAsinh, kHyperbolicSteps, true>;

// acot x = atan(1/x), plus pi below 0; pi/2 at 0.
struct AcotBounds {
    static double Below(double v)
    {
        if (v < 0)
            return SumDown(AtanBounds::Below(ReciprocalDown(v)), kPi);
        return v > 0 ? AtanBounds::Below(ReciprocalDown(v)) : v == 0 ? kHalfPi : v;
    }
    static double Above(double v)
    {
        if (v < 0)
            return SumUp(AtanBounds::Above(ReciprocalUp(v)), kPiUp);
        return v > 0 ? AtanBounds::Above(ReciprocalUp(v)) : v == 0 ? kHalfPiUp : v;
    }
};

// hypot is exact when one operand is 0.
double HypotDown(double a, double b)
{
    if (a == 0 || b == 0)
        return std::hypot(a, b);
    return StepDown(std::hypot(a, b), kElementarySteps);
}

double HypotUp(double a, double b)
{
    if (a == 0 || b == 0)
        return std::hypot(a, b);
    return StepUp(std::hypot(a, b), kElementarySteps);
}
// Slightly above sup x^(1/3) abs J(x) over orders >= 0 and x > 0 (0.78575).
constexpr double kLandauBound = 0.7858;
// From here on a period count has no fractional part and every count is
// even, so it no longer tells maxima from minima.
constexpr double kPeriodCountLimit = 4503599627370496.0;  // 2^52

bool HasNaN(Interval x)
{
    return IsUndefinedInterval(x);
}

bool IsOrdinary(Interval x)
{
    return x.lo <= x.hi;
}

bool HoldsZero(Interval x)
{
    return x.lo <= 0 && 0 <= x.hi;
}

bool HasInfiniteEnd(Interval x)
{
    return std::isinf(x.lo) || std::isinf(x.hi);
}

Interval Point(double v)
{
    return {v, v};
}

// The two half-lines of an exterior interval.
Interval LowerHalf(Interval x)
{
    return {-kInf, x.hi};
}

Interval UpperHalf(Interval x)
{
    return {x.lo, kInf};
}

// The image of an exterior operand under a non-decreasing function: values
// at or below hi map at or below f(hi), values at or above lo at or above
// f(lo). When the two images meet (equal or saturated ends), only the whole
// line holds them.
Interval NonDecreasingOnExterior(double fLo, double fHi)
{
    return fLo > fHi ? Interval{fLo, fHi} : kWholeLine;
}

// The union of an operation's results on the two half-lines of one exterior
// operand. Either half undefined makes the whole undefined, as one undefined
// product does between ordinary operands; the union alone would keep the
// other half and lose values.
Interval UnionOfHalves(Interval lower, Interval upper)
{
    if (HasNaN(lower) || HasNaN(upper))
        return kUndefined;
    return IntervalUnion(lower, upper);
}

// A two-operand operation extended to exterior operands by splitting each
// into its half-lines.
template <Interval (*Ordinary)(Interval, Interval)>
Interval OverHalfLines(Interval x, Interval y)
{
    bool xExterior = IsExteriorInterval(x);
    bool yExterior = IsExteriorInterval(y);
    if (xExterior && yExterior)
        return IntervalHull4(Ordinary(LowerHalf(x), LowerHalf(y)), Ordinary(LowerHalf(x), UpperHalf(y)),
                             Ordinary(UpperHalf(x), LowerHalf(y)), Ordinary(UpperHalf(x), UpperHalf(y)));
    if (xExterior)
        return UnionOfHalves(Ordinary(LowerHalf(x), y), Ordinary(UpperHalf(x), y));
    if (yExterior)
        return UnionOfHalves(Ordinary(x, LowerHalf(y)), Ordinary(x, UpperHalf(y)));
    return Ordinary(x, y);
}

enum SignClass { Positive, Negative, Mixed };

// [0, b] counts as positive and [a, 0] as negative.
SignClass ClassifySign(Interval x)
{
    if (x.lo >= 0)
        return Positive;
    if (x.hi <= 0)
        return Negative;
    return Mixed;
}

Interval MultiplyOrdinaryIntervals(Interval x, Interval y)
{
    // 0 times an infinite end has no value.
    if ((HoldsZero(x) && HasInfiniteEnd(y)) || (HoldsZero(y) && HasInfiniteEnd(x)))
        return kUndefined;
    switch (ClassifySign(x) * 3 + ClassifySign(y)) {
    case Positive * 3 + Positive:
        return {ProductDown(x.lo, y.lo), ProductUp(x.hi, y.hi)};
    case Positive * 3 + Negative:
        return {ProductDown(x.hi, y.lo), ProductUp(x.lo, y.hi)};
    case Positive * 3 + Mixed:
        return {ProductDown(x.hi, y.lo), ProductUp(x.hi, y.hi)};
    case Negative * 3 + Positive:
        return {ProductDown(x.lo, y.hi), ProductUp(x.hi, y.lo)};
    case Negative * 3 + Negative:
        return {ProductDown(x.hi, y.hi), ProductUp(x.lo, y.lo)};
    case Negative * 3 + Mixed:
        return {ProductDown(x.lo, y.hi), ProductUp(x.lo, y.lo)};
    case Mixed * 3 + Positive:
        return {ProductDown(x.lo, y.hi), ProductUp(x.hi, y.hi)};
    case Mixed * 3 + Negative:
        return {ProductDown(x.hi, y.lo), ProductUp(x.lo, y.lo)};
    default:
        return {std::min(ProductDown(x.hi, y.lo), ProductDown(x.lo, y.hi)),
                std::max(ProductUp(x.hi, y.hi), ProductUp(x.lo, y.lo))};
    }
}

// pow(a, b) is exact when a whole base to a whole power stays below 2^53
// (the library's error is below one unit, so an exact result is found
// exactly), and at the trivial bases and exponents.
bool PowerIsExact(double a, double b, double r)
{
    constexpr double kExactWholeLimit = 9007199254740992.0;  // 2^53
    if (b == 0 || b == 1 || a == 0 || a == 1)
        return true;
    return b > 0 && IsWholeNumber(a) && IsWholeNumber(b) && std::fabs(r) < kExactWholeLimit;
}

double PowDown(double a, double b)
{
    double r = std::pow(a, b);
    return PowerIsExact(a, b, r) ? r : StepDown(r, kElementarySteps);
}

double PowUp(double a, double b)
{
    double r = std::pow(a, b);
    return PowerIsExact(a, b, r) ? r : StepUp(r, kElementarySteps);
}

// x to the whole power n for even n; f is the end of larger magnitude.
Interval EvenPower(Interval x, double n)
{
    double f = std::fabs(x.lo) < std::fabs(x.hi) ? x.hi : x.lo;
    if (n > 0) {
        if (HoldsZero(x))
            return {0, PowUp(f, n)};
        if (x.hi < 0)
            return {PowDown(x.hi, n), PowUp(x.lo, n)};
        return {PowDown(x.lo, n), PowUp(x.hi, n)};
    }
    if (HoldsZero(x))
        return {PowDown(f, n), kInf};
    if (x.hi < 0)
        return {PowDown(x.lo, n), PowUp(x.hi, n)};
    return {PowDown(x.hi, n), PowUp(x.lo, n)};
}

Interval PowerByPoint(Interval x, double n)
{
    if (IsWholeNumber(n)) {
        if (n == 0)
            return {1, 1};
        if (IsEvenWholeNumber(n))
            return EvenPower(x, n);
        if (n > 0)
            return {PowDown(x.lo, n), PowUp(x.hi, n)};
        if (HoldsZero(x))
            return kWholeLine;
        return {PowDown(x.hi, n), PowUp(x.lo, n)};
    }
    if (x.lo < 0)
        return kUndefined;
    if (n >= 0)
        return {PowDown(x.lo, n), PowUp(x.hi, n)};
    return {PowDown(x.hi, n), PowUp(x.lo, n)};
}

Interval PowerBounds(double a, double b)
{
    return {PowDown(a, b), PowUp(a, b)};
}

Interval PowerOfOrdinaryIntervals(Interval x, Interval y)
{
    if (y.lo == y.hi)
        return PowerByPoint(x, y.lo);
    if (!(x.lo >= 0))
        return kUndefined;
    if (x.lo >= 1 && y.lo >= 0)
        return {PowDown(x.lo, y.lo), PowUp(x.hi, y.hi)};
    // x^y = e^(y ln x) with y ln x bilinear: the extremes lie at the corners.
    Interval hull = IntervalHull4(PowerBounds(x.lo, y.lo), PowerBounds(x.hi, y.hi), PowerBounds(x.hi, y.lo),
                                  PowerBounds(x.lo, y.hi));
    if (HoldsZero(y))
        hull = IntervalIncludePoint(hull, 1);
    return hull;
}

// How often 2 divides a finite whole number; 0 counts as divisible without
// end.
double TwosInWholeNumber(double v)
{
    if (v == 0)
        return kInf;
    double count = 0;
    while (IsEvenWholeNumber(v)) {
        v /= 2;
        ++count;
    }
    return count;
}

// The period count of v: trunc(v / pi), less 1 below 0. Kept as a double so
// that any argument has one.
double PeriodCount(double v)
{
    double count = std::trunc(v / kPi);
    return v < 0 ? count - 1 : count;
}

// Sine (sine true) or cosine. Sine is read as a cosine shifted by 3 pi/2,
// so one period count tells where both pass their extrema: a count step
// from an even count passes a minimum of the cosine, from an odd one a
// maximum.
Interval IntervalSinCos(Interval x, bool sine)
{
    if (HasNaN(x))
        return kUndefined;
    if (HasInfiniteEnd(x) || IsExteriorInterval(x))
        return {-1, 1};
    if (x.lo == x.hi) {
        // A point needs no period count, which far out has no precision.
        Interval r = sine ? SinBounds::Both(x.lo) : CosBounds::Both(x.lo);
        return {std::max(r.lo, -1.0), std::min(r.hi, 1.0)};
    }
    double shift = sine ? kThreeHalvesPi : 0;
    // The counts come from rounded sums and a rounded pi: an end that close
    // to an extremum might be counted on its wrong side, so the ends move
    // outward by that much first. An extremum taken in for that reason is
    // within rounding of an end's value.
    double margin = (std::fabs(x.lo) + std::fabs(x.hi) + 8) * 0x1p-50;
    double countLo = PeriodCount(x.lo - margin + shift);
    double steps = PeriodCount(x.hi + margin + shift) - countLo;
    if (steps >= 2)
        return {-1, 1};
    Interval atLo = sine ? SinBounds::Both(x.lo) : CosBounds::Both(x.lo);
    Interval atHi = sine ? SinBounds::Both(x.hi) : CosBounds::Both(x.hi);
    double least = std::max(std::min(atLo.lo, atHi.lo), -1.0);
    double greatest = std::min(std::max(atLo.hi, atHi.hi), 1.0);
    if (steps == 0)
        return {least, greatest};
    if (std::fabs(countLo) >= kPeriodCountLimit)
        return {-1, 1};
    if (IsEvenWholeNumber(countLo))
        return {-1, greatest};
    return {least, 1};
}

// The whole part of v / pi (less 1 below 0) and whether v / pi is whole,
// that is v lies on a pole.
struct PolePosition {
    double whole;
    bool onPole;
};

PolePosition LocatePole(double v)
{
    double whole;
    double fraction = std::modf(v / kPi, &whole);
    return {v < 0 ? whole - 1 : whole, fraction == 0};
}

// True when a pole of tangent (shift pi/2) or cotangent (shift 0) lies in
// the ordinary interval x or on one of its ends.
bool PoleBetween(Interval x, double shift)
{
    PolePosition lo = LocatePole(x.lo + shift);
    PolePosition hi = LocatePole(x.hi + shift);
    return lo.whole != hi.whole || lo.onPole || hi.onPole;
}

// Operands of asec, acsc and acoth: abs x >= 1 throughout.
bool OutsideUnitGap(Interval x)
{
    if (IsOrdinary(x))
        return x.hi <= -1 || x.lo >= 1;
    return x.hi <= -1 && x.lo >= 1;
}

bool InsideUnitInterval(Interval x)
{
    return -1 <= x.lo && x.lo <= x.hi && x.hi <= 1;
}

bool NonNegativeOrdinary(Interval x)
{
    return 0 <= x.lo && x.lo <= x.hi;
}

// [f(lo), f(hi)] of a function increasing on its domain, when the operand
// lies in it; F gives bounds of f below and above its value.
template <class F>
Interval IncreasingWhere(bool inDomain, Interval x)
{
    return inDomain ? Interval{F::Below(x.lo), F::Above(x.hi)} : kUndefined;
}

template <class F>
Interval DecreasingWhere(bool inDomain, Interval x)
{
    return inDomain ? Interval{F::Below(x.hi), F::Above(x.lo)} : kUndefined;
}

// A function increasing on the whole line: exterior operands map by
// NonDecreasingOnExterior.
template <class F>
Interval IncreasingEverywhere(Interval x)
{
    double fLo = F::Below(x.lo);
    double fHi = F::Above(x.hi);
    if (IsExteriorInterval(x))
        return NonDecreasingOnExterior(fLo, fHi);
    return {fLo, fHi};
}

Interval MinOfOrdinary(Interval x, Interval y)
{
    return {MinDouble(x.lo, y.lo), MinDouble(x.hi, y.hi)};
}

Interval MaxOfOrdinary(Interval x, Interval y)
{
    return {MaxDouble(x.lo, y.lo), MaxDouble(x.hi, y.hi)};
}

// A bound on abs J of the orders n at every x with abs x >= m; infinity when
// none is known. sqrt(2 / (pi x)) bounds the orders with abs n <= 1/2 only;
// higher orders rise above it near their first maximum (J2 at 3.05), where
// Landau's bound 0.7858 x^(-1/3), true for every order >= 0, holds them.
// Negative orders other than whole numbers grow without end towards 0.
double BesselBound(Interval n, double m)
{
    Interval order = n;
    if (n.lo == n.hi && IsWholeNumber(n.lo))
        order = Point(std::fabs(n.lo));  // J of -k is J of k up to sign
    if (!IsOrdinary(order) || order.lo < -0.5)
        return kInf;
    double envelope = std::sqrt(2 / (kPi * m));
    double bound = order.hi <= 0.5 ? envelope : std::max(order.lo < 0 ? envelope : 0, kLandauBound / std::cbrt(m));
    return order.lo >= 0 ? std::min(bound, 1.0) : bound;
}

// Bounds of atan2 with a zero y of either sign on the upper side, so that
// the negative x axis has angle pi; exact on the positive x axis.
double Atan2Below(double y, double x)
{
    double a = std::atan2(y + 0.0, x);
    return y == 0 && x >= 0 ? a : std::max(StepDown(a, kElementarySteps), -kPiUp);
}

double Atan2Above(double y, double x)
{
    double a = std::atan2(y + 0.0, x);
    return y == 0 && x >= 0 ? a : std::min(StepUp(a, kElementarySteps), kPiUp);
}

Interval Atan2Bounds(double y, double x)
{
    return {Atan2Below(y, x), Atan2Above(y, x)};
}

// Bounds of the angle of the point (x, y) in [0, 2 pi): atan2, plus 2 pi
// below the x axis (y < 0, where atan2 is negative).
double AngleBelow(double y, double x)
{
    return y < 0 ? SumDown(Atan2Below(y, x), kFullTurn) : std::max(Atan2Below(y, x), 0.0);
}

double AngleAbove(double y, double x)
{
    return y < 0 ? SumUp(Atan2Above(y, x), kFullTurnUp) : Atan2Above(y, x);
}

TruthInterval Decide(bool certainlyTrue, bool certainlyFalse, Interval x, Interval y)
{
    if (certainlyTrue)
        return TruthTrue;
    if (certainlyFalse)
        return TruthFalse;
    if (HasNaN(x) || HasNaN(y))
        return kUndefined;
    return TruthUndecided;
}

bool BothOrdinary(Interval x, Interval y)
{
    return IsOrdinary(x) && IsOrdinary(y);
}

// y is ordinary and lies inside the gap of the exterior x.
bool InsideGap(Interval x, Interval y)
{
    return IsExteriorInterval(x) && IsOrdinary(y) && x.hi < y.lo && y.hi < x.lo;
}

// x! = Gamma(x + 1) bounded below and above, from the long double gamma
// function (its error, and that of x + 1, are far below a double's unit).
// Whole values up to 22 have exact products (from 23! on the product
// rounds); negative whole numbers are poles.
constexpr int kFactorialSteps = 2;
// Where x! has its minimum above -1.
constexpr double kFactorialMinimumAt = 0.46163214496836236;
// Below this, x! between two poles never leaves the subnormal range.
constexpr double kDeepestFactorialExtremum = -180;

double FactorialBound(double v, bool above)
{
    if (IsWholeNumber(v) && v >= 0 && v <= 22)
        return RealFactorial(v);
    if (IsWholeNumber(v) && v < 0)
        return kNaN;
    double g = static_cast<double>(std::tgamma(static_cast<long double>(v) + 1.0L));
    return above ? StepUp(g, kFactorialSteps) : StepDown(g, kFactorialSteps);
}

double FactorialDown(double v)
{
    return FactorialBound(v, false);
}

double FactorialUp(double v)
{
    return FactorialBound(v, true);
}

double Digamma(double t)
{
    return boost::math::digamma(t, NoThrowPolicy());
}

}  // namespace

Interval IntervalAdd(Interval x, Interval y)
{
    if (std::isnan(x.lo) || std::isnan(y.lo))
        return kUndefined;
    bool xExterior = IsExteriorInterval(x);
    bool yExterior = IsExteriorInterval(y);
    if (xExterior && yExterior)
        return kWholeLine;
    Interval sum{SumDown(x.lo, y.lo), SumUp(x.hi, y.hi)};
    if (HasNaN(sum))
        return kWholeLine;
    if (xExterior || yExterior)
        return sum.hi >= sum.lo ? kWholeLine : sum;
    return sum;
}

Interval IntervalNegate(Interval x)
{
    return {-x.hi, -x.lo};
}

Interval IntervalSubtract(Interval x, Interval y)
{
    return IntervalAdd(x, IntervalNegate(y));
}

Interval IntervalMultiply(Interval x, Interval y)
{
    if (HasNaN(x) || HasNaN(y))
        return kUndefined;
    return OverHalfLines<MultiplyOrdinaryIntervals>(x, y);
}

Interval IntervalReciprocal(Interval x)
{
    Interval r{ReciprocalDown(x.hi), ReciprocalUp(x.lo)};
    if (r.lo == 0 && r.hi == 0)
        return kWholeLine;
    return r;
}

Interval IntervalDivide(Interval x, Interval y)
{
    return IntervalMultiply(x, IntervalReciprocal(y));
}

Interval IntervalUnion(Interval x, Interval y)
{
    if (HasNaN(x))
        return kUndefined;
    if (HasNaN(y))
        return x;
    bool xExterior = IsExteriorInterval(x);
    bool yExterior = IsExteriorInterval(y);
    if (xExterior && yExterior) {
        Interval gaps{std::min(x.lo, y.lo), std::max(x.hi, y.hi)};
        return gaps.lo > gaps.hi ? gaps : kWholeLine;
    }
    if (xExterior || yExterior)
        return kWholeLine;
    Interval hull{std::min(x.lo, y.lo), std::max(x.hi, y.hi)};
    if (hull.lo != -kInf || hull.hi != kInf)
        return hull;
    // Two half-lines pointing away from each other leave a gap between them.
    if (x.lo == -kInf && y.hi == kInf && x.hi < y.lo)
        return {y.lo, x.hi};
    if (y.lo == -kInf && x.hi == kInf && y.hi < x.lo)
        return {x.lo, y.hi};
    return kWholeLine;
}

Interval IntervalHull4(Interval a, Interval b, Interval c, Interval d)
{
    if (HasNaN(a) || HasNaN(b) || HasNaN(c) || HasNaN(d))
        return kUndefined;
    return {std::min({a.lo, b.lo, c.lo, d.lo}), std::max({a.hi, b.hi, c.hi, d.hi})};
}

Interval IntervalPower(Interval x, Interval y)
{
    if (HasNaN(x) || HasNaN(y))
        return kUndefined;
    return OverHalfLines<PowerOfOrdinaryIntervals>(x, y);
}

Interval IntervalRationalPower(Interval x, Interval m, Interval n)
{
    bool wholePoints = m.lo == m.hi && n.lo == n.hi && IsWholeNumber(m.lo) && IsWholeNumber(n.lo) &&
                       std::isfinite(m.lo) && std::isfinite(n.lo) && n.lo != 0;
    if (wholePoints && IsOrdinary(x) && x.lo < 0) {
        // m/n in lowest terms has an odd denominator exactly when n holds no
        // more factors of 2 than m, and an even numerator when m holds more.
        double twosInM = TwosInWholeNumber(m.lo);
        double twosInN = TwosInWholeNumber(n.lo);
        if (twosInN <= twosInM) {
            bool evenNumerator = twosInM > twosInN;
            // m/n is rarely a double: its bounds make the exponent.
            Interval e = IntervalMultiply(m, IntervalReciprocal(n));
            if (x.hi <= 0) {
                Interval r = PowerOfOrdinaryIntervals({-x.hi, -x.lo}, e);
                return evenNumerator ? r : IntervalNegate(r);
            }
            Interval positive = PowerOfOrdinaryIntervals({0, x.hi}, e);
            Interval negative = PowerOfOrdinaryIntervals({0, -x.lo}, e);
            if (!evenNumerator)
                negative = IntervalNegate(negative);
            return IntervalUnion(negative, positive);
        }
    }
    return IntervalPower(x, IntervalMultiply(m, IntervalReciprocal(n)));
}

Interval IntervalSquare(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    double least = std::min(ProductDown(x.lo, x.lo), ProductDown(x.hi, x.hi));
    if (IsExteriorInterval(x)) {
        if (x.lo <= 0 || x.hi >= 0)
            return {0, kInf};
        return {least, kInf};
    }
    return {x.lo < 0 && 0 < x.hi ? 0 : least, std::max(ProductUp(x.lo, x.lo), ProductUp(x.hi, x.hi))};
}

Interval IntervalAbs(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x)) {
        if (x.lo <= 0 || x.hi >= 0)
            return {0, kInf};
        return {std::min(x.lo, -x.hi), kInf};
    }
    double a = std::fabs(x.lo);
    double b = std::fabs(x.hi);
    return {x.lo < 0 && 0 < x.hi ? 0 : std::min(a, b), std::max(a, b)};
}

Interval IntervalSqrt(Interval x)
{
    return IncreasingWhere<SqrtBounds>(NonNegativeOrdinary(x), x);
}

Interval IntervalExp(Interval x)
{
    return IncreasingEverywhere<ExpBounds>(x);
}

Interval IntervalLn(Interval x)
{
    return IncreasingWhere<LogBounds>(NonNegativeOrdinary(x), x);
}

Interval IntervalLog10(Interval x)
{
    return IncreasingWhere<Log10Bounds>(NonNegativeOrdinary(x), x);
}

Interval IntervalSin(Interval x)
{
    return IntervalSinCos(x, true);
}

Interval IntervalCos(Interval x)
{
    return IntervalSinCos(x, false);
}

Interval IntervalTan(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (HasInfiniteEnd(x) || IsExteriorInterval(x) || PoleBetween(x, kHalfPi))
        return kWholeLine;
    Interval r{TanBounds::Below(x.lo), TanBounds::Above(x.hi)};
    // Rounding may put the ends on either side of a pole.
    if (r.hi < r.lo)
        return kWholeLine;
    return r;
}

Interval IntervalCot(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (HasInfiniteEnd(x) || IsExteriorInterval(x) || PoleBetween(x, 0))
        return kWholeLine;
    return {CotBounds::Below(x.hi), CotBounds::Above(x.lo)};
}

Interval IntervalSec(Interval x)
{
    return IntervalReciprocal(IntervalCos(x));
}

Interval IntervalCsc(Interval x)
{
    return IntervalReciprocal(IntervalSin(x));
}

Interval IntervalAsin(Interval x)
{
    return IncreasingWhere<AsinBounds>(InsideUnitInterval(x), x);
}

Interval IntervalAcos(Interval x)
{
    return DecreasingWhere<AcosBounds>(InsideUnitInterval(x), x);
}

Interval IntervalAtan(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x))
        return {-kHalfPiUp, kHalfPiUp};
    return {AtanBounds::Below(x.lo), AtanBounds::Above(x.hi)};
}

Interval IntervalAcot(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x))
        return {0, kPiUp};
    return {std::max(AcotBounds::Below(x.hi), 0.0), AcotBounds::Above(x.lo)};
}

Interval IntervalAsec(Interval x)
{
    return IncreasingWhere<AsecBounds>(OutsideUnitGap(x), x);
}

Interval IntervalAcsc(Interval x)
{
    return DecreasingWhere<AcscBounds>(OutsideUnitGap(x), x);
}

Interval IntervalSinh(Interval x)
{
    return IncreasingEverywhere<SinhBounds>(x);
}

Interval IntervalCosh(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    // cosh is at least 1.
    auto below = [](double v) { return std::max(CoshBounds::Below(v), 1.0); };
    if (IsExteriorInterval(x)) {
        if (x.lo > 0 && x.hi < 0)
            return {below(std::min(x.lo, -x.hi)), kInf};
        return {1, kInf};
    }
    if (x.hi < 0)
        return {below(x.hi), CoshBounds::Above(x.lo)};
    if (x.lo > 0)
        return {below(x.lo), CoshBounds::Above(x.hi)};
    return {1, CoshBounds::Above(std::max(x.hi, -x.lo))};
}

Interval IntervalTanh(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x))
        return {-1, 1};
    return {std::max(TanhBounds::Below(x.lo), -1.0), std::min(TanhBounds::Above(x.hi), 1.0)};
}

Interval IntervalCoth(Interval x)
{
    return IntervalReciprocal(IntervalTanh(x));
}

Interval IntervalSech(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    // sech is at most 1.
    auto above = [](double v) { return std::min(SechBounds::Above(v), 1.0); };
    if (IsExteriorInterval(x)) {
        if (x.lo > 0 && x.hi < 0)
            return {0, above(std::min(x.lo, -x.hi))};
        return {0, 1};
    }
    if (x.hi < 0)
        return {SechBounds::Below(x.lo), above(x.hi)};
    if (x.lo > 0)
        return {SechBounds::Below(x.hi), above(x.lo)};
    return {SechBounds::Below(std::max(x.hi, -x.lo)), 1};
}

Interval IntervalCsch(Interval x)
{
    return IntervalReciprocal(IntervalSinh(x));
}

Interval IntervalAsinh(Interval x)
{
    return IncreasingEverywhere<AsinhBounds>(x);
}

Interval IntervalAcosh(Interval x)
{
    Interval r = IncreasingWhere<AcoshBounds>(1 <= x.lo && x.lo <= x.hi, x);
    r.lo = std::max(r.lo, 0.0);  // acosh is not negative
    return r;
}

Interval IntervalAtanh(Interval x)
{
    return IncreasingWhere<AtanhBounds>(InsideUnitInterval(x), x);
}

Interval IntervalAcoth(Interval x)
{
    return DecreasingWhere<AcothBounds>(OutsideUnitGap(x), x);
}

Interval IntervalAsech(Interval x)
{
    Interval r = DecreasingWhere<AsechBounds>(0 <= x.lo && x.lo <= x.hi && x.hi <= 1, x);
    r.lo = std::max(r.lo, 0.0);  // asech is not negative
    return r;
}

Interval IntervalAcsch(Interval x)
{
    if (x.lo == -kInf && x.hi == kInf)
        return kWholeLine;
    return {AcschBounds::Below(x.hi), AcschBounds::Above(x.lo)};
}

Interval IntervalFloor(Interval x)
{
    return IncreasingEverywhere<Exact<Floor>>(x);
}

Interval IntervalCeil(Interval x)
{
    return IncreasingEverywhere<Exact<Ceil>>(x);
}

Interval IntervalSign(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x))
        return {-1, 1};
    if (x.lo > 0)
        return {1, 1};
    if (x.lo == 0)
        return x.hi > 0 ? Interval{0, 1} : Interval{0, 0};
    if (x.hi < 0)
        return {-1, -1};
    return x.hi == 0 ? Interval{-1, 0} : Interval{-1, 1};
}

Interval IntervalMin(Interval x, Interval y)
{
    return OverHalfLines<MinOfOrdinary>(x, y);
}

Interval IntervalMax(Interval x, Interval y)
{
    return OverHalfLines<MaxOfOrdinary>(x, y);
}

Interval IntervalMod(Interval x, Interval y)
{
    Interval quotient = IntervalFloor(IntervalMultiply(x, IntervalReciprocal(y)));
    return IntervalAdd(x, IntervalNegate(IntervalMultiply(y, quotient)));
}

Interval IntervalFactorial(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (x.lo < -1 && std::floor(x.lo) != std::floor(x.hi))
        return kWholeLine;
    if (IsExteriorInterval(x))
        return kWholeLine;
    Interval r{std::min(FactorialDown(x.lo), FactorialDown(x.hi)), std::max(FactorialUp(x.lo), FactorialUp(x.hi))};
    if (HasNaN(r))
        return kWholeLine;
    // Between two poles, and above -1, x! has one extremum: where the
    // digamma function of x + 1 changes sign.
    if (x.lo >= -1) {
        if (x.lo < kFactorialMinimumAt && kFactorialMinimumAt < x.hi)
            r.lo = std::min(r.lo, FactorialDown(kFactorialMinimumAt));
        return r;
    }
    double t0 = x.lo + 1;
    double t1 = x.hi + 1;
    if (!(Digamma(t0) < 0 && Digamma(t1) > 0))
        return r;
    // Signs alternate between poles: positive (a minimum) where the number
    // of poles between x and -1 is odd.
    bool positive = IsEvenWholeNumber(-std::floor(x.lo) - 1);
    double extremum = 0;  // the deep extrema are below every double
    if (x.lo > kDeepestFactorialExtremum) {
        // Bisection to the last bit: the value there is within rounding of
        // the extremum, as the slope vanishes.
        for (;;) {
            double middle = 0.5 * (t0 + t1);
            if (middle <= t0 || middle >= t1)
                break;
            (Digamma(middle) < 0 ? t0 : t1) = middle;
        }
        double g = static_cast<double>(std::tgamma(static_cast<long double>(t0)));
        extremum = positive ? StepDown(g, kFactorialSteps) : StepUp(g, kFactorialSteps);
    }
    if (positive)
        r.lo = std::min(r.lo, extremum);
    else
        r.hi = std::max(r.hi, extremum);
    return r;
}

Interval IntervalBinomial(Interval n, Interval k)
{
    if (n.lo == n.hi && k.lo == k.hi) {
        double v = RealBinomial(n.lo, k.lo);
        // Whole operands near each other take a product of m rounded
        // quotients and products; the edges 0 and 1 are exact.
        double m = std::min(k.lo, n.lo - k.lo);
        if (IsWholeNumber(n.lo) && IsWholeNumber(k.lo) && n.lo >= 0 && k.lo >= 0 && std::fabs(n.lo - k.lo) < 1000 &&
            v != 0 && v != 1 && m > 0) {
            int steps = 2 * static_cast<int>(m) + 2;
            Interval r{StepDown(v, steps), StepUp(v, steps)};
            // The coefficient is a whole number: when only one lies within
            // the bounds, it is the value.
            double whole = std::ceil(r.lo);
            return whole == std::floor(r.hi) ? Point(whole) : r;
        }
        if (IsWholeNumber(n.lo) && IsWholeNumber(k.lo))
            return Point(v);
    }
    Interval denominator = IntervalMultiply(IntervalFactorial(k), IntervalFactorial(IntervalSubtract(n, k)));
    return IntervalMultiply(IntervalFactorial(n), IntervalReciprocal(denominator));
}

Interval IntervalBesselJ(Interval n, Interval x)
{
    if (HasNaN(n) || HasNaN(x))
        return kUndefined;
    // An exterior x reaches to both infinities, so it never counts as narrow.
    if (n.lo == n.hi && IsOrdinary(x) && x.hi - x.lo <= kHalfPi)
        return IntervalHull4(Point(RealBesselJ(n.lo, x.lo)), Point(RealBesselJ(n.hi, x.lo)),
                             Point(RealBesselJ(n.lo, x.hi)), Point(RealBesselJ(n.hi, x.hi)));
    double bound = BesselBound(n, IntervalAbs(x).lo);
    return std::isinf(bound) ? kWholeLine : Interval{-bound, bound};
}

Interval IntervalAngle(Interval y, Interval x)
{
    if (HasNaN(y) || HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(y) || IsExteriorInterval(x))
        return {0, kFullTurnUp};
    if (y.lo < 0 && 0 <= y.hi) {
        if (x.hi >= 0)
            return {0, kFullTurnUp};
        return {AngleBelow(y.hi, x.hi), AngleAbove(y.lo, x.hi)};
    }
    // The box lies on one side of the x axis (or on it): the extreme angles
    // are at the corners nearest the start and the end of the sweep.
    double c = y.hi > 0 ? x.hi : x.lo;
    double b = y.hi > 0 ? x.lo : x.hi;
    return {AngleBelow(c > 0 ? y.lo : y.hi, c), AngleAbove(b < 0 ? y.lo : y.hi, b)};
}

Interval IntervalAtan2(Interval y, Interval x)
{
    if (HasNaN(y) || HasNaN(x))
        return kUndefined;
    // A box that reaches the negative x axis from below takes angles near
    // -pi as well as pi.
    if (IsExteriorInterval(y) || IsExteriorInterval(x) || (y.lo < 0 && 0 <= y.hi && x.lo < 0))
        return {-kPiUp, kPiUp};
    return IntervalHull4(Atan2Bounds(y.lo, x.lo), Atan2Bounds(y.hi, x.hi), Atan2Bounds(y.hi, x.lo),
                         Atan2Bounds(y.lo, x.hi));
}

Interval IntervalHypot(Interval x, Interval y)
{
    if (HasNaN(x) || HasNaN(y))
        return kUndefined;
    // The smallest and largest magnitudes of each operand.
    Interval mx = IntervalAbs(x);
    Interval my = IntervalAbs(y);
    return {HypotDown(mx.lo, my.lo), HypotUp(mx.hi, my.hi)};
}

TruthInterval IntervalLess(Interval x, Interval y)
{
    bool ordinary = BothOrdinary(x, y);
    return Decide(ordinary && x.hi < y.lo, ordinary && y.hi <= x.lo, x, y);
}

TruthInterval IntervalGreater(Interval x, Interval y)
{
    bool ordinary = BothOrdinary(x, y);
    return Decide(ordinary && y.hi < x.lo, ordinary && x.hi <= y.lo, x, y);
}

TruthInterval IntervalLessEqual(Interval x, Interval y)
{
    bool ordinary = BothOrdinary(x, y);
    return Decide(ordinary && x.hi <= y.lo, ordinary && y.hi < x.lo, x, y);
}

TruthInterval IntervalGreaterEqual(Interval x, Interval y)
{
    bool ordinary = BothOrdinary(x, y);
    return Decide(ordinary && y.hi <= x.lo, ordinary && x.hi < y.lo, x, y);
}

TruthInterval IntervalEqual(Interval x, Interval y)
{
    bool samePoint = x.lo == x.hi && y.lo == y.hi && x.lo == y.lo;
    bool disjoint = (BothOrdinary(x, y) && (y.hi < x.lo || x.hi < y.lo)) || InsideGap(x, y) || InsideGap(y, x);
    return Decide(samePoint, disjoint, x, y);
}

TruthInterval TruthAnd(TruthInterval a, TruthInterval b)
{
    if (IntervalEquals(a, TruthTrue) && IntervalEquals(b, TruthTrue))
        return TruthTrue;
    if (IntervalEquals(a, TruthFalse) || IntervalEquals(b, TruthFalse))
        return TruthFalse;
    if (HasNaN(a) || HasNaN(b))
        return kUndefined;
    return TruthUndecided;
}

TruthInterval TruthOr(TruthInterval a, TruthInterval b)
{
    if (IntervalEquals(a, TruthFalse) && IntervalEquals(b, TruthFalse))
        return TruthFalse;
    if (IntervalEquals(a, TruthTrue) || IntervalEquals(b, TruthTrue))
        return TruthTrue;
    return TruthUndecided;
}

TruthInterval TruthNot(TruthInterval a)
{
    if (IntervalEquals(a, TruthFalse))
        return TruthTrue;
    if (IntervalEquals(a, TruthTrue))
        return TruthFalse;
    return TruthUndecided;
}

Interval IntervalIncludePoint(Interval x, double c)
{
    if (!IsExteriorInterval(x))
        return {MinDouble(x.lo, c), MaxDouble(x.hi, c)};
    if (x.hi < c && c < x.lo) {
        if (std::fabs(x.lo - c) > std::fabs(x.hi - c))
            x.hi = c;
        else
            x.lo = c;
    }
    return x;
}

Interval IntervalFromComplex(ComplexValue z)
{
    return z.im == 0 ? Point(z.re) : kUndefined;
}
