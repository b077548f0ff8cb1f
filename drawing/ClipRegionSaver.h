// Clips the port's device context to a rectangle for a scope and puts the
// previous clip back at its end.
#pragma once

#include "CoreUtilities/ShortRect.h"
#include "platform/Region.h"

class ClipRegionSaver {
public:
    // Without the equation view or a port device context the saver does
    // nothing; while the view prints it clips only when forced.
    explicit ClipRegionSaver(const ShortRect& r, bool force = false);
    ~ClipRegionSaver();
    ClipRegionSaver(const ClipRegionSaver&) = delete;
    ClipRegionSaver& operator=(const ClipRegionSaver&) = delete;

private:
    Region saved_ = nullptr;  // the clip before, or null when there was none
    bool active_ = false;
};
