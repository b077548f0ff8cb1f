#include "formula/SimplifierArithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(SimplifierArithmeticTest, WholeValuesAreThe32BitIntegers)
{
    for (double value : {0.0, -0.0, 7.0, -7.0, 2147483647.0, -2147483648.0})
        EXPECT_TRUE(IsWholeValue(value)) << value;
    // Beyond the integers, NaN and the infinities are not whole, and nothing
    // out of range is ever converted.
    const double kInfinity = std::numeric_limits<double>::infinity();
    for (double value : {0.5, -2.5, 2147483648.0, -2147483649.0, 1e10, -1e300, std::nan(""), kInfinity, -kInfinity})
        EXPECT_FALSE(IsWholeValue(value)) << value;
}

TEST(SimplifierArithmeticTest, GreatestCommonDivisors)
{
    struct Case {
        double a, b, gcd;
    };
    const Case cases[] = {
        {12, 18, 6},
        {-12, 18, 6},
        {12, -18, 6},
        {0, 5, 5},
        {0, 0, 0},
        {7, 13, 1},
        {-2147483648.0, -2147483648.0, 2147483648.0},
        {-2147483648.0, 6, 2},
        {1.5, 3, 1},
        {1e10, 5, 1},
        {NAN, 4, 1},
        {INFINITY, 4, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GcdOfIntegers(c.a, c.b), c.gcd) << c.a << ", " << c.b;
}

TEST(SimplifierArithmeticTest, BinomialCoefficients)
{
    struct Case {
        int32_t n, k;
        int64_t value;
    };
    const Case cases[] = {
        {5, 0, 1}, {5, 1, 5}, {5, 2, 10}, {5, 3, 10}, {5, 5, 1}, {23, 11, 1352078}, {23, 12, 1352078},
        {5, 6, 0}, {5, -1, 0}, {0, 0, 0}, {-3, 1, 0}, {2, INT32_MIN, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BinomialCoefficient(c.n, c.k), c.value) << c.n << " choose " << c.k;
}

TEST(SimplifierArithmeticTest, PowersByWholeExponents)
{
    EXPECT_EQ(PowerByWholeExponent(2, 10), 1024);
    EXPECT_EQ(PowerByWholeExponent(-3, 3), -27);
    EXPECT_EQ(PowerByWholeExponent(1.5, 1), 1.5);
    EXPECT_EQ(PowerByWholeExponent(10, 400), INFINITY);
    EXPECT_EQ(PowerByWholeExponent(1, 2147483647), 1);
}

}  // namespace
