#include "numerics/ComplexIntervalLibrary.h"

#include "numerics/IntervalLibrary.h"
#include "numerics/RealLibrary.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr ComplexInterval kUndefined{{kNaN, kNaN}, {kNaN, kNaN}};
constexpr Interval kZero{0, 0};
constexpr ComplexInterval kOne{{1, 1}, {0, 0}};
constexpr ComplexInterval kI{{0, 0}, {1, 1}};
// pi/2 lies between these two neighbouring doubles.
constexpr Interval kHalfPi{1.5707963267948966, 1.5707963267948968};

ComplexInterval Real(Interval x)
{
    return {x, kZero};
}

Interval Scaled(double s, Interval x)
{
    return IntervalMultiply({s, s}, x);
}

Interval Times(Interval a, Interval b)
{
    return IntervalMultiply(a, b);
}

bool ContainsNoZero(Interval x)
{
    return !IntervalContainsZero(x);
}

// -i log s: {arg s, -ln abs s}.
ComplexInterval MinusILog(ComplexInterval s)
{
    return {ComplexIntervalArg(s), IntervalNegate(IntervalLn(ComplexIntervalAbs(s)))};
}

// log(z + sqrt(z^2 + c)) with c = 1 or -1, the common core of asinh, acosh
// and acos.
ComplexInterval PlusRootOfSquare(ComplexInterval z, double c)
{
    ComplexInterval square = ComplexIntervalSquare(z);
    square.re = IntervalAdd(square.re, {c, c});
    return ComplexIntervalAdd(z, ComplexIntervalSqrt(square));
}

ComplexInterval Reciprocal(ComplexInterval z)
{
    return ComplexIntervalDivide(kOne, z);
}

template <Interval (*F)(Interval)>
ComplexInterval RealOnly(ComplexInterval z)
{
    if (!IsRealComplexInterval(z))
        return kUndefined;
    return Real(F(z.re));
}

template <Interval (*F)(Interval, Interval)>
ComplexInterval RealOnly(ComplexInterval a, ComplexInterval b)
{
    if (!IsRealComplexInterval(a) || !IsRealComplexInterval(b))
        return kUndefined;
    return Real(F(a.re, b.re));
}

Interval AngleOfPoint(Interval x, Interval y)
{
    return IntervalAngle(y, x);
}

Interval BesselOfOrder(Interval order, Interval x)
{
    return IntervalBesselJ(order, x);
}

// The ordering relations: R on the real parts when both operands may be
// real, at most undecided when either may be non-real.
template <TruthInterval (*R)(Interval, Interval)>
ComplexInterval Ordering(ComplexInterval a, ComplexInterval b)
{
    if (IsUndefinedComplexInterval(a) || IsUndefinedComplexInterval(b))
        return kUndefined;
    if (!IntervalContainsZero(a.im) || !IntervalContainsZero(b.im))
        return ComplexIntervalFalse;
    TruthInterval t = R(a.re, b.re);
    if (!IsRealComplexInterval(a) || !IsRealComplexInterval(b))
        t = IntervalUnion(kZero, t);
    return Real(t);
}

double LargestMagnitude(Interval x)
{
    return std::max(std::fabs(x.lo), std::fabs(x.hi));
}

}  // namespace

bool IntervalContainsZero(Interval x)
{
    if (IsExteriorInterval(x))
        return x.hi >= 0 || x.lo <= 0;
    return x.lo <= 0 && 0 <= x.hi;
}

ComplexInterval ComplexIntervalFromInterval(Interval x)
{
    return Real(x);
}

ComplexInterval ComplexIntervalRealPart(ComplexInterval z)
{
    return Real(z.re);
}

ComplexInterval ComplexIntervalImagPart(ComplexInterval z)
{
    return Real(z.im);
}

ComplexInterval ComplexIntervalInf(ComplexInterval z)
{
    return {{z.re.lo, z.re.lo}, {z.im.lo, z.im.lo}};
}

ComplexInterval ComplexIntervalSup(ComplexInterval z)
{
    return {{z.re.hi, z.re.hi}, {z.im.hi, z.im.hi}};
}

ComplexInterval ComplexIntervalSpan(ComplexInterval a, ComplexInterval b)
{
    return {{a.re.lo, b.re.hi}, {a.im.lo, b.im.hi}};
}

ComplexInterval ComplexIntervalUnion(ComplexInterval a, ComplexInterval b)
{
    return {IntervalUnion(a.re, b.re), IntervalUnion(a.im, b.im)};
}

