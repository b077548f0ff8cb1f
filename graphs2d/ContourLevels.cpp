#include "graphs2d/ContourLevels.h"

#include "graphs2d/CurveNumerics.h"

#include <cfloat>
#include <cmath>

namespace {

// 10^k by repeated multiplication, so that the powers the level choice
// uses are the same on every machine.
double PowerOfTen(int32_t k)
{
    double p = 1;
    for (; k > 0; --k)
        p *= 10;
    for (; k < 0; ++k)
        p *= 0.1;
    return p;
}

}  // namespace

int32_t ContourLevelCount(double resolution)
{
    if (std::isnan(resolution))
        resolution = 0.5;
    resolution = std::fmin(1.0, std::fmax(0.0, resolution));
    return static_cast<int32_t>(resolution * 20 + 4 + 0.5);
}

double NiceNumberBetween(double a, double b)
{
    const int32_t e = static_cast<int32_t>(std::floor(std::log10(b - a)));
    double p = PowerOfTen(-(e + 1));
    if (std::floor(p * b) == std::ceil(p * a))
        return std::floor(p * b) / p;
    p *= 10;
    const double middle = (a + b) / 2;
    double best = std::ceil(p * a) / p;
    // The span covers fewer than about eleven steps of the finer power.
    for (double k = std::ceil(p * a), last = std::floor(p * b), guard = 0; k <= last && guard < 32; ++k, ++guard) {
        if (std::fabs(k / p - middle) < std::fabs(best - middle))
            best = k / p;
    }
    return best;
}

double NiceStep(double x)
{
    const double q = PowerOfTen(-static_cast<int32_t>(std::floor(std::log10(x))));
    const double r = RoundToSignificantDigits(x, 1);
    if (std::fabs(r - x) * q < 0.33)
        return r;
    return (std::trunc(x * q) + 0.5) / q;
}

bool ChooseContourLevels(double a, double b, int32_t n, double* out)
{
    // A span that overflows, or one too small for its powers of ten to be
    // formed, has no levels to offer.
    const double span = b - a;
    if (!(span >= DBL_MIN) || !std::isfinite(span) || n < 1 || n > kMaxContourLevels)
        return false;
    const double nice = NiceNumberBetween(a, b);
    const double step = NiceStep(span / n);
    if (!(step > 0) || !std::isfinite(step))
        return false;
    int32_t up = static_cast<int32_t>(std::trunc((b - nice) / step));
    int32_t down = static_cast<int32_t>(std::trunc((nice - a) / step));
    // Drop a level on the side with the smaller margin, but never more
    // levels than a side has: a side cut below none would push the 0
    // level past the last one.
    while (up + down + 1 > n) {
        const bool lowerMarginSmaller = (nice - a) - down * step < (b - nice) - up * step;
        if ((lowerMarginSmaller && down > 0) || up == 0)
            --down;
        else
            --up;
    }
    if (down < 0)
        down = 0;
    out[0] = nice - down * step;
    for (int32_t k = 1; k < n; ++k)
        out[k] = out[k - 1] + step;
    if (nice == 0 && down < n)
        out[down] = 0;
    return true;
}
