// A line's resolution as the 3D graphs use it: a document may hold any
// number there, so sizes and counts made from it are kept to [0, 1], and a
// value that is not a number counts as the middle.
#pragma once

#include <algorithm>
#include <cmath>

inline double LimitGrain(double grain)
{
    return std::isfinite(grain) ? std::clamp(grain, 0.0, 1.0) : 0.5;
}
