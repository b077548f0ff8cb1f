// A real interval {lo, hi}: lo <= hi is an ordinary interval, lo > hi stands
// for (-inf, hi] united with [lo, +inf), and a NaN end is undefined.
#pragma once

struct Interval {
    double lo;
    double hi;
};
