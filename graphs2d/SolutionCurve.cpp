#include "graphs2d/SolutionCurve.h"

#include "drawing/DrawingPort.h"
#include "graphs2d/ViewMapping.h"

#include <algorithm>
#include <cmath>

namespace {

// Written by the trace job while the user-interface thread waits for it,
// read when that thread draws.
SolutionCurve* tracedCurves[2] = {};

}  // namespace

const SolutionCurve* TracedSolutionCurve(int32_t slot)
{
    return slot == 0 || slot == 1 ? tracedCurves[slot] : nullptr;
}

void HoldTracedSolutionCurves(SolutionCurve* forward, SolutionCurve* backward)
{
    delete tracedCurves[0];
    delete tracedCurves[1];
    tracedCurves[0] = forward;
    tracedCurves[1] = backward;
}

void DrawSolutionCurve(const SolutionCurve& curve, const ViewMapping& mapping)
{
    const ShortRect& r = mapping.rect;
    const WorldPoint centre{((r.left + r.right) / 2.0 - mapping.originX) * mapping.unitsPerPixelX,
                            -((r.top + r.bottom) / 2.0 - mapping.originY) * mapping.unitsPerPixelY};
    const double radius = std::max(std::fabs(mapping.clipMaxX - mapping.clipMinX) / 2,
                                   std::fabs(mapping.clipMinY - mapping.clipMaxY) / 2);
    for (int32_t i = 0; i + 1 < curve.count; ++i) {
        WorldPoint p0 = curve.PointAt(i), p1 = curve.PointAt(i + 1);
        if (!std::isfinite(p0.x) || !std::isfinite(p0.y) || !std::isfinite(p1.x) || !std::isfinite(p1.y))
            continue;
        ClipSegmentToCircle(centre, radius, &p0, &p1);
        PortMoveTo(mapping.XToPixel(p0.x), mapping.YToPixel(p0.y));
        PortLineToIncludingEnd(mapping.XToPixel(p1.x), mapping.YToPixel(p1.y));
    }
}
