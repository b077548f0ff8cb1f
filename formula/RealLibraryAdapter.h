// The numeric functions the simplifier folds with. They must give the values
// the real interpreter gives, so that a folded formula evaluates as the
// unfolded one did; this is the one place that says which functions those are.
#pragma once

#include <cmath>

// Gamma(x + 1) for the small whole numbers the simplifier folds.
inline double FoldedFactorial(double x)
{
    double product = 1;
    for (double factor = 2; factor <= x; ++factor)
        product *= factor;
    return product;
}

// a - b floor(a / b): the sign of b.
inline double FoldedMod(double a, double b)
{
    return a - b * std::floor(a / b);
}
