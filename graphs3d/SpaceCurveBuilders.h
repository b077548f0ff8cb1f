// The graph factory's builders of space curves, 3D points and 3D data plots
// (and, in a 3D view, of the plane curves, which lie in z = 0 there). Each
// adds its graph to the statement's 3D view as the statement's row, a
// mapped copy to the second view under a map of space where the form asks
// for one, and marks the range slots it uses.
#pragma once

class GraphSet;
struct BuilderArguments;

// Space curves: codes 19, 56, 24, 25 over the T range, 40 over the z range
// of the box.
void BuildSpaceCurve(GraphSet& set, BuilderArguments& arguments);
void BuildSpaceCurveXYZ(GraphSet& set, BuilderArguments& arguments);
void BuildSphericalSpaceCurve(GraphSet& set, BuilderArguments& arguments);
void BuildCylindricalSpaceCurve(GraphSet& set, BuilderArguments& arguments);
void BuildComplexOfReal(GraphSet& set, BuilderArguments& arguments);
// 3D points: codes 63, 64, 65, 66.
void BuildPointColumn3D(GraphSet& set, BuilderArguments& arguments);
void BuildPointXYZ(GraphSet& set, BuilderArguments& arguments);
void BuildPointCylindrical(GraphSet& set, BuilderArguments& arguments);
void BuildPointSpherical(GraphSet& set, BuilderArguments& arguments);
// 3D data: codes 51, 52, 53, 54.
void BuildDataColumn3D(GraphSet& set, BuilderArguments& arguments);
void BuildDataXYZ(GraphSet& set, BuilderArguments& arguments);
void BuildDataCylindrical(GraphSet& set, BuilderArguments& arguments);
void BuildDataSpherical(GraphSet& set, BuilderArguments& arguments);

// Enters the builders above in the factory's table, and for the plane-curve
// codes 15, 18, 39 and 55 a builder that makes the space curve in a 3D view
// and leaves the 2D view to the builder registered before; at start-up,
// after the 2D builders.
void RegisterSpaceCurveBuilders();
