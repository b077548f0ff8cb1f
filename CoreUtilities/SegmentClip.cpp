#include "CoreUtilities/SegmentClip.h"

#include <algorithm>
#include <cmath>

bool ClipSegmentToBox(double x0, double y0, double x1, double y1, double left, double top, double right,
                      double bottom, double& t0, double& t1)
{
    double dx = x1 - x0, dy = y1 - y0;
    // Each edge as p t <= q: the segment enters where p < 0 and leaves where p > 0.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
    double enter = 0, leave = 1;
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0)
                return false;  // parallel to the edge and outside it
            continue;
        }
        double t = q[k] / p[k];
        if (p[k] < 0)
            enter = std::max(enter, t);
        else
            leave = std::min(leave, t);
    }
    if (!(enter <= leave))
        return false;
    t0 = enter;
    t1 = leave;
    return true;
}

bool ClipLineSteps(double x0, double y0, double x1, double y1, int left, int top, int right, int bottom,
                   int64_t steps, int64_t& first, int64_t& last)
{
    if (steps < 0 || left > right || top > bottom)
        return false;
    // A pixel is hit when the exact point rounds onto it: within half a pixel
    // of the box. One pixel of margin covers every rounding rule.
    double t0, t1;
    if (!ClipSegmentToBox(x0, y0, x1, y1, left - 1.0, top - 1.0, right + 1.0, bottom + 1.0, t0, t1))
        return false;
    double n = static_cast<double>(steps);
    first = std::max<int64_t>(0, static_cast<int64_t>(std::floor(t0 * n)) - 1);
    last = std::min<int64_t>(steps, static_cast<int64_t>(std::ceil(t1 * n)) + 1);
    return first <= last;
}
