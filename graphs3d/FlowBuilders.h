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
// Codes 77, 78, 79: a grid on a parametric surface in (x, y, z), (r, theta,
// phi) or (r, theta, z); codes 68-76: on an explicit surface.
void BuildFlowFromParametricSurface(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromSphericalSurface(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromCylindricalSurface(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromXOfYZ(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromYOfZX(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromZOfYX(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromSphericalR(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromSphericalTheta(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromSphericalPhi(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromCylindricalR(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromCylindricalZ(GraphSet& set, BuilderArguments& arguments);
void BuildFlowFromCylindricalTheta(GraphSet& set, BuilderArguments& arguments);

// With a map of space and a plot in the first view: the plot's flow lines
// mapped into the second view, as the last row's companion. Arrows have no
// lines to map and get none.
void AddMappedFlow(GraphSet& set, const TransformRecord* transform, int32_t primed, AVectorFieldOrDEPlot* plot);

// Enters the builders above in the factory's table; at start-up.
void RegisterFlowBuilders();
