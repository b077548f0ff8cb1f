// The graph factory's builders of the relations in x and y drawn in the 2D
// views: implicit curves, inequalities, and non-strict inequalities, which
// are shaded as strict ones with their boundary curve drawn in dark grey.
#pragma once

class GraphSet;
struct BuilderArguments;

// Form codes 29, 34 and 35.
void BuildImplicitCurve2D(GraphSet& set, BuilderArguments& arguments);
void BuildInequality2D(GraphSet& set, BuilderArguments& arguments);
void BuildNonStrictInequality2D(GraphSet& set, BuilderArguments& arguments);
