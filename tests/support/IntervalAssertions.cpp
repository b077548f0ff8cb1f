#include "support/IntervalAssertions.h"

#include <cmath>

namespace {

bool SameEnd(double actual, double expected, double tolerance)
{
    if (std::isnan(actual) || std::isnan(expected))
        return std::isnan(actual) && std::isnan(expected);
    return actual == expected || std::fabs(actual - expected) <= tolerance * (1 + std::fabs(expected));
}

}  // namespace

::testing::AssertionResult SameInterval(Interval actual, Interval expected, double tolerance)
{
    if (SameEnd(actual.lo, expected.lo, tolerance) && SameEnd(actual.hi, expected.hi, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "[" << actual.lo << ", " << actual.hi << "], expected [" << expected.lo
                                         << ", " << expected.hi << "]";
}

::testing::AssertionResult SameComplexInterval(ComplexInterval actual, ComplexInterval expected, double tolerance)
{
    if (SameInterval(actual.re, expected.re, tolerance) && SameInterval(actual.im, expected.im, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "{[" << actual.re.lo << ", " << actual.re.hi << "], [" << actual.im.lo
                                         << ", " << actual.im.hi << "]}, expected {[" << expected.re.lo << ", "
                                         << expected.re.hi << "], [" << expected.im.lo << ", " << expected.im.hi
                                         << "]}";
}
