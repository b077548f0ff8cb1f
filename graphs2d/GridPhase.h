// The square grids of vector-field cells and solution-curve seeds: aligned
// with the world origin where it is in view, spacing from the line's grain.
#pragma once

#include <cstdint>

struct ViewMapping;

struct GridPhase {
    // The grid's offset from the left and bottom edges, in drawing pixels.
    int32_t x, y;
};

GridPhase ComputeGridPhase(const ViewMapping& mapping, int32_t spacing);
// The grain held to [0, 1], NaN the middle one: a damaged file may carry
// any value, and the spacings made from it must stay positive.
double HeldGrain(double resolution);
