// How a 2D view maps world coordinates onto pixels; every 2D plot of the
// view reads it.
#pragma once

struct ViewMapping {
    double originX = 0.0;  // pixel column of world x = 0
    double originY = 0.0;  // pixel row of world y = 0
    double unitsPerPixelX = 1.0;
    double unitsPerPixelY = 1.0;  // positive: world y grows upwards
};