ComplexInterval ComplexIntervalIncludeReal(ComplexInterval z, double c)
{
    return {IntervalIncludePoint(z.re, c), IntervalIncludePoint(z.im, c)};
}

double ComplexIntervalRealValue(ComplexInterval z)
{
    return IsRealComplexInterval(z) ? z.re.lo : kNaN;
}

bool ComplexIntervalEquals(ComplexInterval a, ComplexInterval b)
{
    return IntervalEquals(a.re, b.re) && IntervalEquals(a.im, b.im);
}

bool ComplexIntervalDiffers(ComplexInterval a, ComplexInterval b)
{
    return !ComplexIntervalEquals(a, b);
}

ComplexInterval ComplexIntervalAdd(ComplexInterval a, ComplexInterval b)
{
    return {IntervalAdd(a.re, b.re), IntervalAdd(a.im, b.im)};
}

ComplexInterval ComplexIntervalSubtract(ComplexInterval a, ComplexInterval b)
{
    return {IntervalSubtract(a.re, b.re), IntervalSubtract(a.im, b.im)};
}

ComplexInterval ComplexIntervalNegate(ComplexInterval z)
{
    return {IntervalNegate(z.re), IntervalNegate(z.im)};
}

ComplexInterval ComplexIntervalConjugate(ComplexInterval z)
{
    return {z.re, IntervalNegate(z.im)};
}

ComplexInterval ComplexIntervalScale(ComplexInterval z, Interval s)
{
    return {Times(z.re, s), Times(z.im, s)};
}

ComplexInterval ComplexIntervalMultiply(ComplexInterval a, ComplexInterval b)
{
    // A real factor keeps real products as narrow as interval products.
    if (IsRealComplexInterval(b))
        return ComplexIntervalScale(a, b.re);
    if (IsRealComplexInterval(a))
        return ComplexIntervalScale(b, a.re);
    return {IntervalSubtract(Times(a.re, b.re), Times(a.im, b.im)), IntervalAdd(Times(a.re, b.im), Times(a.im, b.re))};
}

ComplexInterval ComplexIntervalDivide(ComplexInterval a, ComplexInterval b)
{
    const Interval& A = a.re;
    const Interval& B = a.im;
    const Interval& C = b.re;
    const Interval& D = b.im;
    // Smith's method, dividing through by the larger part of the divisor.
    if (ContainsNoZero(D) && !IsUndefinedComplexInterval(b) && LargestMagnitude(C) < LargestMagnitude(D)) {
        Interval r = Times(C, IntervalReciprocal(D));
        Interval scale = IntervalReciprocal(IntervalAdd(D, Times(r, C)));
        return {Times(IntervalAdd(Times(A, r), B), scale), Times(IntervalSubtract(Times(B, r), A), scale)};
    }
    if (IntervalContainsZero(C)) {
        Interval scale = IntervalReciprocal(IntervalAdd(IntervalSquare(C), IntervalSquare(D)));
        return {Times(IntervalAdd(Times(A, C), Times(B, D)), scale),
                Times(IntervalSubtract(Times(B, C), Times(A, D)), scale)};
    }
    Interval r = Times(D, IntervalReciprocal(C));
    Interval scale = IntervalReciprocal(IntervalAdd(C, Times(r, D)));
    return {Times(IntervalAdd(A, Times(r, B)), scale), Times(IntervalSubtract(B, Times(r, A)), scale)};
}

ComplexInterval ComplexIntervalSquare(ComplexInterval z)
{
    return {IntervalSubtract(IntervalSquare(z.re), IntervalSquare(z.im)), Times(Scaled(2, z.re), z.im)};
}

Interval ComplexIntervalAbs(ComplexInterval z)
{
    return IntervalHypot(z.re, z.im);
}

Interval ComplexIntervalArg(ComplexInterval z)
{
    return IntervalAtan2(z.im, z.re);
}

ComplexInterval ComplexIntervalPow(ComplexInterval a, ComplexInterval b)
{
    ComplexInterval p = ComplexIntervalExp(ComplexIntervalMultiply(b, ComplexIntervalLog(a)));
    // A real base to a whole power is real, whatever rounding left in the
    // imaginary part.
    if (IsRealComplexInterval(a) && IsRealComplexInterval(b) && b.re.lo == b.re.hi && IsWholeNumber(b.re.lo))
        p.im = kZero;
    return p;
}

ComplexInterval ComplexIntervalRationalPower(ComplexInterval z, ComplexInterval p, ComplexInterval q)
{
    return ComplexIntervalPow(z, ComplexIntervalDivide(p, q));
}

