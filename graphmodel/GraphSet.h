// The set of graph views the graph pane shows: what the pane's drawing,
// cursors and idle timer ask of it.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/Region.h"

#include <cstdint>

class GraphSet {
public:
    virtual ~GraphSet();

    // Draws the views the part code selects (0 the active view, 1 the second
    // view, 2 both with their frames, 3 the shown 2D views, 4 the shown 3D
    // and 4D views, 5 the shown views that own a GL window) into their
    // drawing surfaces.
    virtual void Draw(int32_t part, int32_t flag);
    // Fills g with the union of the shown views' axis-drag zones.
    virtual void GetAxisHitRegion(Region g, int32_t reserved);
    // Fills g with the union of the shown views' graph-grab zones for the cursor point.
    virtual void GetGraphHitRegion(Region g, int32_t reserved, ShortPoint cursor);
    // The active or the second view spins.
    virtual bool IsSpinning() const;
};
