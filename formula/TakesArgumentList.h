// The kinds whose operand may be a comma list standing for several operands.
#pragma once

#include <cstdint>

// mod, min, max, clamp, slider, Sum, Count, Mean, StdDev, Rotate,
// Interpolate, And, Or.
bool TakesArgumentList(int32_t kind);
