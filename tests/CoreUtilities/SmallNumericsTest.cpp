#include "CoreUtilities/SmallNumerics.h"

#include "support/BudgetRefusal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool SameValue(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

TEST(SmallNumerics, MaxMinKeepFirstOperandUnlessSecondIsStrictlyBetter)
{
    struct Case {
        double a, b, max, min;
    };
    const Case cases[] = {
        {1, 2, 2, 1},
        {2, 1, 2, 1},
        {1, kNaN, 1, 1},          // a NaN second operand is never chosen
        {kNaN, 1, kNaN, kNaN},    // a NaN first operand is answered
        {kNaN, kNaN, kNaN, kNaN},
        {-0.0, 0.0, -0.0, -0.0},  // equal: the first
        {0.0, -0.0, 0.0, 0.0},
        {-kInf, kInf, kInf, -kInf},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(SameValue(MaxDouble(c.a, c.b), c.max)) << "MaxDouble(" << c.a << ", " << c.b << ")";
        EXPECT_TRUE(SameValue(MinDouble(c.a, c.b), c.min)) << "MinDouble(" << c.a << ", " << c.b << ")";
    }
}

TEST(SmallNumerics, ClampIntTestsLowFirst)
{
    struct Case {
        int32_t value, low, high, result;
    };
    const Case cases[] = {
        {5, 0, 10, 5}, {-3, 0, 10, 0}, {12, 0, 10, 10}, {0, 0, 10, 0}, {10, 0, 10, 10},
        {5, 10, 0, 10},  // low > high: low wins
        {-5, 10, 0, 10},
        {20, 10, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampInt(c.value, c.low, c.high), c.result)
            << "ClampInt(" << c.value << ", " << c.low << ", " << c.high << ")";
}

TEST(SmallNumerics, CeilDouble)
{
    struct Case {
        double x, ceiling;
    };
    const Case cases[] = {{1.2, 2}, {-1.2, -1}, {3, 3}, {-0.5, -0.0}, {kInf, kInf}, {kNaN, kNaN}, {1e300, 1e300}};
    for (const Case& c : cases)
        EXPECT_TRUE(SameValue(CeilDouble(c.x), c.ceiling)) << "CeilDouble(" << c.x << ")";
}

TEST(SmallNumerics, AllocDoubleArrayStoresIntoOutAndFreeAndNullClears)
{
    const double before = MemoryBudgetCount();
    double* values = reinterpret_cast<double*>(1);
    ASSERT_EQ(AllocDoubleArray(values, 100, true), values);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(MemoryBudgetCount() - before, 800.0);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(values[i], 0.0);
    FreeAndNull(values);
    EXPECT_EQ(values, nullptr);
    EXPECT_EQ(MemoryBudgetCount(), before);

    double* refused = reinterpret_cast<double*>(1);
    {
        BudgetRefusal refusal;
        EXPECT_EQ(AllocDoubleArray(refused, 10, false), nullptr);
    }
    EXPECT_EQ(refused, nullptr);
    // A count whose byte size does not fit the budget's sizes is refused, not wrapped.
    for (int32_t count : {-1, 0x20000000, std::numeric_limits<int32_t>::max()}) {
        double* huge = reinterpret_cast<double*>(1);
        EXPECT_EQ(AllocDoubleArray(huge, count, false), nullptr) << count;
        EXPECT_EQ(huge, nullptr);
    }
    EXPECT_EQ(MemoryBudgetCount(), before);
}

}  // namespace
