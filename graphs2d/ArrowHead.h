// The head of an arrow in a 2D view: a small isosceles triangle at the
// arrow's end, antialiased from sixteen samples a pixel and tinted into the
// locked port, so that graph paper and axes show through. Used by arrow and
// vector-field plots and by the view's traced vector.
#pragma once

#include "CoreUtilities/ShortRect.h"

struct ViewMapping;

// The arrow from world (x, y) along (ax, ay); its head's height and base
// are 3, 4 or 5 screen pixels as the arrow is shorter than 5, 6 or longer.
// Nothing for an arrow of no or infinite length. Clipped to the mapping's
// rectangle; the port must be locked.
void DrawArrowHeadAt(double x, double y, double ax, double ay, const ViewMapping& mapping, RgbColor colour);
