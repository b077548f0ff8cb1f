#include "numerics/ComplexLibrary.h"

#include "numerics/RealLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.141592653589793;
constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr ComplexValue kI{0, 1};

using Std = std::complex<double>;

Std ToStd(ComplexValue z)
{
    return Std(z.re, z.im);
}

ComplexValue Re(double x)
{
    return ComplexValue{x, 0};
}

// The error of a complex result in ulps of its magnitude, or of 1 where the
// magnitude is below 1: a part that is small next to the other, or a result
// near a zero of the function, is held to an absolute bound.
double UlpsOff(ComplexValue actual, Std expected)
{
    return std::abs(ToStd(actual) - expected) / (kEps * std::max(1.0, std::abs(expected)));
}

// Both parts equal, NaN matching NaN and the sign of a zero counting.
void ExpectExact(ComplexValue actual, ComplexValue expected, const char* what)
{
    auto same = [](double a, double e) {
        if (std::isnan(e))
            return std::isnan(a);
        return a == e && std::signbit(a) == std::signbit(e);
    };
    EXPECT_TRUE(same(actual.re, expected.re) && same(actual.im, expected.im))
        << what << ": got " << actual.re << " + " << actual.im << "i, expected " << expected.re << " + "
        << expected.im << "i";
}

// Each part within the tolerance; equal infinities match.
void ExpectNear(ComplexValue actual, ComplexValue expected, double tolerance, const char* what)
{
    auto near = [tolerance](double a, double e) { return a == e || std::fabs(a - e) <= tolerance; };
    EXPECT_TRUE(near(actual.re, expected.re) && near(actual.im, expected.im))
        << what << ": got " << actual.re << " + " << actual.im << "i, expected " << expected.re << " + "
        << expected.im << "i";
}

void ExpectUndefined(ComplexValue actual, const char* what)
{
    EXPECT_TRUE(std::isnan(actual.re) && std::isnan(actual.im)) << what << ": got " << actual.re << " + " << actual.im
                                                                  << "i";
}

// Points in a box, off the cuts of log, sqrt and pow (the negative real axis)
// and off zero.
std::vector<ComplexValue> SamplePoints(double reach, int count)
{
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> part(-reach, reach);
    std::vector<ComplexValue> points;
    while (static_cast<int>(points.size()) < count) {
        ComplexValue z{part(random), part(random)};
        double angle = std::atan2(z.im, z.re);
        if (std::hypot(z.re, z.im) < 0.1 || std::fabs(angle) > kPi - 0.1)
            continue;
        points.push_back(z);
    }
    return points;
}

TEST(ComplexLibrary, ElementaryFunctionsAgreeWithStdComplexAwayFromCuts)
{
    auto anywhere = [](ComplexValue) { return true; };
    struct Function {
        const char* name;
        ComplexValue (*ours)(ComplexValue);
        Std (*reference)(const Std&);
        bool (*keep)(ComplexValue);
    };
    const Function functions[] = {
        {"exp", ComplexExp, [](const Std& z) { return std::exp(z); }, anywhere},
        {"log", ComplexLog, [](const Std& z) { return std::log(z); }, anywhere},
        {"log10", ComplexLog10, [](const Std& z) { return std::log10(z); }, anywhere},
        {"sqrt", ComplexSqrt, [](const Std& z) { return std::sqrt(z); }, anywhere},
        {"sin", ComplexSin, [](const Std& z) { return std::sin(z); }, anywhere},
        {"cos", ComplexCos, [](const Std& z) { return std::cos(z); }, anywhere},
        {"tan", ComplexTan, [](const Std& z) { return std::tan(z); }, anywhere},
        {"sinh", ComplexSinh, [](const Std& z) { return std::sinh(z); }, anywhere},
        {"cosh", ComplexCosh, [](const Std& z) { return std::cosh(z); }, anywhere},
        {"tanh", ComplexTanh, [](const Std& z) { return std::tanh(z); }, anywhere},
        {"cot", ComplexCot, [](const Std& z) { return 1.0 / std::tan(z); }, anywhere},
        {"sec", ComplexSec, [](const Std& z) { return 1.0 / std::cos(z); }, anywhere},
        {"csc", ComplexCsc, [](const Std& z) { return 1.0 / std::sin(z); }, anywhere},
        {"coth", ComplexCoth, [](const Std& z) { return 1.0 / std::tanh(z); }, anywhere},
        {"sech", ComplexSech, [](const Std& z) { return 1.0 / std::cosh(z); }, anywhere},
        {"csch", ComplexCsch, [](const Std& z) { return 1.0 / std::sinh(z); }, anywhere},
    };
    std::vector<ComplexValue> points = SamplePoints(3, 2000);
    for (const Function& f : functions) {
        double worst = 0;
        ComplexValue worstAt{};
        for (ComplexValue z : points) {
            if (!f.keep(z))
                continue;
            double off = UlpsOff(f.ours(z), f.reference(ToStd(z)));
            if (!(off <= worst)) {
                worst = off;
                worstAt = z;
            }
        }
        EXPECT_LE(worst, 4) << f.name << " worst at " << worstAt.re << " + " << worstAt.im << "i";
    }
}

