// A real interval {lo, hi}: lo <= hi is an ordinary interval, lo > hi stands
// for (-inf, hi] united with [lo, +inf) (an exterior interval), and a NaN end
// is undefined.
#pragma once

#include <cmath>

struct Interval {
    double lo;
    double hi;
};

// An interval used as a truth value: [1, 1] true, [0, 0] false, [0, 1]
// undecided (the operands allow both outcomes), NaN ends undefined.
using TruthInterval = Interval;

inline bool IsUndefinedInterval(Interval x)
{
    return std::isnan(x.lo) || std::isnan(x.hi);
}

inline bool IsExteriorInterval(Interval x)
{
    return x.lo > x.hi;
}

// Both ends exactly equal; NaN never equals anything.
inline bool IntervalEquals(Interval a, Interval b)
{
    return a.lo == b.lo && a.hi == b.hi;
}
