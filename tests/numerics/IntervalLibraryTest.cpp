#include "numerics/IntervalLibrary.h"

#include "numerics/RealLibrary.h"
#include "support/IntervalAssertions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.141592653589793;

::testing::AssertionResult Is(Interval actual, Interval expected)
{
    return SameInterval(actual, expected);
}

::testing::AssertionResult Near(Interval actual, Interval expected)
{
    return SameInterval(actual, expected, 1e-12);
}

const Interval kUndef{kNaN, kNaN};
const Interval kWhole{-kInf, kInf};

// Whether v lies in the set r stands for, allowing for the rounding of the
// point evaluation.
bool Holds(Interval r, double v)
{
    double tolerance = 1e-12 * std::max(1.0, std::fabs(v));
    if (IsExteriorInterval(r))
        return v <= r.hi + tolerance || v >= r.lo - tolerance;
    return r.lo - tolerance <= v && v <= r.hi + tolerance;
}

struct UnaryCase {
    const char* name;
    Interval (*op)(Interval);
    double (*f)(double);
    double lowest;  // operands are drawn no lower than this
};

struct BinaryCase {
    const char* name;
    Interval (*op)(Interval, Interval);
    double (*f)(double, double);
};

// Random ordinary operands: centres on a wide range and near the places
// where functions turn, widths from a point to several periods.
class OperandSource {
public:
    Interval Next(double lowest)
    {
        static const double specials[] = {0, 1, -1, kPi / 2, kPi, -kPi / 2, 2 * kPi, 0.5, -2.5};
        static const double widths[] = {0, 1e-6, 1e-3, 0.1, 0.7, 2, 5, 12};
        double centre = pick_(engine_) < 0.3 ? specials[index_(engine_) % 9] + small_(engine_)
                                             : wide_(engine_);
        double width = widths[index_(engine_) % 8] * pick_(engine_);
        Interval x{centre - width, centre + width};
        if (x.lo < lowest) {
            x.hi += lowest - x.lo;
            x.lo = lowest;
        }
        return x;
    }

    // A point of x: an end or a random place inside.
    double Sample(Interval x, int i)
    {
        if (i == 0)
            return x.lo;
        if (i == 1)
            return x.hi;
        return x.lo + (x.hi - x.lo) * pick_(engine_);
    }

private:
    std::mt19937_64 engine_{20240611};
    std::uniform_real_distribution<double> pick_{0, 1};
    std::uniform_real_distribution<double> wide_{-20, 20};
    std::uniform_real_distribution<double> small_{-0.01, 0.01};
    std::uniform_int_distribution<int> index_{0, 1000};
};

