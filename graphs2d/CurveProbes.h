// What the explicit-curve sampling and its queries share: the relative
// tolerance of an interval and the fractions of a column at which a
// function and its derivative are probed for a change of direction.
#pragma once

#include <cfloat>
#include <cmath>

// Half an ulp of the interval's larger end, relative to its magnitude.
inline double ParameterTolerance(double a, double b)
{
    return (std::fabs(a) + std::fabs(b)) * DBL_EPSILON * 0.5;
}

// Fractions of the column width from its near edge.
inline constexpr double kDerivativeProbes[] = {1.0,   0.005, 0.196, 0.216, 0.341, 0.449, 0.549,
                                               0.637, 0.748, 0.845, 0.909, 0.047, 0.175, 0.217,
                                               0.343, 0.496, 0.596, 0.651, 0.729, 0.891, 0.922};
inline constexpr double kValueProbes[] = {0.005, 0.047, 0.175, 0.196, 0.216, 0.217, 0.341,
                                          0.343, 0.449, 0.496, 0.549, 0.596, 0.637, 0.651,
                                          0.729, 0.748, 0.845, 0.891, 0.909, 0.922, 1.0};
