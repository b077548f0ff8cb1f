// A complex interval: real and imaginary intervals; undefined when any bound
// is NaN.
#pragma once

#include "evaluation/Interval.h"

struct ComplexInterval {
    Interval re;
    Interval im;
};
