#include "graphs2d/ViewMapping.h"

#include <cmath>

void ViewMapping::Set(const ShortRect& r, double xOrigin, double yOrigin, double xScale, double yScale,
                      int32_t factor)
{
    rect = r;
    originX = xOrigin;
    originY = yOrigin;
    scaleX = xScale;
    scaleY = yScale;
    unitsPerPixelX = 1.0 / scaleX;
    unitsPerPixelY = -1.0 / scaleY;
    clipMaxX = (kPixelClip - originX) * unitsPerPixelX;
    clipMinX = (-kPixelClip - originX) * unitsPerPixelX;
    clipMinY = -((kPixelClip - originY) * unitsPerPixelY);
    clipMaxY = -((-kPixelClip - originY) * unitsPerPixelY);
    pixelsPerScreenPixelX = factor;
    pixelsPerScreenPixelY = factor;
}

int32_t ViewMapping::XToPixel(double x) const
{
    return static_cast<int32_t>(std::floor(scaleX * x + originX + 0.5));
}

int32_t ViewMapping::YToPixel(double y) const
{
    return static_cast<int32_t>(std::floor(scaleY * y + originY + 0.5));
}

int32_t ViewMapping::XToPixelClipped(double x) const
{
    if (x > clipMaxX)
        return kPixelClip;
    if (x < clipMinX)
        return -kPixelClip;
    return XToPixel(x);
}

int32_t ViewMapping::YToPixelClipped(double y) const
{
    if (y < clipMinY)
        return kPixelClip;
    if (y > clipMaxY)
        return -kPixelClip;
    return YToPixel(y);
}

int32_t ViewMapping::XToPixelChecked(double x) const
{
    return std::isnan(x) ? kNaNPixel : XToPixelClipped(x);
}

int32_t ViewMapping::YToPixelChecked(double y) const
{
    return std::isnan(y) ? kNaNPixel : YToPixelClipped(y);
}

bool ViewMapping::ContainsWorldPoint(double x, double y) const
{
    // 32767 lies outside every 16-bit rectangle, whose bottom and right are
    // exclusive.
    const int32_t v = YToPixelChecked(y);
    const int32_t h = XToPixelChecked(x);
    return v >= rect.top && v < rect.bottom && h >= rect.left && h < rect.right;
}
