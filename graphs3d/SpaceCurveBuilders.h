// The graph factory's builders of space curves, 3D points and 3D data plots
// (and, in a 3D view, of the plane curves, which lie in z = 0 there), and of
// the 4D view's curves and point lists. Each adds its graph to the
// statement's view as the statement's row, a mapped copy to the second 3D
// view under a map of space where the form asks for one, and marks the
// range slots it uses.
#pragma once

// Enters the builders in the factory's table: space curves (codes 19, 56,
// 24, 25 over the T range, 40 over the z range of the box), 3D points (63-66),
// 3D data (51-54), the 3D arrow between two points (62) and the 4D view's
// curves and point lists (20, 23); and for the plane-curve
// codes 15, 18, 39 and 55 a builder that makes the space curve in a 3D view
// and leaves the 2D view to the builder registered before; at start-up,
// after the 2D builders.
void RegisterSpaceCurveBuilders();
