// Points in space kept in blocks of 1,024 that never move: the start points
// of flows and fields, and a flow line while it is integrated. A refused
// block loses only the point being appended (Push answers 1).
#pragma once

#include "CoreUtilities/ChunkedArray.h"
#include "graphs2d/SpacePoint.h"

static_assert(sizeof(SpacePoint) == 24);

using PointStore = ChunkedArray<SpacePoint, kSampleBlockLength>;