ComplexInterval ComplexIntervalExp(ComplexInterval z)
{
    Interval e = IntervalExp(z.re);
    return {Times(e, IntervalCos(z.im)), Times(e, IntervalSin(z.im))};
}

ComplexInterval ComplexIntervalLog(ComplexInterval z)
{
    return {IntervalLn(ComplexIntervalAbs(z)), ComplexIntervalArg(z)};
}

ComplexInterval ComplexIntervalLog10(ComplexInterval z)
{
    return ComplexIntervalDivide(ComplexIntervalLog(z), ComplexIntervalLog({{10, 10}, kZero}));
}

ComplexInterval ComplexIntervalSqrt(ComplexInterval z)
{
    if (IsRealComplexInterval(z) && z.re.lo >= 0 && z.re.lo <= z.re.hi)
        return Real(IntervalSqrt(z.re));
    Interval modulus = IntervalSqrt(ComplexIntervalAbs(z));
    Interval half = Scaled(0.5, ComplexIntervalArg(z));
    return {Times(modulus, IntervalCos(half)), Times(modulus, IntervalSin(half))};
}

ComplexInterval ComplexIntervalSin(ComplexInterval z)
{
    return {Times(IntervalSin(z.re), IntervalCosh(z.im)), Times(IntervalCos(z.re), IntervalSinh(z.im))};
}

ComplexInterval ComplexIntervalCos(ComplexInterval z)
{
    return {Times(IntervalCos(z.re), IntervalCosh(z.im)),
            Times(IntervalNegate(IntervalSin(z.re)), IntervalSinh(z.im))};
}

ComplexInterval ComplexIntervalTan(ComplexInterval z)
{
    Interval u = Scaled(2, z.re);
    Interval v = Scaled(2, z.im);
    Interval scale = IntervalReciprocal(IntervalAdd(IntervalCos(u), IntervalCosh(v)));
    return {Times(IntervalSin(u), scale), Times(IntervalSinh(v), scale)};
}

ComplexInterval ComplexIntervalCsc(ComplexInterval z)
{
    return Reciprocal(ComplexIntervalSin(z));
}

ComplexInterval ComplexIntervalSec(ComplexInterval z)
{
    return Reciprocal(ComplexIntervalCos(z));
}

ComplexInterval ComplexIntervalCot(ComplexInterval z)
{
    return Reciprocal(ComplexIntervalTan(z));
}

ComplexInterval ComplexIntervalSinh(ComplexInterval z)
{
    return {Times(IntervalSinh(z.re), IntervalCos(z.im)), Times(IntervalCosh(z.re), IntervalSin(z.im))};
}

ComplexInterval ComplexIntervalCosh(ComplexInterval z)
{
    return {Times(IntervalCosh(z.re), IntervalCos(z.im)), Times(IntervalSinh(z.re), IntervalSin(z.im))};
}

ComplexInterval ComplexIntervalTanh(ComplexInterval z)
{
    Interval u = Scaled(2, z.re);
    Interval v = Scaled(2, z.im);
    Interval scale = IntervalReciprocal(IntervalAdd(IntervalCosh(u), IntervalCos(v)));
    return {Times(IntervalSinh(u), scale), Times(IntervalSin(v), scale)};
}

ComplexInterval ComplexIntervalCsch(ComplexInterval z)
{
    return Reciprocal(ComplexIntervalSinh(z));
}

ComplexInterval ComplexIntervalSech(ComplexInterval z)
{
    return Reciprocal(ComplexIntervalCosh(z));
}

ComplexInterval ComplexIntervalCoth(ComplexInterval z)
{
    return Reciprocal(ComplexIntervalTanh(z));
}

ComplexInterval ComplexIntervalAcos(ComplexInterval z)
{
    return MinusILog(PlusRootOfSquare(z, -1));
}

ComplexInterval ComplexIntervalAsin(ComplexInterval z)
{
    return ComplexIntervalSubtract({kHalfPi, kZero}, ComplexIntervalAcos(z));
}

ComplexInterval ComplexIntervalAtan(ComplexInterval z)
{
    if (IsRealComplexInterval(z))
        return Real(IntervalAtan(z.re));
    ComplexInterval w = ComplexIntervalMultiply(kI, z);
    ComplexInterval q = ComplexIntervalDivide(ComplexIntervalAdd(kOne, w), ComplexIntervalSubtract(kOne, w));
    return MinusILog(ComplexIntervalSqrt(q));
}

