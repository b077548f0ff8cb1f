// The fixed slots of every evaluation frame: the variables the caller
// writes before a run and those a program computes on first use. Local slots
// (loop counters, common subexpressions) follow them.
#pragma once

#include <cstdint>

enum FixedSlot : int32_t {
    SlotU = 0,
    SlotV = 1,
    SlotSlider = 2,  // the document's slider variable
    SlotX = 3,
    SlotY = 4,
    SlotZ = 5,
    SlotW = 6,
    SlotR = 7,                // Hypot(x, y)
    SlotSphericalRadius = 8,  // Hypot(Hypot(x, y), z)
    SlotTheta = 9,
    SlotPhi = 10,
    SlotDataRow = 11,
    FixedSlotCount = 12,
};
