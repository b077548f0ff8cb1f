// The graph factory's builders of 3D vector fields and first-order systems:
// the field equation, with d/dt (x, y, z) on the left for flow lines or
// (dx, dy, dz) for arrows, drawn from a set of start points chosen by the
// form: a lattice filling the box, one point, an implicit surface or a grid
// on a parametric or explicit surface.
#pragma once

#include <cstdint>

class AVectorFieldOrDEPlot;
class GraphSet;
struct BuilderArguments;
struct TransformRecord;

// Form code 17: a lattice.
void BuildField3D(GraphSet& set, BuilderArguments& arguments);
// Code 36: one start point.
void BuildFlowFromPoint(GraphSet& set, BuilderArguments& arguments);
// Code 67: an implicit surface.
void BuildFlowFromImplicitSurface(GraphSet& set, BuilderArguments& arguments);
// Codes 68-79, a grid on an explicit or parametric surface, are entered by
// RegisterFlowBuilders.

// With a map of space and a plot in the first view: the plot's flow lines
// mapped into the second view, as the last row's companion. Arrows have no
// lines to map and get none.
void AddMappedFlow(GraphSet& set, const TransformRecord* transform, int32_t primed, AVectorFieldOrDEPlot* plot);

// Enters the builders above in the factory's table; at start-up.
void RegisterFlowBuilders();
