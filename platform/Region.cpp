#include "platform/Region.h"

#include "platform/RegionData.h"

#include <new>

Region NewRegion()
{
    return new (std::nothrow) RegionData;
}

void DisposeRegion(Region g)
{
    delete g;
}

void SetRegionToRect(Region g, const ShortRect& r)
{
    if (!g)
        return;
    if (IsShortRectEmpty(r))
        g->area = QRegion();
    else
        g->area = QRegion(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void SetRegionEmpty(Region g)
{
    if (g)
        g->area = QRegion();
}

void UnionRegions(Region a, Region b, Region dst)
{
    if (a && b && dst)
        dst->area = a->area.united(b->area);
}

bool PointInRegion(ShortPoint p, Region g)
{
    return g && g->area.contains(QPoint(p.h, p.v));
}

bool IsRegionEmpty(Region g)
{
    return !g || g->area.isEmpty();
}