TEST(ComplexLibrary, PowerAgreesWithStdComplexAwayFromCuts)
{
    std::vector<ComplexValue> bases = SamplePoints(3, 300);
    std::vector<ComplexValue> exponents = SamplePoints(2, 30);
    double worst = 0;
    for (ComplexValue z : bases) {
        for (ComplexValue w : exponents) {
            Std expected = std::pow(ToStd(z), ToStd(w));
            // The error grows with |w log z|, in ours and in the reference.
            double scale = 1 + std::abs(ToStd(w) * std::log(ToStd(z)));
            worst = std::max(worst, UlpsOff(ComplexPow(z, w), expected) / scale);
        }
    }
    EXPECT_LE(worst, 4);
}

// Whole exponents go by repeated squaring and a positive real base through
// the real power: the results stay those of the general rule within a few
// ulp (scaled as above), on the negative axis, at zero, and for exponents
// whose results overflow or underflow.
TEST(ComplexLibrary, WholeAndRealBasePowersAgreeWithStdPow)
{
    std::vector<ComplexValue> bases = SamplePoints(3, 100);
    for (double r : {-3.5, -2.0, -1.0, -0.25, 0.5, 1.0, 2.0, 7.0})
        bases.push_back({r, 0});
    for (ComplexValue z : {ComplexValue{0, 1}, ComplexValue{0, -1}, ComplexValue{1e-200, 3e-200},
                           ComplexValue{1e150, -2e150}})
        bases.push_back(z);
    const double exponents[] = {-1100, -300, -7, -2, -1, 1, 2, 3, 10, 64, 301, 1100, 1048577, 0.5, -2.75};
    double worst = 0;
    for (ComplexValue z : bases) {
        for (double n : exponents) {
            Std expected = std::pow(ToStd(z), Std(n, 0));
            ComplexValue ours = ComplexPow(z, {n, 0});
            if (!std::isfinite(std::abs(expected)) || std::abs(expected) < 1e-290) {
                // Beyond the range both are infinite or both (nearly) zero.
                EXPECT_EQ(std::isfinite(std::abs(ToStd(ours))), std::isfinite(std::abs(expected)))
                    << z.re << " + " << z.im << "i ^ " << n;
                continue;
            }
            double scale = 1 + std::abs(n * std::log(ToStd(z)));
            double off = UlpsOff(ours, expected) / scale;
            EXPECT_LE(off, 4) << z.re << " + " << z.im << "i ^ " << n;
            worst = std::max(worst, off);
        }
    }
    EXPECT_LE(worst, 4);
    // Zero keeps its rules.
    ExpectExact(ComplexPow({0, 0}, {1100, 0}), {0, 0}, "0^1100");
    ExpectExact(ComplexPow({0, 0}, {-3, 0}), {kInf, 0}, "0^-3");
    // A real base to a whole power stays real.
    ExpectExact(ComplexPow({-2, 0}, {-3, 0}), {-0.125, 0}, "(-2)^-3");
    ExpectExact(ComplexPow({-1, 0}, {1048577, 0}), {-1, 0}, "(-1)^1048577");
}

