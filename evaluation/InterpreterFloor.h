// Floor as the real interpreters take it, one form per build: the x86-64-v3
// build has a rounding instruction; the baseline build, without one, would
// call the library, so it rounds |x| by adding and taking away 2^52, puts
// the sign back and takes 1 off where that rounded up. Exactly floor for
// every double; NaN, infinities and |x| >= 2^52 are whole already.
#pragma once

#include <cmath>

namespace baseline {
inline double Floor(double x)
{
    if (!(std::fabs(x) < 0x1p52))
        return x;
    double t = std::copysign((std::fabs(x) + 0x1p52) - 0x1p52, x);
    return t > x ? t - 1 : t;
}
}  // namespace baseline

#if defined(__x86_64__)
namespace v3 {
__attribute__((target("arch=x86-64-v3"))) inline double Floor(double x)
{
    return std::floor(x);
}
}  // namespace v3
#endif
