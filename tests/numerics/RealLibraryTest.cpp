#include "numerics/RealLibrary.h"

#include "numerics/TextIdentity.h"

#include <gtest/gtest.h>

#include <boost/math/special_functions/gamma.hpp>

#include <cmath>
#include <cstring>
#include <string>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.141592653589793;

// Exact match, NaN matching NaN; a tolerance > 0 makes the match relative.
void ExpectValue(double actual, double expected, double tolerance, const char* what)
{
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << what << " gave " << actual;
    } else if (tolerance == 0 || std::isinf(expected)) {
        EXPECT_EQ(actual, expected) << what;
    } else {
        EXPECT_NEAR(actual, expected, std::fabs(expected) * tolerance) << what;
    }
}

double ProductUpTo(int n)
{
    double product = 1;
    for (int factor = 2; factor <= n; ++factor)
        product *= factor;
    return product;
}

TEST(RealLibrary, Factorial)
{
    struct Case {
        double x, expected, tolerance;
    };
    const Case cases[] = {
        {0, 1, 0},
        {5, 120, 0},
        {29, ProductUpTo(29), 0},  // exact product in factor order
        {30, ProductUpTo(30), 1e-9},
        {-3, kNaN, 0},
        {0.5, 0.886226925452758, 1e-9},
        {-0.5, 1.7724538509055159, 1e-9},
        {-2.5, boost::math::tgamma(-1.5), 1e-9},
        // The power of the series alone overflows from about 142.
        {150, boost::math::tgamma(151.0), 1e-9},
        {170, boost::math::tgamma(171.0), 1e-9},
        {171, kInf, 0},
        {1000, kInf, 0},
        {kInf, kInf, 0},
        {-200.5, 0, 0},
        {kNaN, kNaN, 0},
    };
    for (const Case& c : cases)
        ExpectValue(RealFactorial(c.x), c.expected, c.tolerance, ("factorial " + std::to_string(c.x)).c_str());
}

TEST(RealLibrary, RationalPowerTakesOddRootsOfNegativeBases)
{
    struct Case {
        double base, q, p, expected;
    };
    const Case cases[] = {
        {-8, 3, 1, -2},  {-8, 3, 2, 4},   {-8, 2, 1, kNaN}, {8, 3, 1, 2},
        {-8, 6, 2, -2},  // 2/6 reduces to 1/3
        {-32, 5, -1, -0.5},
        {-8, kInf, 1, 1},  // pow(-8, 0): no root search on an infinity
        {-8, 0, 1, kInf},  // pow(-8, inf)
    };
    for (const Case& c : cases) {
        ExpectValue(RationalPower(c.base, c.q, c.p), c.expected, 1e-15,
                    ("(" + std::to_string(c.base) + ")^(" + std::to_string(c.p) + "/" + std::to_string(c.q) + ")")
                        .c_str());
    }
}

// Units in the last place between two finite doubles of one sign.
int64_t UlpsApart(double a, double b)
{
    auto order = [](double v) {
        int64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return bits < 0 ? INT64_MIN - bits : bits;
    };
    int64_t d = order(a) - order(b);
    return d < 0 ? -d : d;
}

TEST(RealLibrary, SmallWholePowersStayWithinAFewUlpOfTheLibraryPower)
{
    int64_t worst = 0;
    for (int32_t n = 1; n <= static_cast<int32_t>(kLargestMultipliedPower); ++n) {
        for (double x = -40; x <= 40; x += 0.0371) {
            double exact = std::pow(x, n);
            double ours = RealPower(x, n);
            ASSERT_EQ(std::signbit(ours), std::signbit(exact)) << x << "^" << n;
            worst = std::max(worst, UlpsApart(ours, exact));
        }
    }
    EXPECT_LE(worst, 4);
    // Where the library's answer is exact or special, the same answer, signs
    // of zeros included; other exponents are the library's own.
    const double bases[] = {0.0, -0.0, 1, -1, 2, -2, kInf, -kInf, kNaN, 1e200, -1e-200, 1e-320};
    const double exponents[] = {1, 2, 3, 4, 7, 8, 9, 0, -1, -3, 2.5, 0.5, kInf, -kInf, kNaN};
    for (double x : bases) {
        for (double y : exponents) {
            double expected = std::pow(x, y);
            double got = RealPower(x, y);
            std::string what = std::to_string(x) + "^" + std::to_string(y);
            ExpectValue(got, expected, 0, what.c_str());
            if (expected == 0)
                EXPECT_EQ(std::signbit(got), std::signbit(expected)) << what;
        }
    }
}