// The inverse functions take their own formulas; away from their cuts they
// agree with the principal values of std::complex, which shows the branch
// choices (acos, acosh) pick the principal solution.
TEST(ComplexLibrary, InverseFunctionsTakeThePrincipalValueAwayFromCuts)
{
    struct Function {
        const char* name;
        ComplexValue (*ours)(ComplexValue);
        Std (*reference)(const Std&);
    };
    const Function functions[] = {
        {"asin", ComplexAsin, [](const Std& z) { return std::asin(z); }},
        {"acos", ComplexAcos, [](const Std& z) { return std::acos(z); }},
        {"atan", ComplexAtan, [](const Std& z) { return std::atan(z); }},
        {"asinh", ComplexAsinh, [](const Std& z) { return std::asinh(z); }},
        {"acosh", ComplexAcosh, [](const Std& z) { return std::acosh(z); }},
        {"atanh", ComplexAtanh, [](const Std& z) { return std::atanh(z); }},
        {"acsc", ComplexAcsc, [](const Std& z) { return std::asin(1.0 / z); }},
        {"asec", ComplexAsec, [](const Std& z) { return std::acos(1.0 / z); }},
        {"acot", ComplexAcot, [](const Std& z) { return std::atan(1.0 / z); }},
        {"acsch", ComplexAcsch, [](const Std& z) { return std::asinh(1.0 / z); }},
        {"asech", ComplexAsech, [](const Std& z) { return std::acosh(1.0 / z); }},
        {"acoth", ComplexAcoth, [](const Std& z) { return std::atanh(1.0 / z); }},
    };
    // Every cut of these lies on an axis; keep a distance from both.
    std::vector<ComplexValue> points;
    for (ComplexValue z : SamplePoints(3, 600)) {
        if (std::fabs(z.re) > 0.05 && std::fabs(z.im) > 0.05)
            points.push_back(z);
    }
    for (const Function& f : functions) {
        for (ComplexValue z : points) {
            Std expected = f.reference(ToStd(z));
            EXPECT_LE(std::abs(ToStd(f.ours(z)) - expected), 1e-12 * (1 + std::abs(expected)))
                << f.name << " at " << z.re << " + " << z.im << "i";
        }
    }
}

TEST(ComplexLibrary, BranchCutsOfSqrtAndLog)
{
    struct Case {
        const char* what;
        ComplexValue actual;
        ComplexValue expected;
    };
    const Case cases[] = {
        // A zero imaginary part of either sign is real: the upper root.
        {"sqrt(-4 + 0i)", ComplexSqrt({-4, 0}), {0, 2}},
        {"sqrt(-4 - 0i)", ComplexSqrt({-4, -0.0}), {0, 2}},
        {"sqrt(0)", ComplexSqrt({0, 0}), {0, 0}},
        {"sqrt(4)", ComplexSqrt({4, 0}), {2, 0}},
        {"sqrt(NaN)", ComplexSqrt({kNaN, 0}), {0, kNaN}},
        // The logarithm keeps the sign of a zero imaginary part.
        {"log(-1 + 0i)", ComplexLog({-1, 0}), {0, kPi}},
        {"log(-1 - 0i)", ComplexLog({-1, -0.0}), {0, -kPi}},
        {"log(0)", ComplexLog({0, 0}), {-kInf, 0}},
        {"log(1)", ComplexLog({1, 0}), {0, 0}},
    };
    for (const Case& c : cases)
        ExpectExact(c.actual, c.expected, c.what);
    ExpectNear(ComplexSqrt({0, 2}), {1, 1}, 4 * kEps, "sqrt(2i)");
}

// Both parts of a square root to a few ulp, relative to each part: beside
// the negative real axis (where an angle's cosine would lose the small real
// part), at the ends of the range, with the sign of y on either side.
TEST(ComplexLibrary, SquareRootsKeepBothPartsPrecise)
{
    auto relativeError = [](double a, double e) { return e == 0 ? std::fabs(a) : std::fabs(a - e) / std::fabs(e); };
    const Std cases[] = {{-1, 1e-10},   {-1, -1e-10},    {1, 1e-10},        {-4, 3},          {3, -4},
                         {-1e300, 1e300}, {1.7e308, 1.7e308}, {-1.7e308, 1e-300}, {1e-310, 3e-320}, {-5e-324, 5e-324},
                         {-2.5, 1e-200}};
    for (const Std& z : cases) {
        ComplexValue ours = ComplexSqrt({z.real(), z.imag()});
        Std expected = std::sqrt(z);
        EXPECT_LE(relativeError(ours.re, expected.real()), 4 * kEps) << z.real() << " + " << z.imag() << "i";
        EXPECT_LE(relativeError(ours.im, expected.imag()), 4 * kEps) << z.real() << " + " << z.imag() << "i";
        EXPECT_GE(ours.re, 0);
        EXPECT_EQ(std::signbit(ours.im), std::signbit(z.imag()));
    }
}

