// Interval results must hold every value the operation takes on the box,
// to the last bit: each box is sampled at its ends and 2,000 points between
// (a grid for two operands), each value computed in long double, and none
// may fall outside the interval. The boxes include the edges of domains,
// poles and ranges where the library functions round.
#include "numerics/ComplexIntervalLibrary.h"
#include "numerics/IntervalLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Long = long double;
using LongComplex = std::complex<long double>;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kSamples = 2000;
const Long kPiL = std::acos(Long(-1));

// The points of [lo, hi] checked: the ends and evenly spread ones.
std::vector<double> SamplesOf(Interval x, int count)
{
    std::vector<double> points{x.lo, x.hi};
    for (int i = 1; i < count; ++i)
        points.push_back(x.lo + (x.hi - x.lo) * (static_cast<double>(i) / count));
    return points;
}

bool Holds(Interval r, Long v)
{
    if (std::isnan(v))
        return true;  // outside the function's domain
    if (IsExteriorInterval(r))
        return v <= r.hi || v >= r.lo;
    return r.lo <= v && v <= r.hi;
}

std::string Describe(Interval x)
{
    std::ostringstream out;
    out.precision(17);
    out << "[" << x.lo << ", " << x.hi << "]";
    return out.str();
}

// The real reciprocal functions and the others beyond <cmath>.
Long Recip(Long v) { return 1 / v; }
Long Cot(Long v) { return 1 / std::tan(v); }
Long Sec(Long v) { return 1 / std::cos(v); }
Long Csc(Long v) { return 1 / std::sin(v); }
Long Coth(Long v) { return 1 / std::tanh(v); }
Long Sech(Long v) { return 1 / std::cosh(v); }
Long Csch(Long v) { return 1 / std::sinh(v); }
Long Acot(Long v) { return v == 0 ? kPiL / 2 : std::atan(1 / v) + (v < 0 ? kPiL : 0); }
Long Asec(Long v) { return std::acos(1 / v); }
Long Acsc(Long v) { return std::asin(1 / v); }
Long Acoth(Long v) { return std::atanh(1 / v); }
Long Asech(Long v) { return std::acosh(1 / v); }
Long Acsch(Long v) { return std::asinh(1 / v); }
Long Factorial(Long v) { return v < 0 && v == std::floor(v) ? NAN : std::tgamma(v + 1); }
Long Square(Long v) { return v * v; }
Long CubeRoot(Long v) { return std::cbrt(v); }
Long TwoThirds(Long v) { return std::pow(std::cbrt(v), 2); }
Interval CubeRootInterval(Interval x) { return IntervalRationalPower(x, {1, 1}, {3, 3}); }
Interval TwoThirdsInterval(Interval x) { return IntervalRationalPower(x, {2, 2}, {3, 3}); }
Interval CubeInterval(Interval x) { return IntervalPower(x, {3, 3}); }
Long Cube(Long v) { return v * v * v; }
Interval MinusSecondPowerInterval(Interval x) { return IntervalPower(x, {-2, -2}); }
Long MinusSecondPower(Long v) { return 1 / (v * v); }
Interval PowerPointSevenInterval(Interval x) { return IntervalPower(x, {0.7, 0.7}); }
Long PowerPointSeven(Long v) { return std::pow(v, Long(0.7)); }

struct UnaryCase {
    const char* name;
    Interval (*op)(Interval);
    Long (*f)(Long);
    std::vector<Interval> boxes;
};

// Boxes every function meets, besides its own edge boxes.
const std::vector<Interval> kCommonBoxes = {
    {0.3, 0.7},   {-2.5, 1.5}, {1e-300, 1e-290}, {-1e-8, 1e-8}, {100, 101}, {-30, -29.9},
    {1e5, 1e5 + 0.5}, {0.1, 0.1}, {2, 2},   {-1, -0.99},  {-0.8, -0.1}, {1.1, 7.3},
};