TEST(RealLibrary, ModTakesTheSignOfTheDivisor)
{
    EXPECT_EQ(RealMod(-1, 3), 2);
    EXPECT_EQ(RealMod(1, -3), -2);
    EXPECT_EQ(RealMod(7, 3), 1);
    EXPECT_TRUE(std::isnan(RealMod(1, 0)));
    EXPECT_TRUE(std::isnan(RealMod(0, 0)));
}

TEST(RealLibrary, InverseFunctions)
{
    EXPECT_EQ(RealAcot(0), kPi / 2);
    EXPECT_DOUBLE_EQ(RealAcot(-1), 3 * kPi / 4);
    EXPECT_DOUBLE_EQ(RealAcot(1), kPi / 4);
    EXPECT_TRUE(std::isnan(RealAcot(kNaN)));
    // The logarithmic forms cancel here: asinh(-1e8) would be -inf.
    EXPECT_DOUBLE_EQ(RealAsinh(-1e8), -std::log(2e8));
    EXPECT_EQ(RealAtanh(1e-20), 1e-20);
    EXPECT_EQ(RealAtanh(1), kInf);
    EXPECT_TRUE(std::isnan(RealAcosh(0.5)));
}

TEST(RealLibrary, Binomial)
{
    struct Case {
        double n, k, expected, tolerance;
    };
    const Case cases[] = {
        {5, 2, 10, 0},
        {2, 5, 0, 0},
        {2.5, 1, 2.5, 1e-9},  // factorial quotient
        {1000, 0, 1, 0},      // edges of Stirling's form
        {5, 2000, 0, 0},
        {3000, 3000, 1, 0},
        {2000, 1, 2000, 0.1},  // Stirling's approximation
        {1e6, 999000, kInf, 0},
        {-1, 2, kNaN, 0},
    };
    for (const Case& c : cases) {
        ExpectValue(RealBinomial(c.n, c.k), c.expected, c.tolerance,
                    ("binomial " + std::to_string(c.n) + " " + std::to_string(c.k)).c_str());
    }
}

