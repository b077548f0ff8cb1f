#include "numerics/ComplexIntervalLibrary.h"

#include "numerics/IntervalLibrary.h"
#include "numerics/RealLibrary.h"
#include "support/IntervalAssertions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>

namespace {

using Complex = std::complex<double>;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;
const ComplexInterval kUndef{{kNaN, kNaN}, {kNaN, kNaN}};
const ComplexInterval kOne{{1, 1}, {0, 0}};

::testing::AssertionResult Is(ComplexInterval actual, ComplexInterval expected, double tolerance = 0)
{
    return SameComplexInterval(actual, expected, tolerance);
}

ComplexInterval Point(double re, double im)
{
    return {{re, re}, {im, im}};
}

// v lies in the set r stands for, up to the rounding of two different
// evaluation orders.
bool Holds(Interval r, double v)
{
    double tolerance = 1e-9 * (1 + std::fabs(v));
    if (IsExteriorInterval(r))
        return v <= r.hi + tolerance || v >= r.lo - tolerance;
    return r.lo - tolerance <= v && v <= r.hi + tolerance;
}

const Complex kI(0, 1);

// The same formulas at a point, as the oracle. A zero imaginary part of
// either sign lies on the upper side of the cuts, as in the library: the
// square root of a negative real is the upper root.
Complex Upper(Complex z) { return {z.real(), z.imag() + 0.0}; }
Complex Sqrt(Complex z) { return std::sqrt(Upper(z)); }
Complex Log(Complex z) { return std::log(Upper(z)); }
Complex MinusILog(Complex s) { return -kI * Log(s); }
Complex Acos(Complex z) { return MinusILog(z + Sqrt(z * z - 1.0)); }
Complex Asin(Complex z) { return kPi / 2 - Acos(z); }
Complex Atan(Complex z) { return MinusILog(Sqrt((1.0 + kI * z) / (1.0 - kI * z))); }
Complex Asinh(Complex z) { return Log(z + Sqrt(z * z + 1.0)); }
Complex Acosh(Complex z) { return Log(z + Sqrt(z * z - 1.0)); }
Complex Atanh(Complex z) { return 0.5 * Log((1.0 + z) / (1.0 - z)); }

struct UnaryCase {
    const char* name;
    ComplexInterval (*op)(ComplexInterval);
    Complex (*f)(Complex);
};

struct BinaryCase {
    const char* name;
    ComplexInterval (*op)(ComplexInterval, ComplexInterval);
    Complex (*f)(Complex, Complex);
};

const UnaryCase kUnary[] = {
    {"square", ComplexIntervalSquare, [](Complex z) { return z * z; }},
    {"negate", ComplexIntervalNegate, [](Complex z) { return -z; }},
    {"conjugate", ComplexIntervalConjugate, [](Complex z) { return std::conj(z); }},
    {"exp", ComplexIntervalExp, [](Complex z) { return std::exp(z); }},
    {"log", ComplexIntervalLog, Log},
    {"log10", ComplexIntervalLog10, [](Complex z) { return Log(z) / std::log(Complex(10)); }},
    {"sqrt", ComplexIntervalSqrt, Sqrt},
    {"sin", ComplexIntervalSin, [](Complex z) { return std::sin(z); }},
    {"cos", ComplexIntervalCos, [](Complex z) { return std::cos(z); }},
    {"tan", ComplexIntervalTan, [](Complex z) { return std::tan(z); }},
    {"csc", ComplexIntervalCsc, [](Complex z) { return 1.0 / std::sin(z); }},
    {"sec", ComplexIntervalSec, [](Complex z) { return 1.0 / std::cos(z); }},
    {"cot", ComplexIntervalCot, [](Complex z) { return 1.0 / std::tan(z); }},
    {"sinh", ComplexIntervalSinh, [](Complex z) { return std::sinh(z); }},
    {"cosh", ComplexIntervalCosh, [](Complex z) { return std::cosh(z); }},
    {"tanh", ComplexIntervalTanh, [](Complex z) { return std::tanh(z); }},
    {"csch", ComplexIntervalCsch, [](Complex z) { return 1.0 / std::sinh(z); }},
    {"sech", ComplexIntervalSech, [](Complex z) { return 1.0 / std::cosh(z); }},
    {"coth", ComplexIntervalCoth, [](Complex z) { return 1.0 / std::tanh(z); }},
    {"acos", ComplexIntervalAcos, Acos},
    {"asin", ComplexIntervalAsin, Asin},
    {"atan", ComplexIntervalAtan, Atan},
    {"asec", ComplexIntervalAsec, [](Complex z) { return Acos(1.0 / z); }},
    {"acsc", ComplexIntervalAcsc, [](Complex z) { return Asin(1.0 / z); }},
    {"acot", ComplexIntervalAcot, [](Complex z) { return Atan(1.0 / z); }},
    {"asinh", ComplexIntervalAsinh, Asinh},
    {"acosh", ComplexIntervalAcosh, Acosh},
    {"atanh", ComplexIntervalAtanh, Atanh},
    {"asech", ComplexIntervalAsech, [](Complex z) { return Acosh(1.0 / z); }},
    {"acsch", ComplexIntervalAcsch, [](Complex z) { return Asinh(1.0 / z); }},
    {"acoth", ComplexIntervalAcoth, [](Complex z) { return Atanh(1.0 / z); }},
};

const BinaryCase kBinary[] = {
    {"add", ComplexIntervalAdd, [](Complex a, Complex b) { return a + b; }},
    {"subtract", ComplexIntervalSubtract, [](Complex a, Complex b) { return a - b; }},
    {"multiply", ComplexIntervalMultiply, [](Complex a, Complex b) { return a * b; }},
    {"divide", ComplexIntervalDivide, [](Complex a, Complex b) { return a / b; }},
    {"power", ComplexIntervalPow, [](Complex a, Complex b) { return std::exp(b * Log(a)); }},
};

class RectangleSource {
public:
    // Rectangles of every shape; with realOnly their imaginary interval is
    // [0, 0].
    ComplexInterval Next(bool realOnly)
    {
        static const double widths[] = {0, 1e-4, 0.05, 0.4, 1.5};
        double re = centre_(engine_);
        double im = realOnly ? 0 : centre_(engine_);
        double wr = widths[index_(engine_) % 5] * unit_(engine_);
        double wi = realOnly ? 0 : widths[index_(engine_) % 5] * unit_(engine_);
        return {{re - wr, re + wr}, {im - wi, im + wi}};
    }