std::vector<UnaryCase> UnaryCases()
{
    using std::acos, std::acosh, std::asin, std::asinh, std::atan, std::atanh, std::cos, std::cosh, std::exp,
        std::log, std::log10, std::sin, std::sinh, std::sqrt, std::tan, std::tanh;
    auto f = [](Long (*g)(Long)) { return g; };
    return {
        {"exp", IntervalExp, f([](Long v) { return exp(v); }), {{700, 709}, {709, 710}, {-750, -740}, {-1e-300, 1e-300}}},
        {"ln", IntervalLn, f([](Long v) { return log(v); }), {{0, 1e-300}, {1e-320, 1e-310}, {0, 1}, {1, 1}, {1 - 1e-15, 1 + 1e-15}}},
        {"log10", IntervalLog10, f([](Long v) { return log10(v); }), {{0, 1e-300}, {1, 10}, {9.99, 1000}}},
        {"sqrt", IntervalSqrt, f([](Long v) { return sqrt(v); }), {{0, 1e-300}, {0, 2}, {2, 2}, {1e300, 1e308}}},
        {"square", IntervalSquare, Square, {{-3, 2}, {1e-200, 1e-150}, {1e154, 1e155}}},
        {"sin", IntervalSin, f([](Long v) { return sin(v); }), {{1.5, 1.6}, {1.5707963, 1.5707964}, {3, 3.3}, {1e6, 1e6 + 3}, {-1e-300, 0}}},
        {"cos", IntervalCos, f([](Long v) { return cos(v); }), {{3.14159, 3.1416}, {-1e-9, 1e-9}, {6.28, 6.29}, {1e6, 1e6 + 0.1}}},
        {"tan", IntervalTan, f([](Long v) { return tan(v); }), {{1.5, 1.6}, {1.5707963267948966, 1.5707963267948966}, {1.57, 1.5707963267948966}, {-1.5707963267948966, -1.5}}},
        {"cot", IntervalCot, Cot, {{1e-300, 1e-290}, {3.14, 3.141592653589793}, {-3.14159265358979, -3.1}}},
        {"sec", IntervalSec, Sec, {{1.5, 1.6}, {-0.5, 0.5}, {1.57079632, 1.5707963267948966}}},
        {"csc", IntervalCsc, Csc, {{-0.5, 0.5}, {1e-300, 1e-290}, {3.1, 3.141592653589793}}},
        {"asin", IntervalAsin, f([](Long v) { return asin(v); }), {{0.9999999, 1}, {-1, -0.99999999999}, {1, 1}, {-1, 1}}},
        {"acos", IntervalAcos, f([](Long v) { return acos(v); }), {{0.9999999, 1}, {-1, -0.99999999999}, {-1, -1}, {-1, 1}}},
        {"atan", IntervalAtan, f([](Long v) { return atan(v); }), {{1e300, 1e308}, {-1e20, 1e20}, {0.99, 1.01}}},
        {"acot", IntervalAcot, Acot, {{-1e-300, 1e-300}, {-1e20, -1e19}, {-2, 2}, {0, 1}}},
        {"asec", IntervalAsec, Asec, {{1, 1.0000001}, {-1.0000001, -1}, {1e300, 1e308}}},
        {"acsc", IntervalAcsc, Acsc, {{1, 1.0000001}, {-1.0000001, -1}, {1e300, 1e308}}},
        {"sinh", IntervalSinh, f([](Long v) { return sinh(v); }), {{700, 711}, {-1e-300, 1e-300}, {-3, -2}}},
        {"cosh", IntervalCosh, f([](Long v) { return cosh(v); }), {{-1e-8, 1e-8}, {700, 711}, {-3, -2}}},
        {"tanh", IntervalTanh, f([](Long v) { return tanh(v); }), {{18, 20}, {-1e-300, 1e-300}, {-0.6, -0.5}}},
        {"coth", IntervalCoth, Coth, {{1e-300, 1e-290}, {-1, 1}, {18, 20}}},
        {"sech", IntervalSech, Sech, {{-1e-8, 1e-8}, {700, 711}, {-3, 2}}},
        {"csch", IntervalCsch, Csch, {{1e-300, 1e-290}, {-1, 1}, {700, 711}}},
        {"asinh", IntervalAsinh, f([](Long v) { return asinh(v); }), {{-1e8, -1e7}, {1e-20, 1e-19}, {1e200, 1e300}}},
        {"acosh", IntervalAcosh, f([](Long v) { return acosh(v); }), {{1, 1.0000001}, {1e200, 1e300}, {1, 1}}},
        {"atanh", IntervalAtanh, f([](Long v) { return atanh(v); }), {{0.999999, 1}, {-1, -0.9999999999}, {-1e-20, 1e-20}}},
        {"acoth", IntervalAcoth, Acoth, {{1, 1.00001}, {-1.00001, -1}, {1e300, 1e308}}},
        {"asech", IntervalAsech, Asech, {{0.99999, 1}, {0, 0.5}, {1e-300, 1e-290}}},
        {"acsch", IntervalAcsch, Acsch, {{1e-300, 1e-290}, {-1, 2}, {1e300, 1e308}}},
        {"factorial", IntervalFactorial, Factorial,
         {{0, 1}, {-0.99, 3}, {-2.9, -2.1}, {-1.9, -1.1}, {-3.9, -3.1}, {0.3, 0.6}, {170, 170.5}, {-170.9, -170.1}, {20.5, 29}}},
        {"reciprocal", IntervalReciprocal, Recip, {{-1, 2}, {0, 2}, {-3, -1e-300}, {3, 3}}},
        {"cube root", CubeRootInterval, CubeRoot, {{-8, -1}, {-27, 8}, {1e-300, 1e300}}},
        {"power 2/3", TwoThirdsInterval, TwoThirds, {{-8, -1}, {-27, 8}}},
        {"cube", CubeInterval, Cube, {{-3, -2}, {-1.1, 1.3}, {1e100, 1e102}}},
        {"power -2", MinusSecondPowerInterval, MinusSecondPower, {{-3, -2}, {-1, 2}, {1e-100, 1e-99}}},
        {"power 0.7", PowerPointSevenInterval, PowerPointSeven, {{0, 0.5}, {1.5, 1e6}}},
    };
}