TEST(RealLibrary, AnglesAndBessel)
{
    EXPECT_DOUBLE_EQ(Atan2Positive(1, 1), kPi / 4);
    EXPECT_DOUBLE_EQ(Atan2Positive(1, -1), 3 * kPi / 4);
    EXPECT_DOUBLE_EQ(Atan2Positive(-1, -1), 5 * kPi / 4);
    EXPECT_DOUBLE_EQ(Atan2Positive(-1, 1), 7 * kPi / 4);
    EXPECT_DOUBLE_EQ(Atan2Positive(-1, 0), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(Atan2Positive(0, -1), kPi);
    EXPECT_TRUE(std::isnan(Atan2Positive(kNaN, 1)));
    EXPECT_NEAR(RealBesselJ(0, 1), 0.7651976865579666, 1e-15);
    EXPECT_NEAR(RealBesselJ(0.5, 2), std::sqrt(2 / (kPi * 2)) * std::sin(2), 1e-15);
    // Outside the domain the policy answers NaN instead of throwing.
    EXPECT_TRUE(std::isnan(RealBesselJ(0.5, -2)));
    EXPECT_TRUE(std::isnan(RealBesselJ(kNaN, 1)));
    // Orders the library cannot take are undefined.
    EXPECT_TRUE(std::isnan(RealBesselJ(8.2e53, 4)));
    EXPECT_TRUE(std::isnan(RealBesselJ(-3e9, 1e6)));
    EXPECT_EQ(RealBesselJ(1e6, 4), 0);
}

// Orders past the int range once went through an undefined conversion and
// gave values like 1e300, though |J| <= 1 for real orders of either sign here.
TEST(RealLibrary, BesselOrdersBeyondAMillionAreUndefined)
{
    const struct {
        double order, x;
        bool defined;
    } cases[] = {
        {1e6, 1, true},           {-1e6, 1, true},          {1e6 + 1, 1, false},  {2147483647.0, 1, false},
        {-2147483648.0, 1, false}, {1e10, 2, false},        {-1e10, 2, false},
        {1e300, 0.5, false},      {kInf, 1, false},         {-kInf, 1, false},
        {1e10, 1e10, false},      {40, 1e300, true},        {1e6, 1e6, true},
    };
    for (const auto& c : cases) {
        double j = RealBesselJ(c.order, c.x);
        if (c.defined)
            EXPECT_LE(std::fabs(j), 1.0) << c.order << " " << c.x;
        else
            EXPECT_TRUE(std::isnan(j)) << c.order << " " << c.x;
    }
}

TEST(RealLibrary, RelationsAndLogicWithNaN)
{
    EXPECT_EQ(RealLess(1, kNaN), 0);
    EXPECT_EQ(RealGreaterEqual(kNaN, kNaN), 0);
    EXPECT_EQ(RealEqual(kNaN, kNaN), 0);
    EXPECT_EQ(RealNot(kNaN), 0);
    EXPECT_EQ(RealNot(0), 1);
    EXPECT_EQ(RealNot(2), 0);
    EXPECT_EQ(RealAnd(1, kNaN), 0);
    EXPECT_EQ(RealAnd(1, 2), 0);  // only exactly 1 is true
    EXPECT_EQ(RealOr(kNaN, 1), 1);
    EXPECT_EQ(RealSign(-0.0), 0);
    EXPECT_TRUE(std::isnan(RealSign(kNaN)));
    EXPECT_TRUE(IsWholeNumber(-4) && IsEvenWholeNumber(-4) && !IsEvenWholeNumber(3) && !IsWholeNumber(kNaN));
}

TEST(RealLibrary, TextEquality)
{
    double apple = TextIdentityOf(u"apple");
    double pear = TextIdentityOf(u"pear");
    ASSERT_NE(apple, 0);
    EXPECT_EQ(TextIdentityOf(u"apple"), apple);
    EXPECT_EQ(TextEquals(apple, TextIdentityOf(u"apple")), 1);
    EXPECT_EQ(TextEquals(apple, pear), 0);
    EXPECT_EQ(TextEquals(apple, 0), 0);
    EXPECT_TRUE(std::isnan(TextEquals(kNaN, apple)));
    // Ordinary numbers are never looked up as texts.
    EXPECT_EQ(TextEquals(3, 3), 1);
    EXPECT_EQ(TextEquals(3, 4), 0);
    EXPECT_EQ(TextOfIdentity(1e-310), nullptr);  // an identity never given out

    ComplexValue same = TextEqualsComplex({apple, 0}, {apple, 0});
    EXPECT_EQ(same.re, 1);
    EXPECT_EQ(same.im, 0);
    EXPECT_TRUE(std::isnan(TextEqualsComplex({apple, 1}, {apple, 0}).re));
    Interval truth = TextEqualsInterval({apple, apple}, {pear, pear});
    EXPECT_EQ(truth.lo, 0);
    EXPECT_EQ(truth.hi, 0);
    ComplexInterval boxTruth = TextEqualsComplexInterval({{apple, apple}, {0, 0}}, {{apple, apple}, {0, 0}});
    EXPECT_EQ(boxTruth.re.lo, 1);
    EXPECT_TRUE(std::isnan(TextEqualsComplexInterval({{apple, apple}, {0, 1}}, {{apple, apple}, {0, 0}}).re.lo));
}

}  // namespace
