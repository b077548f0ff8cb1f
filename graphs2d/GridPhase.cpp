#include "graphs2d/GridPhase.h"

#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>

namespace {

// n mod m in [0, m).
int32_t Modulo(int32_t n, int32_t m)
{
    const int32_t r = n % m;
    return r < 0 ? r + m : r;
}

}  // namespace

GridPhase ComputeGridPhase(const ViewMapping& mapping, int32_t spacing)
{
    const ShortRect& r = mapping.rect;
    GridPhase phase;
    const int32_t p = mapping.XToPixelChecked(0);
    phase.x = r.left < p && p < r.right ? Modulo(p, spacing) - 6 : spacing / 2;
    const int32_t q = mapping.YToPixelChecked(0);
    phase.y = r.top < q && q < r.bottom ? Modulo(r.bottom - q, spacing) : spacing / 2;
    return phase;
}

double HeldGrain(double resolution)
{
    return std::isnan(resolution) ? 0.5 : std::clamp(resolution, 0.0, 1.0);
}