TEST(ComplexLibrary, PowerSpecialCases)
{
    struct Case {
        const char* what;
        ComplexValue actual;
        ComplexValue expected;
    };
    const Case exact[] = {
        {"0^2", ComplexPow(Re(0), Re(2)), {0, 0}},
        {"0^0", ComplexPow(Re(0), Re(0)), {1, 0}},
        {"0^-1", ComplexPow(Re(0), Re(-1)), {kInf, 0}},
        {"i^2", ComplexPow(kI, Re(2)), {-1, 0}},
        {"i*i", ComplexMultiply(kI, kI), {-1, 0}},
    };
    for (const Case& c : exact)
        ExpectExact(c.actual, c.expected, c.what);

    // 0^i is no zero-base case: it takes the general rule.
    ExpectUndefined(ComplexPow(Re(0), kI), "0^i");

    // Whole powers of real bases are real; the rounding of pi leaves no
    // imaginary part.
    ComplexValue cube = ComplexPow(Re(-8), Re(3));
    EXPECT_EQ(cube.im, 0);
    EXPECT_NEAR(cube.re, -512, 512 * 16 * kEps);
    ComplexValue square = ComplexPow(Re(-2), Re(2));
    EXPECT_EQ(square.im, 0);
    EXPECT_NEAR(square.re, 4, 16 * kEps);

    // Odd powers of +-i are imaginary, even ones real.
    EXPECT_EQ(ComplexPow(kI, Re(3)).re, 0);
    EXPECT_NEAR(ComplexPow(kI, Re(3)).im, -1, 4 * kEps);
    EXPECT_EQ(ComplexPow({0, -1}, Re(5)).re, 0);
    EXPECT_NEAR(ComplexPow({0, -1}, Re(5)).im, -1, 4 * kEps);
    EXPECT_EQ(ComplexPow({0, -1}, Re(4)).im, 0);

    // A fractional power of a negative base is the principal value, not the
    // real root.
    ComplexValue third = ComplexDivide(Re(1), Re(3));
    ExpectNear(ComplexPow(Re(-8), third), {1, std::sqrt(3.0)}, 8 * kEps, "(-8)^(1/3)");
    ExpectNear(ComplexRationalPower(Re(-8), Re(1), Re(3)), {1, std::sqrt(3.0)}, 8 * kEps, "rational (-8)^(1/3)");
}

TEST(ComplexLibrary, SmithDivisionNeitherOverflowsNorHidesZero)
{
    ComplexValue q = ComplexDivide(Re(1), {1e300, 1e300});
    ExpectNear(q, {0.5e-300, -0.5e-300}, 1e-315, "1/(1e300 + 1e300 i)");
    ComplexValue r = RealDivideComplex(1, {1e300, 1e300});
    ExpectNear(r, {0.5e-300, -0.5e-300}, 1e-315, "reciprocal of 1e300 + 1e300 i");
    // Both branches of the method, against plain complex division.
    const ComplexValue pairs[][2] = {{{3, 4}, {1, 2}}, {{-1, 5}, {7, -0.5}}, {{2, 0}, {0, 3}}};
    for (const auto& pair : pairs) {
        Std expected = ToStd(pair[0]) / ToStd(pair[1]);
        EXPECT_LE(UlpsOff(ComplexDivide(pair[0], pair[1]), expected), 4);
        EXPECT_LE(UlpsOff(RealDivideComplex(pair[0].re, pair[1]), pair[0].re / ToStd(pair[1])), 4);
    }
    ExpectUndefined(ComplexDivide(Re(1), Re(0)), "1/0");
    ExpectUndefined(ComplexDivide(Re(1), {kNaN, 1}), "1/(NaN + i)");
    ExpectUndefined(RealDivideComplex(1, Re(0)), "reciprocal of 0");
}

