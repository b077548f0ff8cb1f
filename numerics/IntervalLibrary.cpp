#include "numerics/IntervalLibrary.h"

#include "CoreUtilities/SmallNumerics.h"
#include "numerics/RealLibrary.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Interval kUndefined{kNaN, kNaN};
constexpr Interval kWholeLine{-kInf, kInf};

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kThreeHalvesPi = 4.71238898038469;
constexpr double kFullTurn = 6.283185307179586;
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
        return {x.lo * y.lo, x.hi * y.hi};
    case Positive * 3 + Negative:
        return {x.hi * y.lo, x.lo * y.hi};
    case Positive * 3 + Mixed:
        return {x.hi * y.lo, x.hi * y.hi};
    case Negative * 3 + Positive:
        return {x.lo * y.hi, x.hi * y.lo};
    case Negative * 3 + Negative:
        return {x.hi * y.hi, x.lo * y.lo};
    case Negative * 3 + Mixed:
        return {x.lo * y.hi, x.lo * y.lo};
    case Mixed * 3 + Positive:
        return {x.lo * y.hi, x.hi * y.hi};
    case Mixed * 3 + Negative:
        return {x.hi * y.lo, x.lo * y.lo};
    default:
        return {std::min(x.hi * y.lo, x.lo * y.hi), std::max(x.hi * y.hi, x.lo * y.lo)};
    }
}

// x to the whole power n for even n; f is the end of larger magnitude.
Interval EvenPower(Interval x, double n)
{
    double f = std::fabs(x.lo) < std::fabs(x.hi) ? x.hi : x.lo;
    if (n > 0) {
        if (HoldsZero(x))
            return {0, std::pow(f, n)};
        if (x.hi < 0)
            return {std::pow(x.hi, n), std::pow(x.lo, n)};
        return {std::pow(x.lo, n), std::pow(x.hi, n)};
    }
    if (HoldsZero(x))
        return {std::pow(f, n), kInf};
    if (x.hi < 0)
        return {std::pow(x.lo, n), std::pow(x.hi, n)};
    return {std::pow(x.hi, n), std::pow(x.lo, n)};
}

Interval PowerByPoint(Interval x, double n)
{
    if (IsWholeNumber(n)) {
        if (n == 0)
            return {1, 1};
        if (IsEvenWholeNumber(n))
            return EvenPower(x, n);
        if (n > 0)
            return {std::pow(x.lo, n), std::pow(x.hi, n)};
        if (HoldsZero(x))
            return kWholeLine;
        return {std::pow(x.hi, n), std::pow(x.lo, n)};
    }
    if (x.lo < 0)
        return kUndefined;
    if (n >= 0)
        return {std::pow(x.lo, n), std::pow(x.hi, n)};
    return {std::pow(x.hi, n), std::pow(x.lo, n)};
}