    Complex Sample(ComplexInterval z, int i)
    {
        auto pick = [&](Interval x, int k) {
            return k == 0 ? x.lo : k == 1 ? x.hi : x.lo + (x.hi - x.lo) * unit_(engine_);
        };
        return {pick(z.re, i % 3), pick(z.im, i / 3)};
    }

private:
    std::mt19937_64 engine_{77};
    std::uniform_real_distribution<double> centre_{-2.5, 2.5};
    std::uniform_real_distribution<double> unit_{0, 1};
    std::uniform_int_distribution<int> index_{0, 1000};
};

// A part of the result holds the oracle's part unless the library left it
// undefined (0 times an infinite end, a logarithm of a range reaching 0).
bool Encloses(ComplexInterval r, Complex v)
{
    bool reOk = IsUndefinedInterval(r.re) || Holds(r.re, v.real());
    bool imOk = IsUndefinedInterval(r.im) || Holds(r.im, v.imag());
    return reOk && imOk;
}

bool Usable(Complex v)
{
    return std::isfinite(v.real()) && std::isfinite(v.imag());
}

TEST(ComplexIntervalLibraryTest, EveryOperationEnclosesItsFormulaAtSampledPoints)
{
    RectangleSource source;
    for (const UnaryCase& c : kUnary) {
        int checked = 0;
        for (int trial = 0; trial < 1500; ++trial) {
            ComplexInterval z = source.Next(trial % 4 == 0);
            ComplexInterval r = c.op(z);
            for (int i = 0; i < 9; ++i) {
                Complex p = source.Sample(z, i);
                Complex v = c.f(p);
                if (!Usable(v))
                    continue;
                ++checked;
                ASSERT_TRUE(Encloses(r, v))
                    << c.name << " of {[" << z.re.lo << ", " << z.re.hi << "], [" << z.im.lo << ", " << z.im.hi
                    << "]} gives {[" << r.re.lo << ", " << r.re.hi << "], [" << r.im.lo << ", " << r.im.hi
                    << "]}, missing f(" << p << ") = " << v;
            }
        }
        EXPECT_GT(checked, 3000) << c.name;
    }
    for (const BinaryCase& c : kBinary) {
        for (int trial = 0; trial < 3000; ++trial) {
            ComplexInterval a = source.Next(trial % 4 == 0);
            ComplexInterval b = source.Next(trial % 3 == 0);
            ComplexInterval r = c.op(a, b);
            for (int i = 0; i < 9; ++i) {
                Complex p = source.Sample(a, i);
                Complex q = source.Sample(b, 8 - i);
                Complex v = c.f(p, q);
                if (!Usable(v))
                    continue;
                ASSERT_TRUE(Encloses(r, v)) << c.name << " at " << p << ", " << q << " = " << v << ": {["
                                            << r.re.lo << ", " << r.re.hi << "], [" << r.im.lo << ", " << r.im.hi
                                            << "]}";
            }
        }
    }
}

TEST(ComplexIntervalLibraryTest, RealShortcutsKeepTheImaginaryIntervalExactlyZero)
{
    EXPECT_TRUE(Is(ComplexIntervalMultiply({{1, 2}, {0, 0}}, {{3, 4}, {0, 0}}), {{3, 8}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalMultiply(Point(0, 1), Point(0, 1)), {{-1, -1}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalMultiply({{1, 2}, {0, 0}}, {{3, 4}, {1, 1}}), {{3, 8}, {1, 2}}));
    EXPECT_TRUE(Is(ComplexIntervalDivide(kOne, {{1, 2}, {0, 0}}), {{0.5, 1}, {0, 0}}));  // step 3, r = 0
    ComplexInterval throughZero = ComplexIntervalDivide(kOne, {{-1, 1}, {0, 0}});
    EXPECT_TRUE(IsUndefinedInterval(throughZero.re));  // [-1, 1] times [1, +inf]
    EXPECT_TRUE(Is(ComplexIntervalDivide(Point(1, 0), Point(0, 2)), {{0, 0}, {-0.5, -0.5}}));  // step 1
    EXPECT_TRUE(Is(ComplexIntervalSqrt({{4, 9}, {0, 0}}), {{2, 3}, {0, 0}}));
    ComplexInterval root = ComplexIntervalSqrt({{-4, -4}, {0, 0}});
    // The general branch: the real part holds 0 and the rounded 2 cos(pi/2).
    EXPECT_TRUE(root.re.lo <= 0 && 2 * std::cos(kPi / 2) <= root.re.hi && root.re.hi < 1e-14)
        << root.re.lo << ", " << root.re.hi;
    EXPECT_TRUE(EnclosesClosely(root.im, {2, 2}));
    ComplexInterval cube = ComplexIntervalPow(Point(2, 0), Point(3, 0));
    EXPECT_TRUE(Is(cube, {{8, 8}, {0, 0}}, 1e-14));
    EXPECT_EQ(cube.im.lo, 0);
    EXPECT_EQ(cube.im.hi, 0);
    EXPECT_TRUE(Is(ComplexIntervalPow(Point(-2, 0), Point(3, 0)), {{-8, -8}, {0, 0}}, 1e-14));
    EXPECT_TRUE(ComplexEnclosesClosely(ComplexIntervalAtan({{0, 1}, {0, 0}}), {{0, std::atan(1.0)}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalRationalPower(Point(-8, 0), Point(1, 0), Point(3, 0)),
                   Point(2 * std::cos(kPi / 3), 2 * std::sin(kPi / 3)), 1e-14));  // principal, not -2
}

TEST(ComplexIntervalLibraryTest, PartsCornersSpansAndUnions)
{
    ComplexInterval z{{1, 2}, {3, 4}};
    EXPECT_TRUE(Is(ComplexIntervalRealPart(z), {{1, 2}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalImagPart(z), {{3, 4}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalInf(z), Point(1, 3)));
    EXPECT_TRUE(Is(ComplexIntervalSup(z), Point(2, 4)));
    EXPECT_TRUE(Is(ComplexIntervalSpan(Point(1, 0), Point(3, 2)), {{1, 3}, {0, 2}}));
    EXPECT_TRUE(Is(ComplexIntervalUnion(Point(1, 0), Point(3, 2)), {{1, 3}, {0, 2}}));
    EXPECT_TRUE(Is(ComplexIntervalIncludeReal({{2, 3}, {2, 3}}, 1), {{1, 3}, {1, 3}}));
    EXPECT_TRUE(Is(ComplexIntervalConjugate(z), {{1, 2}, {-4, -3}}));
    EXPECT_TRUE(Is(ComplexIntervalFromInterval({5, 6}), {{5, 6}, {0, 0}}));
    EXPECT_EQ(ComplexIntervalRealValue({{5, 6}, {0, 0}}), 5);
    EXPECT_TRUE(std::isnan(ComplexIntervalRealValue(z)));
    EXPECT_TRUE(ComplexIntervalEquals(z, z));
    EXPECT_FALSE(ComplexIntervalEquals(kUndef, kUndef));
    EXPECT_TRUE(ComplexIntervalDiffers(kUndef, kUndef));
    EXPECT_TRUE(EnclosesClosely(ComplexIntervalAbs({{3, 3}, {-4, 4}}), {3, 5}));
    EXPECT_TRUE(EnclosesClosely(ComplexIntervalArg({{-2, -1}, {-1, 1}}), {-kPi, kPi}));

    const struct {
        Interval x;
        bool holds;
    } zeros[] = {
        {{-1, 1}, true}, {{0, 0}, true}, {{-1, -2}, true}, {{1, 2}, false}, {{2, -2}, false},
        {{1, 0}, true},   // exterior with an end at 0: (-inf, 0] united with [1, +inf)
        {{0, -1}, true},
        {{kNaN, kNaN}, false},
    };
    for (const auto& c : zeros)
        EXPECT_EQ(IntervalContainsZero(c.x), c.holds) << c.x.lo << ", " << c.x.hi;
}

TEST(ComplexIntervalLibraryTest, RelationsAndLogic)
{
    ComplexInterval small{{1, 2}, {0, 0}};
    ComplexInterval large{{3, 4}, {0, 0}};
    const struct {
        ComplexInterval (*op)(ComplexInterval, ComplexInterval);
        ComplexInterval a, b, expected;
    } cases[] = {
        {ComplexIntervalLess, small, large, ComplexIntervalTrue},
        {ComplexIntervalLess, {{1, 2}, {-1, 1}}, large, ComplexIntervalUndecided},  // may be non-real
        {ComplexIntervalLess, {{1, 2}, {1, 2}}, large, ComplexIntervalFalse},       // certainly non-real
        {ComplexIntervalLess, large, small, ComplexIntervalFalse},
        {ComplexIntervalLess, {{1, 2}, {-1, 1}}, {{0, 0.5}, {0, 0}}, ComplexIntervalFalse},
        {ComplexIntervalLess, {{1, 2}, {0, kNaN}}, large, kUndef},
        {ComplexIntervalGreater, large, small, ComplexIntervalTrue},
        {ComplexIntervalLessEqual, {{1, 3}, {0, 0}}, large, ComplexIntervalTrue},
        {ComplexIntervalGreaterEqual, {{1, 3}, {0, 0}}, large, ComplexIntervalUndecided},
        {ComplexIntervalGreaterEqual, {{1, 2.5}, {0, 0}}, large, ComplexIntervalFalse},
        {ComplexIntervalLess, {{1, 2}, {1, 0}}, large, ComplexIntervalUndecided},  // exterior imaginary with 0
        {ComplexIntervalEqualTruth, Point(1, 2), Point(1, 2), ComplexIntervalTrue},
        {ComplexIntervalEqualTruth, Point(1, 2), Point(1, 3), ComplexIntervalFalse},
        {ComplexIntervalEqualTruth, {{1, 2}, {2, 3}}, Point(1, 2), ComplexIntervalUndecided},
        {ComplexIntervalEqualTruth, kUndef, Point(1, 2), {{kNaN, kNaN}, {0, 0}}},
        {ComplexIntervalAnd, ComplexIntervalTrue, ComplexIntervalUndecided, ComplexIntervalUndecided},
        {ComplexIntervalAnd, ComplexIntervalFalse, kUndef, ComplexIntervalFalse},
        {ComplexIntervalOr, ComplexIntervalTrue, kUndef, ComplexIntervalTrue},
        {ComplexIntervalOr, ComplexIntervalFalse, ComplexIntervalFalse, ComplexIntervalFalse},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Is(c.op(c.a, c.b), c.expected));
    EXPECT_TRUE(Is(ComplexIntervalNot(ComplexIntervalTrue), ComplexIntervalFalse));
    EXPECT_TRUE(Is(ComplexIntervalNot(ComplexIntervalUndecided), ComplexIntervalUndecided));
}

TEST(ComplexIntervalLibraryTest, RealOnlyOperationsRefuseNonRealOperands)
{
    EXPECT_TRUE(Is(ComplexIntervalFloor({{1.5, 2.5}, {0, 0.1}}), kUndef));
    EXPECT_TRUE(Is(ComplexIntervalFloor({{1.5, 2.5}, {0, 0}}), {{1, 2}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalMin({{0, 1}, {0, 0}}, Point(0, 1)), kUndef));
    EXPECT_TRUE(Is(ComplexIntervalMax({{0, 5}, {0, 0}}, {{2, 3}, {0, 0}}), {{2, 5}, {0, 0}}));
    EXPECT_TRUE(ComplexEnclosesClosely(ComplexIntervalAtan2Positive(Point(-1, 0), Point(0, 0)), Point(kPi, 0)));  // (x, y) = (-1, 0)
    EXPECT_TRUE(ComplexEnclosesClosely(ComplexIntervalHypot(Point(3, 0), Point(4, 0)), Point(5, 0)));
    EXPECT_TRUE(Is(ComplexIntervalBesselJ(Point(0, 0), {{0, 1}, {0, 0}}), {{RealBesselJ(0, 1), 1}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalSign({{-1, 2}, {0, 0}}), {{-1, 1}, {0, 0}}));
    EXPECT_TRUE(Is(ComplexIntervalFactorial(Point(3, 0)), Point(6, 0)));
    EXPECT_TRUE(Is(ComplexIntervalMod(Point(5, 0), Point(3, 0)), Point(2, 0)));
    EXPECT_TRUE(Is(ComplexIntervalBinomial(Point(5, 0), Point(2, 0)), Point(10, 0)));
    EXPECT_TRUE(Is(ComplexIntervalCeil(Point(1.5, 1)), kUndef));
}

}  // namespace