// The two cases of the method written out as branches, the zeros' signs and
// NaN cases included, against the library's branch-free form.
TEST(ComplexLibrary, DivisionIsSmithsTwoCasesBitForBit)
{
    auto smith = [](ComplexValue a, ComplexValue b) {
        if (std::fabs(b.im) > std::fabs(b.re)) {
            double r = b.re / b.im;
            double d = b.re * r + b.im;
            return ComplexValue{(a.re * r + a.im) / d, (a.im * r - a.re) / d};
        }
        double r = b.im / b.re;
        double d = b.im * r + b.re;
        return ComplexValue{(a.im * r + a.re) / d, (a.im - a.re * r) / d};
    };
    auto reciprocal = [](double r, ComplexValue b) {
        if (std::fabs(b.im) > std::fabs(b.re)) {
            double s = b.re / b.im;
            double d = b.re * s + b.im;
            return ComplexValue{r * s / d, -r / d};
        }
        double s = b.im / b.re;
        double d = b.im * s + b.re;
        return ComplexValue{r / d, -(r * s) / d};
    };
    const double parts[] = {0, -0.0, 1, -1, 2.5, -3, 1e300, -1e-300, kInf, kNaN};
    for (double ar : parts) {
        for (double ai : parts) {
            for (double br : parts) {
                for (double bi : parts) {
                    ExpectExact(ComplexDivide({ar, ai}, {br, bi}), smith({ar, ai}, {br, bi}), "divide");
                    ExpectExact(RealDivideComplex(ar, {br, bi}), reciprocal(ar, {br, bi}), "reciprocal");
                }
            }
        }
    }
}

TEST(ComplexLibrary, InverseFunctionsAtTheirSingularPointsAndCuts)
{
    const double acosh2 = std::acosh(2.0);  // 1.3169...
    struct Case {
        const char* what;
        ComplexValue actual;
        ComplexValue expected;
    };
    const Case cases[] = {
        {"asin 2", ComplexAsin(Re(2)), {kPi / 2, -acosh2}},
        {"acos 2", ComplexAcos(Re(2)), {0, -acosh2}},
        {"acosh -2", ComplexAcosh(Re(-2)), {acosh2, -kPi}},
        {"atan i", ComplexAtan(kI), {0, kInf}},
        {"atanh 1", ComplexAtanh(Re(1)), {kInf, 0}},
        {"atanh -1", ComplexAtanh(Re(-1)), {-kInf, 0}},
    };
    for (const Case& c : cases)
        ExpectNear(c.actual, c.expected, 8 * kEps, c.what);
    ExpectUndefined(ComplexAtan({0, -1}), "atan -i");
    ExpectUndefined(ComplexAcot(Re(0)), "acot 0");
    ExpectUndefined(ComplexAcsc(Re(0)), "acsc 0");
    ExpectUndefined(ComplexAcoth(Re(0)), "acoth 0");

    // The real shortcuts give exactly real results.
    const Case shortcuts[] = {
        {"asin 0.5", ComplexAsin(Re(0.5)), Re(kPi / 6)},
        {"acos -0.5", ComplexAcos(Re(-0.5)), Re(2 * kPi / 3)},
        {"atan 5", ComplexAtan(Re(5)), Re(1.373400766945016)},
        {"asec 2", ComplexAsec(Re(2)), Re(kPi / 3)},
        {"atanh 0.5", ComplexAtanh(Re(0.5)), Re(0.5493061443340549)},
    };
    for (const Case& c : shortcuts) {
        ExpectNear(c.actual, c.expected, 2 * kEps, c.what);
        EXPECT_EQ(c.actual.im, 0) << c.what;
    }
    // A NaN takes no shortcut.
    ExpectUndefined(ComplexAsin(Re(kNaN)), "asin NaN");
}

// Each part within a few ulps of its own magnitude; equal infinities match
// and an expected zero must be a zero.
void ExpectPartsWithinUlps(ComplexValue actual, ComplexValue expected, double ulps, const char* what)
{
    auto near = [ulps](double a, double e) {
        return a == e || std::fabs(a - e) <= ulps * kEps * std::fabs(e);
    };
    EXPECT_TRUE(near(actual.re, expected.re) && near(actual.im, expected.im))
        << what << ": got " << actual.re << " + " << actual.im << "i, expected " << expected.re << " + "
        << expected.im << "i";
}

