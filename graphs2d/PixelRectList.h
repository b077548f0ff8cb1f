// Lists of pixel rectangles still to be computed by the plots that fill
// their view in rectangles: the work a stop leaves and a pan or resize
// moves. Coordinates are those of the drawing mapping; moves are in 32 bits,
// so that a pan longer than the 16-bit range clips instead of wrapping.
#pragma once

#include "CoreUtilities/GrowArray.h"
#include "CoreUtilities/ShortRect.h"

#include <cstdint>

using PixelRectList = GrowArray8<ShortRect>;

// The smallest top and the largest bottom of the list; false for an empty
// list (outputs untouched).
bool RowRangeOfRects(const PixelRectList& list, int32_t* top, int32_t* bottom);
// Moves every rectangle by (dx, dy), keeps its part inside clip and drops
// those left empty, the others in order.
void OffsetAndClipRects(PixelRectList& list, int32_t dx, int32_t dy, const ShortRect& clip);
// Queues the parts of whole that moved does not cover: the strips left and
// right of it (full height), above and below it (its width); the strip
// below goes to the front. A refused growth loses that strip only.
void AddUncoveredStrips(PixelRectList& list, const RECT& moved, const ShortRect& whole);