Interval PowerOfOrdinaryIntervals(Interval x, Interval y)
{
    if (y.lo == y.hi)
        return PowerByPoint(x, y.lo);
    if (!(x.lo >= 0))
        return kUndefined;
    if (x.lo >= 1 && y.lo >= 0)
        return {std::pow(x.lo, y.lo), std::pow(x.hi, y.hi)};
    // x^y = e^(y ln x) with y ln x bilinear: the extremes lie at the corners.
    Interval hull = IntervalHull4(Point(std::pow(x.lo, y.lo)), Point(std::pow(x.hi, y.hi)),
                                  Point(std::pow(x.hi, y.lo)), Point(std::pow(x.lo, y.hi)));
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
    double shift = sine ? kThreeHalvesPi : 0;
    double countLo = PeriodCount(x.lo + shift);
    double steps = PeriodCount(x.hi + shift) - countLo;
    if (steps >= 2)
        return {-1, 1};
    double atLo = sine ? std::sin(x.lo) : std::cos(x.lo);
    double atHi = sine ? std::sin(x.hi) : std::cos(x.hi);
    if (steps == 0)
        return {std::min(atLo, atHi), std::max(atLo, atHi)};
    if (std::fabs(countLo) >= kPeriodCountLimit)
        return {-1, 1};
    if (IsEvenWholeNumber(countLo))
        return {-1, std::max(atLo, atHi)};
    return {std::min(atLo, atHi), 1};
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
// lies in it.
template <double (*F)(double)>
Interval IncreasingWhere(bool inDomain, Interval x)
{
    return inDomain ? Interval{F(x.lo), F(x.hi)} : kUndefined;
}

template <double (*F)(double)>
Interval DecreasingWhere(bool inDomain, Interval x)
{
    return inDomain ? Interval{F(x.hi), F(x.lo)} : kUndefined;
}

// A function increasing on the whole line: exterior operands map by
// NonDecreasingOnExterior.
template <double (*F)(double)>
Interval IncreasingEverywhere(Interval x)
{
    double fLo = F(x.lo);
    double fHi = F(x.hi);
    if (IsExteriorInterval(x))
        return NonDecreasingOnExterior(fLo, fHi);
    return {fLo, fHi};
}

double Exp(double v) { return std::exp(v); }
double Log(double v) { return std::log(v); }
double Log10(double v) { return std::log10(v); }
double Sqrt(double v) { return std::sqrt(v); }
double Asin(double v) { return std::asin(v); }
double Acos(double v) { return std::acos(v); }
double Sinh(double v) { return std::sinh(v); }
double Floor(double v) { return std::floor(v); }
double Ceil(double v) { return std::ceil(v); }

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

// The angle of the point (x, y) in [0, 2 pi); a zero y of either sign is on
// the upper side, so the negative x axis has angle pi.
double Angle(double y, double x)
{
    return Atan2Positive(y + 0.0, x);
}

double Atan2(double y, double x)
{
    return std::atan2(y + 0.0, x);
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

}  // namespace

Interval IntervalAdd(Interval x, Interval y)
{
    if (std::isnan(x.lo) || std::isnan(y.lo))
        return kUndefined;
    bool xExterior = IsExteriorInterval(x);
    bool yExterior = IsExteriorInterval(y);
    if (xExterior && yExterior)
        return kWholeLine;
    Interval sum{x.lo + y.lo, x.hi + y.hi};
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
    Interval r{1 / x.hi, 1 / x.lo};
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
            Interval e = Point(m.lo / n.lo);
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
    double lo2 = x.lo * x.lo;
    double hi2 = x.hi * x.hi;
    if (IsExteriorInterval(x)) {
        if (x.lo <= 0 || x.hi >= 0)
            return {0, kInf};
        return {std::min(lo2, hi2), kInf};
    }
    return {x.lo < 0 && 0 < x.hi ? 0 : std::min(lo2, hi2), std::max(lo2, hi2)};
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
    return IncreasingWhere<Sqrt>(NonNegativeOrdinary(x), x);
}

Interval IntervalExp(Interval x)
{
    return IncreasingEverywhere<Exp>(x);
}

Interval IntervalLn(Interval x)
{
    return IncreasingWhere<Log>(NonNegativeOrdinary(x), x);
}

Interval IntervalLog10(Interval x)
{
    return IncreasingWhere<Log10>(NonNegativeOrdinary(x), x);
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
    Interval r{std::tan(x.lo), std::tan(x.hi)};
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
    return {RealCot(x.hi), RealCot(x.lo)};
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
    return IncreasingWhere<Asin>(InsideUnitInterval(x), x);
}

Interval IntervalAcos(Interval x)
{
    return DecreasingWhere<Acos>(InsideUnitInterval(x), x);
}

Interval IntervalAtan(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x))
        return {-kHalfPi, kHalfPi};
    return {std::atan(x.lo), std::atan(x.hi)};
}

Interval IntervalAcot(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x))
        return {0, kPi};
    return {RealAcot(x.hi), RealAcot(x.lo)};
}

Interval IntervalAsec(Interval x)
{
    return IncreasingWhere<RealAsec>(OutsideUnitGap(x), x);
}

Interval IntervalAcsc(Interval x)
{
    return DecreasingWhere<RealAcsc>(OutsideUnitGap(x), x);
}

Interval IntervalSinh(Interval x)
{
    return IncreasingEverywhere<Sinh>(x);
}

Interval IntervalCosh(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x)) {
        if (x.lo > 0 && x.hi < 0)
            return {std::cosh(std::min(x.lo, -x.hi)), kInf};
        return {1, kInf};
    }
    if (x.hi < 0)
        return {std::cosh(x.hi), std::cosh(x.lo)};
    if (x.lo > 0)
        return {std::cosh(x.lo), std::cosh(x.hi)};
    return {1, std::cosh(std::max(x.hi, -x.lo))};
}

Interval IntervalTanh(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x))
        return {-1, 1};
    return {std::tanh(x.lo), std::tanh(x.hi)};
}

