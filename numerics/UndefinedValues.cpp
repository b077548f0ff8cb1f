#include "numerics/UndefinedValues.h"

#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// Right from the start, so that nothing reads a zero before the engine starts.
double UndefinedReal = kNaN;
double PositiveInfinity = std::numeric_limits<double>::infinity();
Interval UndefinedInterval{kNaN, kNaN};
ComplexValue UndefinedComplex{kNaN, kNaN};
ComplexInterval UndefinedComplexInterval{{kNaN, kNaN}, {kNaN, kNaN}};