TEST(IntervalEnclosureTest, UnaryOperationsHoldEveryValueOfTheBox)
{
    for (const UnaryCase& c : UnaryCases()) {
        std::vector<Interval> boxes = c.boxes;
        boxes.insert(boxes.end(), kCommonBoxes.begin(), kCommonBoxes.end());
        for (Interval box : boxes) {
            Interval r = c.op(box);
            if (IsUndefinedInterval(r))
                continue;  // the box reaches outside the domain
            for (double v : SamplesOf(box, kSamples)) {
                Long value = c.f(v);
                ASSERT_TRUE(Holds(r, value)) << c.name << " over " << Describe(box) << " gives " << Describe(r)
                                             << ", missing f(" << v << ") = " << static_cast<double>(value);
            }
        }
    }
}

// Boxes where the operation is defined and meant to be so.
TEST(IntervalEnclosureTest, EdgeBoxesAreDefined)
{
    EXPECT_FALSE(IsUndefinedInterval(IntervalLn({0, 1e-300})));
    EXPECT_FALSE(IsUndefinedInterval(IntervalSqrt({0, 1e-300})));
    EXPECT_FALSE(IsUndefinedInterval(IntervalAsin({0.9999999, 1})));
    EXPECT_FALSE(IsUndefinedInterval(IntervalAcosh({1, 1})));
    EXPECT_FALSE(IsUndefinedInterval(IntervalAsec({1, 1.0000001})));
    EXPECT_FALSE(IsUndefinedInterval(CubeRootInterval({-27, 8})));
    // Rounding past the largest double reaches infinity, not NaN.
    constexpr double kMax = std::numeric_limits<double>::max();
    Interval beyond = IntervalAdd({-kMax, kMax}, {-1, 1});
    EXPECT_EQ(beyond.lo, -kInf);
    EXPECT_EQ(beyond.hi, kInf);
}