// References at 200 bits (off the cuts), or the closed form of the
// logarithmic definition on them.
TEST(ComplexLibrary, EdgesOfTheRangeKeepFullPrecision)
{
    constexpr double kHalfPi = 1.5707963267948966;
    struct Case {
        const char* what;
        ComplexValue (*f)(ComplexValue);
        ComplexValue z;
        ComplexValue expected;
    };
    const Case cases[] = {
        // exp overflows to infinities of the signs of cos y and sin y.
        {"exp 710", ComplexExp, {710, 0}, {kInf, 0}},
        {"exp(710 + i)", ComplexExp, {710, 1}, {kInf, kInf}},
        {"exp(710 + 2i)", ComplexExp, {710, 2}, {-kInf, kInf}},
        {"exp(1e4 - 4i)", ComplexExp, {1e4, -4}, {-kInf, kInf}},
        {"exp(inf)", ComplexExp, {kInf, 0}, {kInf, 0}},
        {"exp(709.9 + pi/2 i)", ComplexExp, {709.9, kHalfPi}, {1.2377517789083512e+292, kInf}},
        {"exp(709 + i)", ComplexExp, {709, 1}, {4.4404245020420765e+307, 6.915551420227227e+307}},
        {"exp(-800 + i)", ComplexExp, {-800, 1}, {0, 0}},
        {"sin 710i", ComplexSin, {0, 710}, {0, kInf}},
        {"cosh 710", ComplexCosh, {710, 0}, {kInf, 0}},
        // tan and tanh at and near their poles.
        {"tan pi/2", ComplexTan, {kHalfPi, 0}, {1.633123935319537e+16, 0}},
        {"tan(pi/2 + 1e-10 i)", ComplexTan, {kHalfPi, 1e-10}, {6123.233995734469, 9999999999.99625}},
        {"tan(pi/2 + 1e-17 i)", ComplexTan, {kHalfPi, 1e-17}, {1.5906985140633388e+16, 2597807817194060.0}},
        {"tan(pi/2 - 1e-9 + 1e-12 i)", ComplexTan, {1.5707963257948965, 1e-12}, {999998856.0287417, 999998.7120562161}},
        {"tan(-pi/2 + 3e-9 i)", ComplexTan, {-kHalfPi, 3e-9}, {-6.803593328596404, 333333333.3333332}},
        {"tanh(1e-10 + pi/2 i)", ComplexTanh, {1e-10, kHalfPi}, {9999999999.99625, 6123.233995734469}},
        {"tanh(pi/2 i)", ComplexTanh, {0, kHalfPi}, {0, 1.633123935319537e+16}},
        {"tanh(-2e-17 - pi/2 i)", ComplexTanh, {-2e-17, -kHalfPi}, {-4819974603294649.0, -1.4756916174740814e+16}},
        // asinh and acosh for tiny and huge arguments.
        {"asinh 1e-20", ComplexAsinh, {1e-20, 0}, {1e-20, 0}},
        {"asinh -1e8", ComplexAsinh, {-1e8, 0}, {-19.11382792451231, 0}},
        {"asinh 1e200", ComplexAsinh, {1e200, 0}, {461.2101657793691, 0}},
        {"asinh(-1e200 + i)", ComplexAsinh, {-1e200, 1}, {-461.2101657793691, 1e-200}},
        {"asinh(1e-20 + 1e-20 i)", ComplexAsinh, {1e-20, 1e-20}, {1e-20, 1e-20}},
        {"asinh(-3 + 1e-10 i)", ComplexAsinh, {-3, 1e-10}, {-1.8184464592320668, 3.1622776601683794e-11}},
        {"asinh 1e-300 i", ComplexAsinh, {0, 1e-300}, {0, 1e-300}},
        {"asinh(-1e8 + 1e8 i)", ComplexAsinh, {-1e8, 1e8}, {-19.460401514792284, 0.7853981633974483}},
        {"asinh(1e-12 + 0.5i)", ComplexAsinh, {1e-12, 0.5}, {1.1547005383792514e-12, 0.5235987755982989}},
        {"acosh 1e200", ComplexAcosh, {1e200, 0}, {461.2101657793691, 0}},
        {"acosh(1 + 1e-10 i)", ComplexAcosh, {1, 1e-10}, {1.0000000000083334e-05, 9.999999999916666e-06}},
        {"acosh(-1e8 + 1e-10 i)", ComplexAcosh, {-1e8, 1e-10}, {19.11382792451231, kPi}},
        {"acosh(1e200 + 1e200 i)", ComplexAcosh, {1e200, 1e200}, {461.55673936964905, 0.7853981633974483}},
        {"acosh(0.5 + 1e-20 i)", ComplexAcosh, {0.5, 1e-20}, {1.1547005383792515e-20, 1.0471975511965979}},
        {"acosh(-1e-20 + 2i)", ComplexAcosh, {-1e-20, 2}, {1.4436354751788103, kHalfPi}},
        {"acosh(-1e-8 - 1e-8 i)", ComplexAcosh, {-1e-8, -1e-8}, {1e-08, -1.5707963367948967}},
        {"acosh(-1e150 - 1e-150 i)", ComplexAcosh, {-1e150, -1e-150}, {346.0809111296668, -kPi}},
        // On the cuts the logarithmic form decides: the upper root of a
        // negative number, and acosh's solution with the real part >= 0.
        {"asinh 2i", ComplexAsinh, {0, 2}, {1.3169578969248168, kHalfPi}},
        {"asinh -2i", ComplexAsinh, {0, -2}, {-1.3169578969248168, -kHalfPi}},
        {"asinh -1e8 i", ComplexAsinh, {-0.0, -1e8}, {-19.11382792451231, -kHalfPi}},
        {"acosh -2", ComplexAcosh, {-2, 0}, {1.3169578969248168, -kPi}},
        {"acosh -1e8", ComplexAcosh, {-1e8, 0}, {19.11382792451231, -kPi}},
        {"acosh 0.5", ComplexAcosh, {0.5, 0}, {0, 1.0471975511965979}},
        {"acosh -3i", ComplexAcosh, {0, -3}, {1.8184464592320668, -kHalfPi}},
    };
    for (const Case& c : cases)
        ExpectPartsWithinUlps(c.f(c.z), c.expected, 4, c.what);
}