ComplexInterval ComplexIntervalAsec(ComplexInterval z)
{
    return ComplexIntervalAcos(Reciprocal(z));
}

ComplexInterval ComplexIntervalAcsc(ComplexInterval z)
{
    return ComplexIntervalAsin(Reciprocal(z));
}

ComplexInterval ComplexIntervalAcot(ComplexInterval z)
{
    return ComplexIntervalAtan(Reciprocal(z));
}

ComplexInterval ComplexIntervalAsinh(ComplexInterval z)
{
    return ComplexIntervalLog(PlusRootOfSquare(z, 1));
}

ComplexInterval ComplexIntervalAcosh(ComplexInterval z)
{
    return ComplexIntervalLog(PlusRootOfSquare(z, -1));
}

ComplexInterval ComplexIntervalAtanh(ComplexInterval z)
{
    ComplexInterval q = ComplexIntervalDivide(ComplexIntervalAdd(kOne, z), ComplexIntervalSubtract(kOne, z));
    return ComplexIntervalMultiply({{0.5, 0.5}, kZero}, ComplexIntervalLog(q));
}

ComplexInterval ComplexIntervalAsech(ComplexInterval z)
{
    return ComplexIntervalAcosh(Reciprocal(z));
}

ComplexInterval ComplexIntervalAcsch(ComplexInterval z)
{
    return ComplexIntervalAsinh(Reciprocal(z));
}

ComplexInterval ComplexIntervalAcoth(ComplexInterval z)
{
    return ComplexIntervalAtanh(Reciprocal(z));
}

ComplexInterval ComplexIntervalAtan2Positive(ComplexInterval a, ComplexInterval b)
{
    return RealOnly<AngleOfPoint>(a, b);
}

ComplexInterval ComplexIntervalHypot(ComplexInterval a, ComplexInterval b)
{
    return RealOnly<IntervalHypot>(a, b);
}

ComplexInterval ComplexIntervalSign(ComplexInterval z)
{
    return RealOnly<IntervalSign>(z);
}

ComplexInterval ComplexIntervalFloor(ComplexInterval z)
{
    return RealOnly<IntervalFloor>(z);
}

ComplexInterval ComplexIntervalCeil(ComplexInterval z)
{
    return RealOnly<IntervalCeil>(z);
}

ComplexInterval ComplexIntervalFactorial(ComplexInterval z)
{
    return RealOnly<IntervalFactorial>(z);
}

ComplexInterval ComplexIntervalBesselJ(ComplexInterval order, ComplexInterval x)
{
    return RealOnly<BesselOfOrder>(order, x);
}

ComplexInterval ComplexIntervalMin(ComplexInterval a, ComplexInterval b)
{
    return RealOnly<IntervalMin>(a, b);
}

ComplexInterval ComplexIntervalMax(ComplexInterval a, ComplexInterval b)
{
    return RealOnly<IntervalMax>(a, b);
}

ComplexInterval ComplexIntervalMod(ComplexInterval a, ComplexInterval b)
{
    return RealOnly<IntervalMod>(a, b);
}

ComplexInterval ComplexIntervalBinomial(ComplexInterval n, ComplexInterval k)
{
    return RealOnly<IntervalBinomial>(n, k);
}

ComplexInterval ComplexIntervalLess(ComplexInterval a, ComplexInterval b)
{
    return Ordering<IntervalLess>(a, b);
}

ComplexInterval ComplexIntervalGreater(ComplexInterval a, ComplexInterval b)
{
    return Ordering<IntervalGreater>(a, b);
}

ComplexInterval ComplexIntervalLessEqual(ComplexInterval a, ComplexInterval b)
{
    return Ordering<IntervalLessEqual>(a, b);
}

ComplexInterval ComplexIntervalGreaterEqual(ComplexInterval a, ComplexInterval b)
{
    return Ordering<IntervalGreaterEqual>(a, b);
}

ComplexInterval ComplexIntervalEqualTruth(ComplexInterval a, ComplexInterval b)
{
    return Real(TruthAnd(IntervalEqual(a.re, b.re), IntervalEqual(a.im, b.im)));
}

ComplexInterval ComplexIntervalAnd(ComplexInterval a, ComplexInterval b)
{
    return Real(TruthAnd(a.re, b.re));
}

ComplexInterval ComplexIntervalOr(ComplexInterval a, ComplexInterval b)
{
    return Real(TruthOr(a.re, b.re));
}

ComplexInterval ComplexIntervalNot(ComplexInterval z)
{
    return Real(TruthNot(z.re));
}
