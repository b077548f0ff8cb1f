// Regions: shapes made of rectangles, owned by whoever made them.
#pragma once

#include "CoreUtilities/ShortRect.h"

struct RegionData;
using Region = RegionData*;

// A new empty region, or null when memory is short.
Region NewRegion();
void DisposeRegion(Region g);
void SetRegionToRect(Region g, const ShortRect& r);
void SetRegionEmpty(Region g);
void UnionRegions(Region a, Region b, Region dst);
bool PointInRegion(ShortPoint p, Region g);
bool IsRegionEmpty(Region g);