// Far from the real axis sinh and cosh overflow together; tan and tanh then
// settle on +-i and +-1 instead of inf / inf.
TEST(ComplexLibrary, TanAndTanhSaturateInsteadOfOverflowing)
{
    ExpectExact(ComplexTanh(Re(400)), {1, 0}, "tanh 400");
    ExpectExact(ComplexTanh(Re(-400)), {-1, 0}, "tanh -400");
    ExpectNear(ComplexTanh({400, 1}), {1, 0}, kEps, "tanh(400 + i)");
    ExpectExact(ComplexTan({0, 400}), {0, 1}, "tan 400i");
    ExpectNear(ComplexTan({1, -400}), {0, -1}, kEps, "tan(1 - 400i)");
    ExpectNear(ComplexCoth(Re(400)), {1, 0}, 0, "coth 400");
    // Short of the overflow, and on the axes with zeros of either sign.
    EXPECT_LE(UlpsOff(ComplexTanh({300, 0.5}), std::tanh(Std(300, 0.5))), 4);
    for (ComplexValue z : SamplePoints(3, 200)) {
        for (ComplexValue w : {z, ComplexValue{z.re, -0.0}, ComplexValue{-0.0, z.im}, ComplexValue{z.re * 100, z.im}}) {
            ComplexValue t = ComplexTan(w);
            Std expected = std::tan(ToStd(w));
            EXPECT_LE(UlpsOff(t, expected), 4) << "tan at " << w.re << " + " << w.im << "i";
            if (w.re == 0)
                EXPECT_EQ(std::signbit(t.re), std::signbit(w.re)) << "tan at " << w.re << " + " << w.im << "i";
            if (w.im == 0)
                EXPECT_EQ(std::signbit(t.im), std::signbit(w.im)) << "tan at " << w.re << " + " << w.im << "i";
        }
    }
}

