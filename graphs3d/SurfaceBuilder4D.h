// The graph factory's builders of the 4D view's surfaces: a surface given
// by four formulas of u and v, and a complex function w = f(z) shown as
// (x, y, Re f, Im f) over the view's x and y ranges.
#pragma once

class GraphSet;
struct BuilderArguments;

// Form codes 21 and 22.
void BuildSurface4D(GraphSet& set, BuilderArguments& arguments);
void BuildComplexFunction4D(GraphSet& set, BuilderArguments& arguments);

// Enters the builders above in the factory's table; at start-up.
void RegisterSurfaceBuilder4D();
