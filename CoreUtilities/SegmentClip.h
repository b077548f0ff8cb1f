// Clipping of line segments to boxes, so that a line is stepped only over
// the part of it that can show, however far its ends lie outside.
#pragma once

#include <cstdint>

// The part of the segment p(t) = (x0, y0) + t (x1 - x0, y1 - y0), t in
// [0, 1], inside the closed box [left, right] x [top, bottom] (Liang-Barsky):
// false when the segment misses the box, else its parameters t0 <= t1.
bool ClipSegmentToBox(double x0, double y0, double x1, double y1, double left, double top, double right,
                      double bottom, double& t0, double& t1);

// For a line stepped one pixel at a time along its major axis, step i of
// `steps` lying i / steps of the way from (x0, y0) to (x1, y1): the steps
// [first, last] (within [0, steps]) that can land on a pixel of the inclusive
// pixel box, with a step of slack for the rounding of the minor coordinate.
// False when none can; callers still test each pixel.
bool ClipLineSteps(double x0, double y0, double x1, double y1, int left, int top, int right, int bottom,
                   int64_t steps, int64_t& first, int64_t& last);