TEST(ComplexLibrary, RealOnlyFunctionsRefuseNonRealOperands)
{
    const ComplexValue z{3, 2};
    ComplexValue (*const unary[])(ComplexValue) = {ComplexSign, ComplexFloor, ComplexCeil, ComplexFactorial};
    for (auto f : unary) {
        ExpectUndefined(f(z), "unary real-only");
        ExpectUndefined(f({1, kNaN}), "unary real-only, NaN imaginary part");
    }
    ComplexValue (*const binary[])(ComplexValue, ComplexValue) = {
        ComplexAtan2Positive, ComplexHypot, ComplexMod, ComplexMin, ComplexMax, ComplexBinomial, ComplexBesselJ};
    for (auto f : binary) {
        ExpectUndefined(f(Re(3), z), "binary real-only, second operand");
        ExpectUndefined(f(z, Re(3)), "binary real-only, first operand");
    }
    ExpectUndefined(ComplexMin(Re(3), {0, 2}), "min(3, 2i)");

    // With real operands (a -0 imaginary part counts) they are the real
    // functions of the real parts.
    struct Case {
        const char* what;
        ComplexValue actual;
        double expected;
    };
    const Case cases[] = {
        {"angle of (0, -1)", ComplexAtan2Positive(Re(0), Re(-1)), 3 * kPi / 2},
        {"angle of (1, 0)", ComplexAtan2Positive(Re(1), Re(0)), 0},
        {"angle of (-1, 0)", ComplexAtan2Positive(Re(-1), Re(0)), kPi},
        {"hypot(3, 4)", ComplexHypot(Re(3), Re(4)), 5},
        {"sign 0", ComplexSign(Re(0)), 0},
        {"sign -3", ComplexSign({-3, -0.0}), -1},
        {"floor -1.5", ComplexFloor(Re(-1.5)), -2},
        {"ceil -1.5", ComplexCeil(Re(-1.5)), -1},
        {"5!", ComplexFactorial(Re(5)), 120},
        {"mod(-1, 3)", ComplexMod(Re(-1), Re(3)), 2},
        {"min(3, 2)", ComplexMin(Re(3), Re(2)), 2},
        {"max(2, 3)", ComplexMax(Re(2), Re(3)), 3},
        {"min(NaN, 2)", ComplexMin(Re(kNaN), Re(2)), kNaN},
        {"min(2, NaN)", ComplexMin(Re(2), Re(kNaN)), 2},
        {"5 choose 2", ComplexBinomial(Re(5), Re(2)), 10},
        {"J0(0)", ComplexBesselJ(Re(0), Re(0)), 1},
    };
    for (const Case& c : cases)
        ExpectExact(c.actual, Re(c.expected), c.what);
    ExpectNear(ComplexBesselJ(Re(1), Re(2.5)), Re(RealBesselJ(1, 2.5)), 0, "J1(2.5)");
}

TEST(ComplexLibrary, RelationsAndLogicGiveExactTruthValues)
{
    const ComplexValue t{1, 0};
    const ComplexValue f{0, 0};
    const ComplexValue undefined{kNaN, kNaN};
    struct Case {
        const char* what;
        ComplexValue actual;
        ComplexValue expected;
    };
    const Case cases[] = {
        {"1 < 2", ComplexLess(Re(1), Re(2)), t},
        {"1 < 2i", ComplexLess(Re(1), {0, 2}), f},
        {"2i < 1", ComplexLess({0, 2}, Re(1)), f},
        {"NaN < 1", ComplexLess(undefined, Re(1)), f},
        {"2 > 1", ComplexGreater(Re(2), Re(1)), t},
        {"2 <= 2 - 0i", ComplexLessEqual(Re(2), {2, -0.0}), t},
        {"2 >= 3", ComplexGreaterEqual(Re(2), Re(3)), f},
        {"i = i", ComplexEqualTruth(kI, kI), t},
        {"i = -i", ComplexEqualTruth(kI, {0, -1}), f},
        {"NaN = NaN", ComplexEqualTruth(undefined, undefined), f},
        {"Not 2", ComplexNot(Re(2)), t},
        {"Not 1", ComplexNot(Re(1)), f},
        {"Not NaN", ComplexNot(undefined), t},
        {"Not (1 + i)", ComplexNot({1, 1}), t},
        {"1 And 2", ComplexAnd(Re(1), Re(2)), f},
        {"1 And 1", ComplexAnd(t, t), t},
        {"0 Or 1", ComplexOr(f, t), t},
        {"2 Or NaN", ComplexOr(Re(2), undefined), f},
    };
    for (const Case& c : cases)
        ExpectExact(c.actual, c.expected, c.what);

    EXPECT_TRUE(ComplexEquals({1, 2}, {1, 2}));
    EXPECT_FALSE(ComplexEquals({kNaN, 2}, {kNaN, 2}));
    EXPECT_TRUE(ComplexDiffers({kNaN, 2}, {kNaN, 2}));
    EXPECT_FALSE(ComplexDiffers({0, 0}, {-0.0, -0.0}));
    ExpectUndefined(ComplexUndefinedValue(), "the undefined value");
}

}  // namespace