Interval IntervalCoth(Interval x)
{
    return IntervalReciprocal(IntervalTanh(x));
}

Interval IntervalSech(Interval x)
{
    if (HasNaN(x))
        return kUndefined;
    if (IsExteriorInterval(x)) {
        if (x.lo > 0 && x.hi < 0)
            return {0, RealSech(std::min(x.lo, -x.hi))};
        return {0, 1};
    }
    if (x.hi < 0)
        return {RealSech(x.lo), RealSech(x.hi)};
    if (x.lo > 0)
        return {RealSech(x.hi), RealSech(x.lo)};
    return {RealSech(std::max(x.hi, -x.lo)), 1};
}

Interval IntervalCsch(Interval x)
{
    return IntervalReciprocal(IntervalSinh(x));
}

Interval IntervalAsinh(Interval x)
{
    return IncreasingEverywhere<RealAsinh>(x);
}

Interval IntervalAcosh(Interval x)
{
    return IncreasingWhere<RealAcosh>(1 <= x.lo && x.lo <= x.hi, x);
}

Interval IntervalAtanh(Interval x)
{
    return IncreasingWhere<RealAtanh>(InsideUnitInterval(x), x);
}

Interval IntervalAcoth(Interval x)
{
    return DecreasingWhere<RealAcoth>(OutsideUnitGap(x), x);
}

Interval IntervalAsech(Interval x)
{
    return DecreasingWhere<RealAsech>(0 <= x.lo && x.lo <= x.hi && x.hi <= 1, x);
}

Interval IntervalAcsch(Interval x)
{
    if (x.lo == -kInf && x.hi == kInf)
        return kWholeLine;
    return {RealAcsch(x.hi), RealAcsch(x.lo)};
}

Interval IntervalFloor(Interval x)
{
    return IncreasingEverywhere<Floor>(x);
}

Interval IntervalCeil(Interval x)
{
    return IncreasingEverywhere<Ceil>(x);
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
    double atLo = RealFactorial(x.lo);
    double atHi = RealFactorial(x.hi);
    if (std::isnan(atLo) || std::isnan(atHi))
        return kWholeLine;
    Interval r{std::min(atLo, atHi), std::max(atLo, atHi)};
    if (x.lo < -1) {
        // Between two poles the extremum lies near the middle.
        double middle = std::floor(x.lo) + 0.5;
        if (x.lo < middle && middle < x.hi) {
            double atMiddle = RealFactorial(middle);
            if (atMiddle > 0)
                r.lo = std::min(r.lo, atMiddle);
            else
                r.hi = std::max(r.hi, atMiddle);
        }
    }
    return r;
}

Interval IntervalBinomial(Interval n, Interval k)
{
    if (n.lo == n.hi && k.lo == k.hi)
        return Point(RealBinomial(n.lo, k.lo));
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
        return {0, kFullTurn};
    if (y.lo < 0 && 0 <= y.hi) {
        if (x.hi >= 0)
            return {0, kFullTurn};
        return {Angle(y.hi, x.hi), Angle(y.lo, x.hi)};
    }
    // The box lies on one side of the x axis (or on it): the extreme angles
    // are at the corners nearest the start and the end of the sweep.
    double c = y.hi > 0 ? x.hi : x.lo;
    double b = y.hi > 0 ? x.lo : x.hi;
    return {Angle(c > 0 ? y.lo : y.hi, c), Angle(b < 0 ? y.lo : y.hi, b)};
}

Interval IntervalAtan2(Interval y, Interval x)
{
    if (HasNaN(y) || HasNaN(x))
        return kUndefined;
    // A box that reaches the negative x axis from below takes angles near
    // -pi as well as pi.
    if (IsExteriorInterval(y) || IsExteriorInterval(x) || (y.lo < 0 && 0 <= y.hi && x.lo < 0))
        return {-kPi, kPi};
    return IntervalHull4(Point(Atan2(y.lo, x.lo)), Point(Atan2(y.hi, x.hi)), Point(Atan2(y.hi, x.lo)),
                         Point(Atan2(y.lo, x.hi)));
}

Interval IntervalHypot(Interval x, Interval y)
{
    if (HasNaN(x) || HasNaN(y))
        return kUndefined;
    // The smallest and largest magnitudes of each operand.
    Interval mx = IntervalAbs(x);
    Interval my = IntervalAbs(y);
    return {std::hypot(mx.lo, my.lo), std::hypot(mx.hi, my.hi)};
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