struct BinaryCase {
    const char* name;
    Interval (*op)(Interval, Interval);
    Long (*f)(Long, Long);
    std::vector<std::pair<Interval, Interval>> boxes;
};

TEST(IntervalEnclosureTest, BinaryOperationsHoldEveryValueOfTheBox)
{
    const std::pair<Interval, Interval> common[] = {
        {{0.1, 0.1}, {0.2, 0.2}},   {{1, 3}, {-1, 1}},       {{-2, -1}, {3, 3}},     {{1e-200, 2e-200}, {1e-200, 3e-200}},
        {{1e300, 1e308}, {1, 10}},  {{-0.3, 0.7}, {1.1, 1.9}}, {{1 / 3.0, 0.5}, {3, 7}}, {{-5, -4}, {-1e-8, 2}},
    };
    auto atan2l = [](Long y, Long x) { return std::atan2(y, x); };
    const BinaryCase cases[] = {
        {"add", IntervalAdd, [](Long a, Long b) { return a + b; }, {{{1e308, 1.5e308}, {1e308, 1e308}}}},
        {"subtract", IntervalSubtract, [](Long a, Long b) { return a - b; }, {{{1, 1}, {1e-30, 1e-30}}}},
        {"multiply", IntervalMultiply, [](Long a, Long b) { return a * b; }, {{{-3, 2}, {-7, 5}}}},
        {"divide", IntervalDivide, [](Long a, Long b) { return a / b; }, {{{1, 2}, {-1, 1}}, {{1, 2}, {0, 3}}, {{-1, 1}, {3, 7}}}},
        {"power", IntervalPower, [](Long a, Long b) { return std::pow(a, b); },
         {{{-2, -1}, {3, 3}}, {{-2, 3}, {2, 2}}, {{-2, -0.5}, {-3, -3}}, {{0.5, 2}, {-1, 1}}, {{0, 1}, {0.5, 3}}, {{1.5, 1e6}, {0.1, 40}}}},
        {"atan2", IntervalAtan2, atan2l, {{{-1, 1}, {-2, -1}}, {{0, 1e-300}, {-1, -0.5}}, {{-1, -0.5}, {1e-300, 1}}}},
        {"angle", IntervalAngle,
         [](Long y, Long x) {
             Long a = std::atan2(y + 0, x);
             return a < 0 ? a + 2 * kPiL : a;
         },
         {{{-1, -1e-300}, {1, 2}}, {{0, 1}, {-2, -1}}, {{-1, 1}, {-2, -1}}}},
        {"hypot", IntervalHypot, [](Long a, Long b) { return std::hypot(a, b); }, {{{3e200, 4e200}, {4e200, 5e200}}}},
    };
    for (const BinaryCase& c : cases) {
        std::vector<std::pair<Interval, Interval>> boxes = c.boxes;
        boxes.insert(boxes.end(), std::begin(common), std::end(common));
        for (auto [x, y] : boxes) {
            Interval r = c.op(x, y);
            if (IsUndefinedInterval(r))
                continue;
            for (double a : SamplesOf(x, 45)) {
                for (double b : SamplesOf(y, 45)) {
                    Long value = c.f(a, b);
                    ASSERT_TRUE(Holds(r, value)) << c.name << " over " << Describe(x) << " x " << Describe(y)
                                                 << " gives " << Describe(r) << ", missing f(" << a << ", " << b
                                                 << ") = " << static_cast<double>(value);
                }
            }
        }
    }
}

bool HoldsComplex(ComplexInterval r, LongComplex v)
{
    return Holds(r.re, v.real()) && Holds(r.im, v.imag());
}

