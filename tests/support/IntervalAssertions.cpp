#include "support/IntervalAssertions.h"

#include <cmath>

namespace {

bool SameEnd(double actual, double expected, double tolerance)
{
    if (std::isnan(actual) || std::isnan(expected))
        return std::isnan(actual) && std::isnan(expected);
    return actual == expected || std::fabs(actual - expected) <= tolerance * (1 + std::fabs(expected));
}

// How far actual lies from expected on the side given (down: below), in
// doubles; negative when on the other side.
double StepsOutward(double actual, double expected, bool down)
{
    double steps = 0;
    for (double v = expected; v != actual && steps <= 1000; ++steps)
        v = std::nextafter(v, down ? -INFINITY : INFINITY);
    return steps > 1000 ? -1 : steps;
}

}  // namespace

::testing::AssertionResult EnclosesClosely(Interval actual, Interval expected, int ulps)
{
    auto outward = [ulps](double a, double e, bool down) {
        if (std::isnan(a) || std::isnan(e) || std::isinf(e))
            return SameEnd(a, e, 0);
        double steps = StepsOutward(a, e, down);
        return steps >= 0 && steps <= ulps;
    };
    if (outward(actual.lo, expected.lo, true) && outward(actual.hi, expected.hi, false))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "[" << actual.lo << ", " << actual.hi << "] does not closely enclose ["
                                         << expected.lo << ", " << expected.hi << "]";
}

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

::testing::AssertionResult ComplexEnclosesClosely(ComplexInterval actual, ComplexInterval expected, int ulps)
{
    ::testing::AssertionResult re = EnclosesClosely(actual.re, expected.re, ulps);
    if (!re)
        return re << " (real part)";
    ::testing::AssertionResult im = EnclosesClosely(actual.im, expected.im, ulps);
    if (!im)
        return im << " (imaginary part)";
    return ::testing::AssertionSuccess();
}
