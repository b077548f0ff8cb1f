// The graph factory's builders of the forms drawn as surfaces over a (u, v)
// grid: explicit surfaces in rectangular, cylindrical and spherical
// coordinates, parametric surfaces, and expressions graphed as z = the
// expression. In a 2D view the forms that can also lie flat become a
// density or contour plot by the line's XYType.
#pragma once

#include <cstdint>

class AGraphColor;
class A3DGraphView;
class GraphSet;
struct BuilderArguments;
struct FormulaNode;
struct TransformRecord;

// X, Y and Z of the explicit form of the code (5-14) for f, the right side
// already written in u and v; the trees are new and f stays the caller's.
// False, nothing made, for any other code.
bool ExplicitSurfaceCoordinates(int32_t code, const FormulaNode* f, FormulaNode** x, FormulaNode** y,
                                FormulaNode** z);
// X, Y and Z of the column of a parametric surface in u and v: as typed
// (codes 26 and 58), (r, theta, phi) in spherical (27) or (r, theta, z) in
// cylindrical coordinates (28). New trees; false, nothing made, when the
// column has no three entries.
bool ParametricSurfaceCoordinates(int32_t code, const FormulaNode* column, FormulaNode** x, FormulaNode** y,
                                  FormulaNode** z);
// The view's u and v ranges of the explicit form of the code (5-14) and the
// parameter slots it marks (-1 for none); false for any other code.
bool ExplicitSurfaceRanges(int32_t code, A3DGraphView& view, const double** uMin, const double** uMax,
                           const double** vMin, const double** vMax, int32_t (&slots)[2]);
// A copy of the right side of an explicit form with its two free variables
// renamed to u and v; null for a code without a parametrisation.
FormulaNode* ExplicitSurfaceParameterised(int32_t code, const FormulaNode* rightSide);

// Form codes 5 and 13, 6, 7; 8, 9, 10 (spherical); 11, 12, 14
// (cylindrical); 58, 26, 27, 28 (parametric); 33 and 41.
void BuildZOfXY(GraphSet& set, BuilderArguments& arguments);
void BuildXOfYZ(GraphSet& set, BuilderArguments& arguments);
void BuildYOfXZ(GraphSet& set, BuilderArguments& arguments);
void BuildSphericalR(GraphSet& set, BuilderArguments& arguments);
void BuildSphericalTheta(GraphSet& set, BuilderArguments& arguments);
void BuildSphericalPhi(GraphSet& set, BuilderArguments& arguments);
void BuildCylindricalR(GraphSet& set, BuilderArguments& arguments);
void BuildCylindricalZ(GraphSet& set, BuilderArguments& arguments);
void BuildCylindricalTheta(GraphSet& set, BuilderArguments& arguments);
void BuildParametricSurface(GraphSet& set, BuilderArguments& arguments);
void BuildParametricSurfaceXYZ(GraphSet& set, BuilderArguments& arguments);
void BuildSphericalParametricSurface(GraphSet& set, BuilderArguments& arguments);
void BuildCylindricalParametricSurface(GraphSet& set, BuilderArguments& arguments);
void BuildExpressionInXY(GraphSet& set, BuilderArguments& arguments);
void BuildExpressionInZ(GraphSet& set, BuilderArguments& arguments);

// The surface's companion in the second 3D view under the document's map of
// space (kind 4): the map applied to the point (x, y, z) of the surface, the
// conditions and the colour's formulas read at the surface's own point,
// over the same ranges. Nothing for primed 1 or another kind. The trees and
// the colour stay the caller's.
void AddMappedSurface(GraphSet& set, const TransformRecord* transform, int32_t primed, const FormulaNode* x,
                      const FormulaNode* y, const FormulaNode* z, const FormulaNode* conditions, int32_t plottingMode,
                      const AGraphColor* colour, double grain, double opacity, const double* uMin,
                      const double* uMax, const double* vMin, const double* vMax);

// Enters the builders above in the factory's table; at start-up.
void RegisterSurfaceBuilders();