struct ComplexCase {
    const char* name;
    ComplexInterval (*op)(ComplexInterval);
    LongComplex (*f)(LongComplex);
};

TEST(IntervalEnclosureTest, ComplexOperationsHoldEveryValueOfTheRectangle)
{
    const ComplexCase cases[] = {
        {"exp", ComplexIntervalExp, [](LongComplex z) { return std::exp(z); }},
        {"log", ComplexIntervalLog, [](LongComplex z) { return std::log(z); }},
        {"sqrt", ComplexIntervalSqrt, [](LongComplex z) { return std::sqrt(z); }},
        {"square", ComplexIntervalSquare, [](LongComplex z) { return z * z; }},
        {"sin", ComplexIntervalSin, [](LongComplex z) { return std::sin(z); }},
        {"cos", ComplexIntervalCos, [](LongComplex z) { return std::cos(z); }},
        {"tan", ComplexIntervalTan, [](LongComplex z) { return std::tan(z); }},
        {"sinh", ComplexIntervalSinh, [](LongComplex z) { return std::sinh(z); }},
        {"tanh", ComplexIntervalTanh, [](LongComplex z) { return std::tanh(z); }},
        {"reciprocal", [](ComplexInterval z) { return ComplexIntervalDivide({{1, 1}, {0, 0}}, z); },
         [](LongComplex z) { return LongComplex(1) / z; }},
    };
    // Rectangles away from and across the cut of log and sqrt, near tan's
    // pole, with large real parts and tiny ones.
    const ComplexInterval boxes[] = {
        {{0.5, 0.6}, {0.2, 0.3}},     {{-2, -1.9}, {-0.1, 0.1}}, {{-1e-3, 1e-3}, {1, 1.001}},
        {{1.5, 1.6}, {-0.01, 0.01}},  {{30, 31}, {1, 2}},         {{-3, -2}, {2, 3}},
        {{1e-9, 2e-9}, {-1e-9, 1e-9}}, {{0.1, 0.1}, {0.7, 0.7}},
    };
    for (const ComplexCase& c : cases) {
        for (ComplexInterval box : boxes) {
            ComplexInterval r = c.op(box);
            if (IsUndefinedComplexInterval(r))
                continue;
            for (double x : SamplesOf(box.re, 45)) {
                for (double y : SamplesOf(box.im, 45)) {
                    LongComplex value = c.f(LongComplex(x, y));
                    ASSERT_TRUE(HoldsComplex(r, value))
                        << c.name << " over " << Describe(box.re) << " + i " << Describe(box.im) << " gives "
                        << Describe(r.re) << " + i " << Describe(r.im) << ", missing f(" << x << " + " << y
                        << "i) = " << static_cast<double>(value.real()) << " + "
                        << static_cast<double>(value.imag()) << "i";
                }
            }
        }
    }
    // Products and quotients of two rectangles, and a power.
    const ComplexInterval a{{-1, 2}, {0.5, 0.7}};
    const ComplexInterval b{{0.3, 0.4}, {-2, -1}};
    ComplexInterval product = ComplexIntervalMultiply(a, b);
    ComplexInterval quotient = ComplexIntervalDivide(a, b);
    ComplexInterval power = ComplexIntervalPow(b, a);
    for (double ar : SamplesOf(a.re, 12))
        for (double ai : SamplesOf(a.im, 12))
            for (double br : SamplesOf(b.re, 12))
                for (double bi : SamplesOf(b.im, 12)) {
                    LongComplex u(ar, ai);
                    LongComplex w(br, bi);
                    ASSERT_TRUE(HoldsComplex(product, u * w)) << ar << " " << ai << " " << br << " " << bi;
                    ASSERT_TRUE(HoldsComplex(quotient, u / w)) << ar << " " << ai << " " << br << " " << bi;
                    ASSERT_TRUE(HoldsComplex(power, std::pow(w, u))) << ar << " " << ai << " " << br << " " << bi;
                }
}

}  // namespace
