// The graph factory's builder of an equation in x, y and z that is no
// explicit surface: the implicit surface of the difference of its sides in
// the 3D view the statement belongs to.
#pragma once

class GraphSet;
struct BuilderArguments;

// Form code 30.
void BuildImplicitSurface(GraphSet& set, BuilderArguments& arguments);

// Enters the builder in the factory's table; at start-up.
void RegisterImplicitSurfaceBuilder();
