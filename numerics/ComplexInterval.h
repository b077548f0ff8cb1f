// A complex interval: a rectangle of the complex plane given by the interval
// of its real part and the interval of its imaginary part (either may be
// exterior); undefined when any bound is NaN.
#pragma once

#include "numerics/Interval.h"

struct ComplexInterval {
    Interval re;
    Interval im;
};

inline bool IsUndefinedComplexInterval(ComplexInterval z)
{
    return IsUndefinedInterval(z.re) || IsUndefinedInterval(z.im);
}

// The imaginary interval is exactly [0, 0] (a zero of either sign).
inline bool IsRealComplexInterval(ComplexInterval z)
{
    return z.im.lo == 0 && z.im.hi == 0;
}
