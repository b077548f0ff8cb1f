// The piece of a plot near a target point: the nearest plot point within a
// tolerance and where the plot, followed from it both ways, leaves the box
// of that tolerance around the target.
#pragma once

#include <cstdint>

struct PlotPoint {
    double t;
    double x;
    double y;
};

struct NearestPointResult {
    PlotPoint before{0, 0, 0};
    PlotPoint nearest{0, 0, 0};
    PlotPoint after{0, 0, 0};
    // 0 when no plot point lies within the tolerance.
    int32_t found = 0;
};