double Sec(double x) { return 1 / std::cos(x); }
double Csc(double x) { return 1 / std::sin(x); }
double Square(double x) { return x * x; }
double Negate(double x) { return -x; }
double Add(double a, double b) { return a + b; }
double Subtract(double a, double b) { return a - b; }
double Multiply(double a, double b) { return a * b; }
double Divide(double a, double b) { return a / b; }
double Min(double a, double b) { return std::min(a, b); }
double Max(double a, double b) { return std::max(a, b); }
double Hypotenuse(double a, double b) { return std::hypot(a, b); }
double Atan2(double y, double x) { return std::atan2(y, x); }
double Pow(double a, double b) { return std::pow(a, b); }
double Floor(double x) { return std::floor(x); }
double Ceil(double x) { return std::ceil(x); }
double Exp(double x) { return std::exp(x); }
double Log(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Abs(double x) { return std::fabs(x); }
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Atan(double x) { return std::atan(x); }
double Sinh(double x) { return std::sinh(x); }
double Cosh(double x) { return std::cosh(x); }
double Tanh(double x) { return std::tanh(x); }
Interval NegateInterval(Interval x) { return IntervalNegate(x); }
// Factorial above its minimum near 0.46, where it rises. The reference is
// the long double gamma function: the real library's factorial is an
// approximation good to about 1e-10.
double FactorialFrom(double x) { return static_cast<double>(std::tgamma(static_cast<long double>(x) + 1)); }
Interval Factorial(Interval x) { return IntervalFactorial(x); }
double CubeRoot(double x) { return RationalPower(x, 3, 1); }
Interval CubeRootInterval(Interval x) { return IntervalRationalPower(x, {1, 1}, {3, 3}); }
double TwoThirds(double x) { return RationalPower(x, 3, 2); }
Interval TwoThirdsInterval(Interval x) { return IntervalRationalPower(x, {2, 2}, {3, 3}); }
double MinusOneFifth(double x) { return RationalPower(x, 5, -1); }
Interval MinusOneFifthInterval(Interval x) { return IntervalRationalPower(x, {-1, -1}, {5, 5}); }
double ThreeHalves(double x) { return RationalPower(x, 2, 3); }
Interval ThreeHalvesInterval(Interval x) { return IntervalRationalPower(x, {3, 3}, {2, 2}); }
double BesselJ0(double x) { return RealBesselJ(0, x); }
double BesselJ2(double x) { return RealBesselJ(2, x); }
// Wide operands only: narrow ones take the corners, which the rule lets be
// narrower than the true range.
Interval BesselJ0Wide(Interval x) { return IntervalBesselJ({0, 0}, {x.lo, x.hi + 2}); }
Interval BesselJ2Wide(Interval x) { return IntervalBesselJ({2, 2}, {x.lo, x.hi + 2}); }
double BesselJMinusQuarter(double x) { return RealBesselJ(-0.25, x); }
Interval BesselJMinusQuarterWide(Interval x) { return IntervalBesselJ({-0.25, -0.25}, {x.lo, x.hi + 2}); }
double BesselJ7(double x) { return RealBesselJ(7.5, x); }
Interval BesselJ7Wide(Interval x) { return IntervalBesselJ({0, 7.5}, {x.lo, x.hi + 2}); }

const UnaryCase kUnaryCases[] = {
    {"negate", NegateInterval, Negate, -kInf},
    {"square", IntervalSquare, Square, -kInf},
    {"abs", IntervalAbs, Abs, -kInf},
    {"sqrt", IntervalSqrt, Sqrt, -kInf},
    {"exp", IntervalExp, Exp, -kInf},
    {"ln", IntervalLn, Log, -kInf},
    {"log10", IntervalLog10, Log10, -kInf},
    {"sin", IntervalSin, Sin, -kInf},
    {"cos", IntervalCos, Cos, -kInf},
    {"tan", IntervalTan, Tan, -kInf},
    {"cot", IntervalCot, RealCot, -kInf},
    {"sec", IntervalSec, Sec, -kInf},
    {"csc", IntervalCsc, Csc, -kInf},
    {"asin", IntervalAsin, Asin, -kInf},
    {"acos", IntervalAcos, Acos, -kInf},
    {"atan", IntervalAtan, Atan, -kInf},
    {"acot", IntervalAcot, RealAcot, -kInf},
    {"asec", IntervalAsec, RealAsec, -kInf},
    {"acsc", IntervalAcsc, RealAcsc, -kInf},
    {"sinh", IntervalSinh, Sinh, -kInf},
    {"cosh", IntervalCosh, Cosh, -kInf},
    {"tanh", IntervalTanh, Tanh, -kInf},
    {"coth", IntervalCoth, RealCoth, -kInf},
    {"sech", IntervalSech, RealSech, -kInf},
    {"csch", IntervalCsch, RealCsch, -kInf},
    {"asinh", IntervalAsinh, RealAsinh, -kInf},
    {"acosh", IntervalAcosh, RealAcosh, -kInf},
    {"atanh", IntervalAtanh, RealAtanh, -kInf},
    {"acoth", IntervalAcoth, RealAcoth, -kInf},
    {"asech", IntervalAsech, RealAsech, -kInf},
    {"acsch", IntervalAcsch, RealAcsch, -kInf},
    {"floor", IntervalFloor, Floor, -kInf},
    {"ceil", IntervalCeil, Ceil, -kInf},
    {"sign", IntervalSign, RealSign, -kInf},
    {"factorial", Factorial, FactorialFrom, 0.47},
    {"cube root", CubeRootInterval, CubeRoot, -kInf},
    {"power 2/3", TwoThirdsInterval, TwoThirds, -kInf},
    {"power -1/5", MinusOneFifthInterval, MinusOneFifth, -kInf},
    {"power 3/2", ThreeHalvesInterval, ThreeHalves, -kInf},
    {"bessel J0", BesselJ0Wide, BesselJ0, 0},
    {"bessel J2", BesselJ2Wide, BesselJ2, 0},
    {"bessel J-1/4", BesselJMinusQuarterWide, BesselJMinusQuarter, 0},
    {"bessel J7.5", BesselJ7Wide, BesselJ7, 0},
};

double Angle(double y, double x) { return Atan2Positive(y, x); }
// Whole operands take the real library's products; others the ratio of
// factorials.
double Binomial(double n, double k)
{
    if (n == std::floor(n) && k == std::floor(k))
        return RealBinomial(n, k);
    return FactorialFrom(n) / (FactorialFrom(k) * FactorialFrom(n - k));
}

const BinaryCase kBinaryCases[] = {
    {"add", IntervalAdd, Add},
    {"subtract", IntervalSubtract, Subtract},
    {"multiply", IntervalMultiply, Multiply},
    {"divide", IntervalDivide, Divide},
    {"power", IntervalPower, Pow},
    {"min", IntervalMin, Min},
    {"max", IntervalMax, Max},
    {"mod", IntervalMod, RealMod},
    {"angle", IntervalAngle, Angle},
    {"atan2", IntervalAtan2, Atan2},
    {"hypot", IntervalHypot, Hypotenuse},
};

TEST(IntervalLibraryTest, EveryOperationEnclosesItsValuesAtSampledPoints)
{
    OperandSource source;
    for (const UnaryCase& c : kUnaryCases) {
        int checked = 0;
        for (int trial = 0; trial < 3000; ++trial) {
            Interval x = source.Next(c.lowest);
            Interval r = c.op(x);
            if (IsUndefinedInterval(r))
                continue;
            for (int i = 0; i < 6; ++i) {
                double a = source.Sample(x, i);
                double v = c.f(a);
                if (std::isnan(v))
                    continue;
                ++checked;
                ASSERT_TRUE(Holds(r, v)) << c.name << " over [" << x.lo << ", " << x.hi << "] gives [" << r.lo
                                         << ", " << r.hi << "], missing f(" << a << ") = " << v;
            }
        }
        EXPECT_GT(checked, 300) << c.name;
    }
    for (const BinaryCase& c : kBinaryCases) {
        int checked = 0;
        for (int trial = 0; trial < 3000; ++trial) {
            Interval x = source.Next(-kInf);
            Interval y = source.Next(-kInf);
            Interval r = c.op(x, y);
            if (IsUndefinedInterval(r))
                continue;
            for (int i = 0; i < 9; ++i) {
                double a = source.Sample(x, i % 3);
                double b = source.Sample(y, i / 3);
                double v = c.f(a, b);
                if (std::isnan(v))
                    continue;
                ++checked;
                ASSERT_TRUE(Holds(r, v)) << c.name << " over [" << x.lo << ", " << x.hi << "], [" << y.lo << ", "
                                         << y.hi << "] gives [" << r.lo << ", " << r.hi << "], missing f(" << a
                                         << ", " << b << ") = " << v;
            }
        }
        EXPECT_GT(checked, 1000) << c.name;
    }
}

TEST(IntervalLibraryTest, BinomialOfWholeRangesEnclosesItsValues)
{
    OperandSource source;
    for (int trial = 0; trial < 500; ++trial) {
        Interval n = source.Next(3);
        Interval k = {std::floor(n.lo / 2), std::floor(n.lo / 2) + std::floor(source.Sample({0, 1.5}, 2))};
        Interval r = IntervalBinomial(n, k);
        ASSERT_FALSE(IsUndefinedInterval(r));
        for (int i = 0; i < 9; ++i) {
            double a = source.Sample(n, i % 3);
            double b = source.Sample(k, i / 3);
            ASSERT_TRUE(Holds(r, Binomial(a, b))) << a << " choose " << b;
        }
    }
}

TEST(IntervalLibraryTest, RelationsAreDecidedOnlyWhenEveryPointAgrees)
{
    struct RelationCase {
        const char* name;
        TruthInterval (*op)(Interval, Interval);
        double (*f)(double, double);
    };
    const RelationCase cases[] = {
        {"<", IntervalLess, RealLess},           {">", IntervalGreater, RealGreater},
        {"<=", IntervalLessEqual, RealLessEqual}, {">=", IntervalGreaterEqual, RealGreaterEqual},
        {"=", IntervalEqual, RealEqual},
    };
    OperandSource source;
    for (const RelationCase& c : cases) {
        int decided = 0;
        for (int trial = 0; trial < 3000; ++trial) {
            Interval x = source.Next(-kInf);
            Interval y = trial % 5 == 0 ? x : source.Next(-kInf);
            TruthInterval t = c.op(x, y);
            ASSERT_TRUE(Is(t, TruthTrue) || Is(t, TruthFalse) || Is(t, TruthUndecided)) << c.name;
            if (Is(t, TruthUndecided))
                continue;
            ++decided;
            for (int i = 0; i < 9; ++i)
                ASSERT_EQ(c.f(source.Sample(x, i % 3), source.Sample(y, i / 3)), t.lo) << c.name;
        }
        EXPECT_GT(decided, 100) << c.name;
    }
}

struct Case1 {
    Interval x;
    Interval expected;
};

struct Case2 {
    Interval x;
    Interval y;
    Interval expected;
};

TEST(IntervalLibraryTest, ReciprocalTurnsIntervalsHoldingZeroExterior)
{
    const Case1 cases[] = {
        {{-1, 2}, {0.5, -1}},       // holds 0: the line minus (-1, 0.5)
        {{2, -1}, {-1, 0.5}},       // exterior back to ordinary
        {{0, 2}, {0.5, kInf}},      // an end at 0 gives an infinite end
        {{2, 4}, {0.25, 0.5}},      //
        {{-kInf, kInf}, kWhole},    // 1/hi and 1/lo both zero
        {{kNaN, 1}, {1, kNaN}},     // NaN stays NaN
    };
    for (const Case1& c : cases)
        EXPECT_TRUE(Is(IntervalReciprocal(c.x), c.expected)) << c.x.lo << ", " << c.x.hi;
    EXPECT_TRUE(Is(IntervalDivide({1, 1}, {-1, 2}), {0.5, -1}));
}

TEST(IntervalLibraryTest, AddMultiplyAndUnionCarryExteriorIntervals)
{
    const Case2 adds[] = {
        {{2, -1}, {0, 1}, {2, 0}},     // gap (-1, 2) shifted and narrowed to (0, 2)
        {{2, -1}, {0, 5}, kWhole},     // the shift closes the gap
        {{2, -1}, {3, -3}, kWhole},    // two exterior operands
        {{1, 2}, {3, 4}, {4, 6}},      //
        {{-kInf, 0}, {kInf, kInf}, kWhole},  // -inf + inf
        {{kNaN, 0}, {1, 2}, kUndef},   //
        {{0, kNaN}, {1, 2}, kWhole},   // a NaN upper end
    };
    for (const Case2& c : adds)
        EXPECT_TRUE(Is(IntervalAdd(c.x, c.y), c.expected)) << "add " << c.x.lo << ", " << c.x.hi;
    const Case2 products[] = {
        {{2, 3}, {-1, 4}, {-3, 12}},
        {{-1, 1}, {0, kInf}, kUndef},       // 0 times infinity
        {{2, 3}, {1, -1}, {2, -2}},         // positive times exterior
        {{-3, -2}, {1, -1}, {2, -2}},       // negative times exterior
        {{-1, 1}, {1, -1}, kUndef},         // 0 times the half-lines' infinite ends
        {{1, kInf}, {0, -1}, kUndef},       // the upper half-line [0, inf] holds 0
        {{4, -2}, {3, -1}, kWhole},         // four half-line products hulled
        {{0, 0}, {2, 5}, {0, 0}},           // [0, 0] counts as positive
        {{-2, 0}, {-3, 0}, {0, 6}},
    };
    for (const Case2& c : products)
        EXPECT_TRUE(Is(IntervalMultiply(c.x, c.y), c.expected)) << "multiply " << c.x.lo << ", " << c.x.hi;
    const Case2 unions[] = {
        {{0, 1}, {3, 4}, {0, 4}},
        {{-kInf, -1}, {2, kInf}, {2, -1}},  // half-lines leave their gap
        {{2, kInf}, {-kInf, -1}, {2, -1}},
        {{-kInf, 3}, {2, kInf}, kWhole},    // overlapping half-lines
        {{3, -3}, {0, 1}, kWhole},          // one exterior
        {{3, -3}, {5, -1}, {3, -1}},        // the gaps' overlap
        {{3, -3}, {5, 4}, kWhole},          // gaps that do not overlap
        {kUndef, {0, 1}, kUndef},
        {{0, 1}, kUndef, {0, 1}},
    };
    for (const Case2& c : unions)
        EXPECT_TRUE(Is(IntervalUnion(c.x, c.y), c.expected)) << "union " << c.x.lo << ", " << c.x.hi;
}

// Operations whose exterior rule is a formula in the ends: where the
// formula's result would leave out values of the operand's half-lines, the
// answer widens to what holds them.
TEST(IntervalLibraryTest, ExteriorOperandsKeepTheirHalfLinesValues)
{
    EXPECT_TRUE(Is(IntervalFloor({2.5, 2.2}), kWhole));        // floors of both half-lines meet at 2
    EXPECT_TRUE(Is(IntervalFloor({3.5, 1.2}), {3, 1}));
    EXPECT_TRUE(Is(IntervalCeil({2.5, 2.2}), kWhole));
    EXPECT_TRUE(Is(IntervalExp({-800, -1000}), kWhole));       // both ends underflow to 0
    EXPECT_TRUE(EnclosesClosely(IntervalExp({1, -1}), {std::exp(1.0), std::exp(-1.0)}));
    EXPECT_TRUE(Is(IntervalMin({5, -5}, {-10, 10}), {-kInf, 10}));
    EXPECT_TRUE(Is(IntervalMax({5, -5}, {-10, 10}), {-10, kInf}));
    EXPECT_TRUE(Is(IntervalMin({5, 3}, {10, 0}), kWhole));
    EXPECT_TRUE(Is(IntervalHypot({5, -5}, {0, 1}), {5, kInf}));
    EXPECT_TRUE(EnclosesClosely(IntervalAngle({1, -1}, {1, 2}), {0, 2 * kPi}));
    EXPECT_TRUE(EnclosesClosely(IntervalAtan2({1, 2}, {1, -1}), {-kPi, kPi}));
    EXPECT_TRUE(Is(IntervalBesselJ({0, 0}, {1, 0.5}), {-1, 1}));
    EXPECT_TRUE(Is(IntervalSquare({-1, -3}), {0, kInf}));
    EXPECT_TRUE(Is(IntervalSquare({2, 3}), {4, 9}));
    EXPECT_TRUE(Is(IntervalSquare({3, -2}), {4, kInf}));
    EXPECT_TRUE(Is(IntervalAbs({3, -2}), {2, kInf}));
    EXPECT_TRUE(Is(IntervalSqrt({4, -1}), kUndef));
    EXPECT_TRUE(EnclosesClosely(IntervalAtan({1, -1}), {-kPi / 2, kPi / 2}));
    EXPECT_TRUE(EnclosesClosely(IntervalAcot({1, -1}), {0, kPi}));
    EXPECT_TRUE(EnclosesClosely(IntervalCosh({2, -1}), {std::cosh(1.0), kInf}));
    EXPECT_TRUE(EnclosesClosely(IntervalSech({2, -1}), {0, 1 / std::cosh(1.0)}));
    EXPECT_TRUE(Is(IntervalTanh({2, -1}), {-1, 1}));
    EXPECT_TRUE(Is(IntervalSign({2, -1}), {-1, 1}));
    // asec, acsc and acoth take an exterior operand that keeps abs x >= 1.
    EXPECT_TRUE(Near(IntervalAsec({2, -2}), {RealAsec(2), RealAsec(-2)}));
    EXPECT_TRUE(Is(IntervalAsec({2, -0.5}), kUndef));
    EXPECT_TRUE(Is(IntervalAcsch({-kInf, kInf}), kWhole));
    EXPECT_TRUE(Near(IntervalAcsch({-1, 2}), {RealAcsch(2), RealAcsch(-1)}));
}

TEST(IntervalLibraryTest, IncludePointMovesTheNearerGapEdge)
{
    const struct {
        Interval x;
        double c;
        Interval expected;
    } cases[] = {
        {{3, -3}, 1, {1, -3}},
        {{3, -3}, -2, {3, -2}},
        {{3, -3}, 5, {3, -3}},
        {{2, 3}, 0, {0, 3}},
        {{2, 3}, 4, {2, 4}},
        {kUndef, 0, kUndef},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Is(IntervalIncludePoint(c.x, c.c), c.expected)) << c.c;
}

TEST(IntervalLibraryTest, SineCosineAndTangentAcrossExtremaPolesAndLargeArguments)
{
    const Case1 sines[] = {
        {{0, kPi}, {0, 1}},
        {{-0.5, 0.5}, {std::sin(-0.5), std::sin(0.5)}},
        {{4, 5}, {-1, std::sin(4.0)}},       // passes the minimum at 3 pi/2
        {{1, 2}, {std::sin(1.0), 1}},        // passes the maximum at pi/2
        {{0, 7}, {-1, 1}},
        {{1, kInf}, {-1, 1}},
        {{1, -1}, {-1, 1}},
        {kUndef, kUndef},
    };
    for (const Case1& c : sines)
        EXPECT_TRUE(Near(IntervalSin(c.x), c.expected)) << "sin " << c.x.lo << ", " << c.x.hi;
    const Case1 cosines[] = {
        {{0, 7}, {-1, 1}},
        {{0, 1}, {std::cos(1.0), 1}},
        {{3, 3.5}, {-1, std::max(std::cos(3.0), std::cos(3.5))}},
        {{-0.5, 0.25}, {std::cos(-0.5), 1}},
        {{-4, -3}, {-1, std::cos(-4.0)}},
    };
    for (const Case1& c : cosines)
        EXPECT_TRUE(Near(IntervalCos(c.x), c.expected)) << "cos " << c.x.lo << ", " << c.x.hi;
    const Case1 tangents[] = {
        {{1, 2}, kWhole},                     // a pole at pi/2
        {{-1, 1}, {std::tan(-1.0), std::tan(1.0)}},
        {{2, 4}, {std::tan(2.0), std::tan(4.0)}},
        {{-2, -1.6}, {std::tan(-2.0), std::tan(-1.6)}},
        {{-1.6, -1}, kWhole},                 // a pole at -pi/2
        {{0, kInf}, kWhole},
    };
    for (const Case1& c : tangents)
        EXPECT_TRUE(Near(IntervalTan(c.x), c.expected)) << "tan " << c.x.lo << ", " << c.x.hi;
    EXPECT_TRUE(Is(IntervalCot({-0.5, 0.5}), kWhole));
    EXPECT_TRUE(Is(IntervalCot({0, 0.5}), kWhole));  // an end on the pole at 0
    EXPECT_TRUE(Near(IntervalCot({0.5, 3}), {RealCot(3.0), RealCot(0.5)}));
    EXPECT_TRUE(EnclosesClosely(IntervalSec({-1, 1}), {1, 1 / std::cos(1.0)}));
    EXPECT_TRUE(Is(IntervalSec({0, 7}), {1, -1}));

    // Period counts far beyond 32-bit integers: the maximum of sine nearest
    // 1e10, and of cosine near 1e17, still found inside a narrow operand.
    double top = (std::round(1e10 / (2 * kPi)) + 0.25) * 2 * kPi;
    Interval nearTop = IntervalSin({top - 0.1, top + 0.1});
    EXPECT_EQ(nearTop.hi, 1);
    EXPECT_GT(nearTop.lo, 0.99);
    Interval beforeTop = IntervalSin({top - 0.3, top - 0.1});
    EXPECT_LT(beforeTop.hi, 1);
    EXPECT_TRUE(Holds(beforeTop, std::sin(top - 0.2)));
    EXPECT_TRUE(EnclosesClosely(IntervalSin({1e300, 1e300}), {std::sin(1e300), std::sin(1e300)}));
    EXPECT_TRUE(Is(IntervalCos({1e300, std::nextafter(1e300, kInf)}), {-1, 1}));
    EXPECT_TRUE(Is(IntervalCos({1e17, 1e17 + 16}), {-1, 1}));
    EXPECT_TRUE(Is(IntervalTan({1e300, 1e300}), kWhole));  // no fraction left: an end counts as on a pole
    double pole = (std::round(1e12 / kPi) + 0.5) * kPi;
    EXPECT_TRUE(Is(IntervalTan({pole - 1e-3, pole + 1e-3}), kWhole));
    Interval besidePole = IntervalTan({pole - 0.5, pole - 0.1});
    EXPECT_LT(besidePole.lo, besidePole.hi);
    EXPECT_GT(besidePole.lo, 0);
}

TEST(IntervalLibraryTest, PowersOfIntervals)
{
    const Case2 cases[] = {
        {{-2, 3}, {2, 2}, {0, 9}},
        {{-3, -2}, {2, 2}, {4, 9}},
        {{-1, 2}, {-1, -1}, kWhole},          // odd negative power through 0
        {{-1, 2}, {-2, -2}, {0.25, kInf}},    // even negative power through 0
        {{2, 4}, {-1, -1}, {0.25, 0.5}},
        {{-4, -2}, {3, 3}, {-64, -8}},
        {{-1, 2}, {0.5, 0.5}, kUndef},        // negative base, fractional exponent
        {{4, 9}, {0.5, 0.5}, {2, 3}},
        {{4, 16}, {-0.5, -0.5}, {0.25, 0.5}},
        {{0.5, 2}, {-1, 1}, {0.5, 2}},        // corners, widened to hold 1
        {{2, 3}, {1, 2}, {2, 9}},             // base >= 1, exponent >= 0
        {{-1, 2}, {1, 2}, kUndef},            // negative base, exponent interval
        {{5, 5}, {0, 0}, {1, 1}},
        {{2, -1}, {2, 2}, {1, kInf}},         // exterior base: union of half-line powers
        {{2, 2}, {1, -1}, {0, kInf}},         // exterior exponent
    };
    for (const Case2& c : cases)
        EXPECT_TRUE(Near(IntervalPower(c.x, c.y), c.expected))
            << "[" << c.x.lo << ", " << c.x.hi << "] ^ [" << c.y.lo << ", " << c.y.hi << "]";
    const struct {
        Interval x;
        double m, n;
        Interval expected;
    } rational[] = {
        {{-8, -1}, 1, 3, {-2, -1}},
        {{-8, 27}, 1, 3, {-2, 3}},
        {{-8, -1}, 2, 3, {1, 4}},
        {{-8, 1}, 2, 3, {0, 4}},
        {{-8, -1}, 2, 6, {-2, -1}},        // 2/6 reduces to 1/3
        {{-8, -1}, 4, 6, {1, 4}},          // 4/6 reduces to 2/3: odd root, even numerator
        {{-8, -1}, 3, 6, kUndef},          // 3/6 = 1/2: no real root of a negative base
        {{-1, 1}, -1, 3, {1, -1}},         // the cube root's reciprocal: |y| >= 1
        {{8, 27}, 1, 3, {2, 3}},
        {{-32, -1}, 3, 5, {-8, -1}},
        {{-8, -1}, 0, 3, {1, 1}},
    };
    for (const auto& c : rational)
        EXPECT_TRUE(Near(IntervalRationalPower(c.x, {c.m, c.m}, {c.n, c.n}), c.expected))
            << "[" << c.x.lo << ", " << c.x.hi << "] ^ " << c.m << "/" << c.n;
    // Not whole points: the general power of the quotient.
    EXPECT_TRUE(Near(IntervalRationalPower({4, 9}, {1, 1}, {2, 2}), {2, 3}));
    EXPECT_TRUE(Is(IntervalRationalPower({-8, -1}, {1, 2}, {3, 3}), kUndef));
}

TEST(IntervalLibraryTest, FactorialBinomialAndBessel)
{
    // Each piece between poles, and the piece above -1, has one extremum:
    // where it lies inside the operand, its value bounds the range (values
    // from 100-digit arithmetic).
    EXPECT_TRUE(EnclosesClosely(IntervalFactorial({0, 1}), {0.8856031944108887, 1}));
    EXPECT_TRUE(Is(IntervalFactorial({3, 4}), {6, 24}));
    EXPECT_TRUE(Is(IntervalFactorial({-2.5, -1.5}), kWhole));  // the pole at -2
    EXPECT_TRUE(EnclosesClosely(IntervalFactorial({-2.9, -2.1}),
                                {2.3024072583396801, std::max(FactorialFrom(-2.9), FactorialFrom(-2.1))}));
    EXPECT_TRUE(EnclosesClosely(IntervalFactorial({-1.9, -1.1}),
                                {std::min(FactorialFrom(-1.9), FactorialFrom(-1.1)), -3.5446436111550051}));
    EXPECT_TRUE(EnclosesClosely(IntervalFactorial({-3.9, -3.1}),
                                {std::min(FactorialFrom(-3.9), FactorialFrom(-3.1)), -0.88813635840124192}));
    // An operand on one side of the extremum takes its ends only.
    EXPECT_TRUE(EnclosesClosely(IntervalFactorial({-2.9, -2.6}), {FactorialFrom(-2.6), FactorialFrom(-2.9)}));
    EXPECT_TRUE(Is(IntervalFactorial({-1, 2}), kWhole));      // (-1)! is a pole
    EXPECT_TRUE(Is(IntervalFactorial({3, 2}), kWhole));
    EXPECT_TRUE(Is(IntervalBinomial({5, 5}, {2, 2}), {10, 10}));
    EXPECT_TRUE(EnclosesClosely(IntervalBinomial({5, 6}, {2, 2}), {2.5, 60}));  // factorials of the ranges
    EXPECT_TRUE(Is(IntervalBesselJ({0, 0}, {0, 1}), {RealBesselJ(0, 1), 1}));
    double g = std::sqrt(2 / (kPi * 10));
    EXPECT_TRUE(Is(IntervalBesselJ({0, 0}, {10, 20}), {-g, g}));
    EXPECT_TRUE(Is(IntervalBesselJ({0, 0}, {-20, -10}), {-g, g}));
    EXPECT_TRUE(Is(IntervalBesselJ({0, 0}, {0.1, 5}), {-1, 1}));  // envelope above 1
    // Orders above 1/2 pass sqrt(2 / (pi x)) near their first maximum.
    Interval j2 = IntervalBesselJ({2, 2}, {3, 6});
    EXPECT_GE(j2.hi, RealBesselJ(2, 3.05));
    EXPECT_TRUE(Is(IntervalBesselJ({-2, -2}, {3, 6}), j2));
    EXPECT_TRUE(Is(IntervalBesselJ({-1.5, -1.5}, {0.01, 5}), kWhole));  // grows without end at 0
}

TEST(IntervalLibraryTest, AngleAndDistanceOfBoxes)
{
    const Case2 angles[] = {
        {{-1, 1}, {1, 2}, {0, 2 * kPi}},                           // reaches below the positive x axis
        {{-1, 0}, {-2, -1}, {kPi, Atan2Positive(-1, -1)}},         // touches the negative x axis from below
        {{-1, 1}, {-2, -1}, {Atan2Positive(1, -1), Atan2Positive(-1, -1)}},
        {{1, 2}, {1, 2}, {Atan2Positive(1, 2), Atan2Positive(2, 1)}},
        {{0, 1}, {-1, 1}, {0, kPi}},
        {{-2, -1}, {-1, 1}, {Atan2Positive(-1, -1), Atan2Positive(-1, 1)}},
        {{0, 0}, {-1, 1}, {kPi, 0}},                               // only the two angles 0 and pi
    };
    for (const Case2& c : angles)
        EXPECT_TRUE(Near(IntervalAngle(c.x, c.y), c.expected)) << "angle y [" << c.x.lo << ", " << c.x.hi << "]";
    EXPECT_TRUE(EnclosesClosely(IntervalAtan2({-1, 1}, {-2, 1}), {-kPi, kPi}));
    EXPECT_TRUE(EnclosesClosely(IntervalAtan2({-1, 0}, {-2, -1}), {-kPi, kPi}));  // reaches the cut from below
    EXPECT_TRUE(Near(IntervalAtan2({0, 1}, {-1, 1}), {0, kPi}));
    EXPECT_TRUE(Near(IntervalAtan2({-0.0, 1}, {-1, 1}), {0, kPi}));  // -0 counts as the upper side
    EXPECT_TRUE(EnclosesClosely(IntervalHypot({3, 4}, {-1, 1}), {3, std::hypot(4.0, 1.0)}));
    EXPECT_TRUE(Is(IntervalHypot({-3, -4}, {kNaN, 1}), kUndef));
    EXPECT_TRUE(EnclosesClosely(IntervalHypot({3e200, 4e200}, {4e200, 4e200}), {std::hypot(3e200, 4e200), std::hypot(4e200, 4e200)}));
}

TEST(IntervalLibraryTest, RelationsAndTruthLogic)
{
    const struct {
        TruthInterval (*op)(Interval, Interval);
        Interval x, y;
        TruthInterval expected;
    } relations[] = {
        {IntervalLess, {0, 1}, {2, 3}, TruthTrue},
        {IntervalLess, {0, 2}, {1, 3}, TruthUndecided},
        {IntervalLess, {2, 3}, {1, 2}, TruthFalse},
        {IntervalLess, {1, 1}, {1, 1}, TruthFalse},
        {IntervalLessEqual, {1, 1}, {1, 1}, TruthTrue},
        {IntervalLessEqual, {0, 1}, {1, 3}, TruthTrue},
        {IntervalGreater, {2, 3}, {0, 2}, TruthUndecided},
        {IntervalGreater, {2.5, 3}, {0, 2}, TruthTrue},
        {IntervalGreaterEqual, {0, 1}, {1, 2}, TruthUndecided},
        {IntervalGreaterEqual, {0, 1}, {1.5, 2}, TruthFalse},
        {IntervalLess, {2, -1}, {5, 6}, TruthUndecided},     // exterior: never decided by order
        {IntervalLess, {kNaN, kNaN}, {5, 6}, kUndef},
        {IntervalLess, {0, 1}, {5, kNaN}, kUndef},
        {IntervalEqual, {2, 2}, {2, 2}, TruthTrue},
        {IntervalEqual, {0, 1}, {2, 3}, TruthFalse},
        {IntervalEqual, {0, 2}, {2, 3}, TruthUndecided},
        {IntervalEqual, {2, -1}, {0, 1}, TruthFalse},         // inside the gap
        {IntervalEqual, {0, 1}, {2, -1}, TruthFalse},
        {IntervalEqual, {2, -1}, {0, 3}, TruthUndecided},
        {IntervalEqual, {2, -1}, {3, -2}, TruthUndecided},    // two exterior intervals always meet
        {IntervalEqual, kUndef, {0, 1}, kUndef},
    };
    for (const auto& c : relations)
        EXPECT_TRUE(Is(c.op(c.x, c.y), c.expected)) << c.x.lo << ", " << c.x.hi << " : " << c.y.lo << ", " << c.y.hi;
    const struct {
        TruthInterval a, b, conjunction, disjunction;
    } logic[] = {
        {TruthTrue, TruthTrue, TruthTrue, TruthTrue},
        {TruthTrue, TruthUndecided, TruthUndecided, TruthTrue},
        {TruthFalse, TruthUndecided, TruthFalse, TruthUndecided},
        {TruthFalse, TruthFalse, TruthFalse, TruthFalse},
        {TruthFalse, kUndef, TruthFalse, TruthUndecided},
        {TruthTrue, kUndef, kUndef, TruthTrue},
        {TruthUndecided, kUndef, kUndef, TruthUndecided},
        {kUndef, kUndef, kUndef, TruthUndecided},
    };
    for (const auto& c : logic) {
        EXPECT_TRUE(Is(TruthAnd(c.a, c.b), c.conjunction)) << c.a.lo << "," << c.a.hi << " and " << c.b.lo;
        EXPECT_TRUE(Is(TruthAnd(c.b, c.a), c.conjunction));
        EXPECT_TRUE(Is(TruthOr(c.a, c.b), c.disjunction)) << c.a.lo << "," << c.a.hi << " or " << c.b.lo;
        EXPECT_TRUE(Is(TruthOr(c.b, c.a), c.disjunction));
    }
    EXPECT_TRUE(Is(TruthNot(TruthTrue), TruthFalse));
    EXPECT_TRUE(Is(TruthNot(TruthFalse), TruthTrue));
    EXPECT_TRUE(Is(TruthNot(TruthUndecided), TruthUndecided));
    EXPECT_TRUE(Is(TruthNot(kUndef), TruthUndecided));
}

TEST(IntervalLibraryTest, DomainsAreNeverClipped)
{
    const struct {
        Interval (*op)(Interval);
        Interval x;
        Interval expected;
    } cases[] = {
        {IntervalLn, {0, 1}, {-kInf, 0}},
        {IntervalLn, {-1, 1}, kUndef},
        {IntervalLog10, {1, 100}, {0, 2}},
        {IntervalSqrt, {-1e-300, 4}, kUndef},
        {IntervalAsin, {-1, 1}, {-kPi / 2, kPi / 2}},
        {IntervalAsin, {0, 1.0000001}, kUndef},
        {IntervalAcos, {-1, 1}, {0, kPi}},
        {IntervalAcosh, {0.5, 2}, kUndef},
        {IntervalAtanh, {-1, 1}, kWhole},
        {IntervalAsech, {0, 1}, {0, kInf}},
        {IntervalAcoth, {-2, 2}, kUndef},
        {IntervalAsec, {-2, -1}, {RealAsec(-2), kPi}},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Near(c.op(c.x), c.expected)) << c.x.lo << ", " << c.x.hi;
    EXPECT_TRUE(Is(IntervalFromComplex({2, 0}), {2, 2}));
    EXPECT_TRUE(Is(IntervalFromComplex({2, 1}), kUndef));
    EXPECT_TRUE(Is(IntervalHull4({0, 1}, {-1, 0}, {3, 4}, {2, 2}), {-1, 4}));
    EXPECT_TRUE(Is(IntervalHull4({0, 1}, {-1, 0}, {3, kNaN}, {2, 2}), kUndef));
}

TEST(IntervalLibraryTest, MinMaxModAndSign)
{
    EXPECT_TRUE(Is(IntervalMin({0, 5}, {2, 3}), {0, 3}));
    EXPECT_TRUE(Is(IntervalMax({0, 5}, {2, 3}), {2, 5}));
    EXPECT_TRUE(Is(IntervalMin({0, 5}, {kNaN, kNaN}), {0, 5}));  // the first operand's end wins over NaN
    EXPECT_TRUE(Is(IntervalMax({kNaN, 1}, {0, 2}), {kNaN, 2}));
    EXPECT_TRUE(Is(IntervalMod({5, 5}, {3, 3}), {2, 2}));
    EXPECT_TRUE(Is(IntervalMod({-1, -1}, {3, 3}), {2, 2}));
    const Case1 signs[] = {
        {{1, 2}, {1, 1}},   {{0, 2}, {0, 1}},    {{0, 0}, {0, 0}},   {{-2, -1}, {-1, -1}},
        {{-2, 0}, {-1, 0}}, {{-2, 1}, {-1, 1}},  {{1, -1}, {-1, 1}}, {kUndef, kUndef},
    };
    for (const Case1& c : signs)
        EXPECT_TRUE(Is(IntervalSign(c.x), c.expected)) << c.x.lo << ", " << c.x.hi;
}

}  // namespace
