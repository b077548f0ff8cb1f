// Points and lines of the software renderer: the draw entries clip against
// the view, the scan converters write depth-tested pixels or fragments at
// 1x, or a 3 x 3 block and a 1.5-pixel band of lines at 2x. Each returns
// false only when a fragment was refused (the entries then post failure 40).
#pragma once

#include "rendering/ScreenVertex.h"
#include "rendering/SoftwareBuffers.h"

bool RasterizePoint(const ScreenVertex& v, SoftwareTarget& target);
bool ScanPointOrFail(const ScreenVertex& v, SoftwareTarget& target);
bool ScanPoint(const ScreenVertex& v, SoftwareTarget& target);
bool RasterizeLine(const ScreenVertex& a, const ScreenVertex& b, SoftwareTarget& target);
bool ScanLine(const ScreenVertex& a, const ScreenVertex& b, SoftwareTarget& target);

// Whether a point lies in the view, edges included (a NaN does not).
inline bool PointInView(const ScreenVertex& v, const SoftwareTarget& target)
{
    return v.x >= 0 && v.x <= target.viewWidth && v.y >= 0 && v.y <= target.viewHeight;
}
