// Shape tests of statements: which graph variables stand where, column
// vectors of variables or of functions, derivatives, relations, lists and
// option statements. Pure queries; the document is asked only about its
// parameters, user functions and table columns. Codes are SymbolCodes; an
// empty place is kNoVariable.
#pragma once

#include "formula/DependsOnlyOn.h"

#include <cstdint>

struct DocState;
struct FormulaNode;

// The variable r as the first item of a column vector (r, g, b) that is a
// side of an equation: the red of a colour statement, not a radius.
bool IsColorRedComponent(const FormulaNode* node);
// An item of the column vector (r, g, b) or (h, s, v), or a factor of an
// item of the vector (dx, dy) or (dx, dy, dz): a component that substitutions
// leave alone.
bool IsColorStatement(const FormulaNode* node);
// Some variable of the subtree names a parameter that a parameter-definition
// line of the document defines.
bool UsesDefinedParameter(const FormulaNode* root, const DocState* doc);

bool IsGraphVariableNode(const FormulaNode* node);
// A subscripted name with one subscript over a graph variable (y_1).
bool IsSubscriptedGraphVariable(const FormulaNode* node);
bool IsSubscriptedVariable(const FormulaNode* node, uint32_t code);
// "=" with two sides.
bool IsTwoSidedEquation(const FormulaNode* node);

// Every item after the first is made of constants, variables, relations,
// lists, matrices and operators (true for a list of one item).
bool ExtraItemsAreConstant(const FormulaNode* list, const DocState* doc);
bool IsWellFormedCondition(const FormulaNode* tree, const DocState* doc);
bool HasPlaceholder(const FormulaNode* tree);

// v (or v with one subscript) = f(a, b, c, d), or the mirrored f(a, b, c, d)
// = v unless that other side is a lone graph variable or the statement is a
// "radius" option.
bool IsExplicitFor(const FormulaNode* eq, const DocState* doc, uint32_t v, uint32_t a, uint32_t b,
                   uint32_t c = kNoVariable, uint32_t d = kNoVariable);
// a + i*b.
bool IsComplexPairSum(const FormulaNode* node, uint32_t a, uint32_t b);
// x + i*y = f(v).
bool IsComplexPlaneEquation(const FormulaNode* eq, const DocState* doc, uint32_t v);

// Column vectors of exactly these variables.
bool IsVariablePair(const FormulaNode* node, uint32_t a, uint32_t b);
bool IsVariableTriple(const FormulaNode* node, uint32_t a, uint32_t b, uint32_t c);
bool IsVariableQuad(const FormulaNode* node, uint32_t a, uint32_t b, uint32_t c, uint32_t d);
// (d*x, d*y) and (d*x, d*y, d*z).
bool IsDifferentialPair(const FormulaNode* node);
bool IsDifferentialTriple(const FormulaNode* node);
// Column vectors of 2, 3 or 4 entries that depend only on the codes; with
// every code empty, constant vectors.
bool IsVectorOf2(const FormulaNode* node, uint32_t a, uint32_t b, const DocState* doc);
bool IsVectorOf3(const FormulaNode* node, const DocState* doc, uint32_t a, uint32_t b, uint32_t c);
bool IsVectorOf4(const FormulaNode* node, uint32_t a, uint32_t b, const DocState* doc);
bool IsPlaneVectorOf3(const FormulaNode* node, const DocState* doc);
// Three entries made of constants and any variables.
bool IsColorTriple(const FormulaNode* node, const DocState* doc);

bool IsInequalityKind(int32_t kind);
// And, Or, Not.
bool IsLogicKind(int32_t kind);
// Every argument is a relation or a logic node; one list argument is looked
// into.
bool IsLogicCombination(const FormulaNode* node);
bool IsLogicNode(const FormulaNode* node);
bool AllChildrenPlane(const DocState* doc, const FormulaNode* node);
bool AllChildrenPlaneWithLists(const DocState* doc, const FormulaNode* node);
bool ChildrenDependOnlyOn(const FormulaNode* node, uint32_t a, const DocState* doc, uint32_t b);
// Two sides, both functions of x, y, r, theta.
bool IsImplicitPlaneEquation(const FormulaNode* eq, const DocState* doc);
// "=" with two sides that are functions of x, y, z.
bool IsImplicitSpaceEquation(const FormulaNode* eq, const DocState* doc);
// <, <=, >, >= between plane expressions, or logic over such.
bool IsPlaneRelation(const FormulaNode* node, const DocState* doc);
// <= or >= between two plane expressions.
bool IsNonStrictPlaneRelation(const FormulaNode* node, const DocState* doc);

// da/db: the total-derivative operator in b applied to a, or (d*a)/(d*b).
bool IsDerivativeOf(const FormulaNode* node, uint32_t a, uint32_t b);
// dy/dx or dz/dt.
bool IsDerivativeLeftSide(const FormulaNode* node);
// d/dt applied to x, y as a row or a column.
bool IsTimeDerivativeOfXY(const FormulaNode* node);
// d/dt applied to the column (x, y, z).
bool IsTimeDerivativeOfXYZ(const FormulaNode* node);
// (dx, dy) = vector of functions of x, y.
bool IsVectorField2D(const FormulaNode* eq, const DocState* doc);
// d/dt (x, y, z) or (dx, dy, dz) = vector of functions of x, y, z.
bool IsVectorField3D(const FormulaNode* eq, const DocState* doc);
// The same with the d/dt left side only.
bool IsFlowEquation3D(const FormulaNode* eq, const DocState* doc);
// (x, y, z) = constant vector.
bool IsStartPoint3D(const FormulaNode* eq, const DocState* doc);
// (x, y), or (x', y') when primed, = constant vector.
bool IsStartPoint2D(bool primed, const FormulaNode* eq, const DocState* doc);
// (a, b) = vector of functions of c.
bool IsParametric2D(const FormulaNode* eq, uint32_t a, uint32_t b, const DocState* doc, uint32_t c);
// (a, b, c) = vector of functions of d, e.
bool IsParametric3D(const FormulaNode* eq, uint32_t a, uint32_t b, const DocState* doc, uint32_t c, uint32_t d,
                    uint32_t e);
// (x, y, u, v) = vector of functions of a, b.
bool IsParametric4D(const FormulaNode* eq, const DocState* doc, uint32_t a, uint32_t b);
// (a, b, c) = vector of plane expressions.
bool IsColorMapEquation(const FormulaNode* eq, uint32_t a, uint32_t b, const DocState* doc, uint32_t c);
// (a, b) = vector of functions of c, d that contains c or d.
bool IsPlaneTransform(const FormulaNode* eq, const DocState* doc, uint32_t a, uint32_t b, uint32_t c, uint32_t d);
// (a, b, c) = vector of functions of d, e, f that contains one of them.
bool IsSpaceTransform(const FormulaNode* eq, const DocState* doc, uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                      uint32_t e, uint32_t f);

// Constant vectors that read table columns row by row.
bool IsDataVector2(const FormulaNode* node, const DocState* doc);
bool IsDataVector3(const FormulaNode* node, const DocState* doc);
bool IsXYData(const FormulaNode* eq, const DocState* doc);
bool IsPolarData(const FormulaNode* eq, const DocState* doc);
bool IsXYZData(const FormulaNode* eq, const DocState* doc);
bool IsCylindricalData(const FormulaNode* eq, const DocState* doc);
bool IsSphericalData(const FormulaNode* eq, const DocState* doc);
bool IsConstantVector3(const FormulaNode* node, const DocState* doc);

// Comma lists: every item a 4-entry constant vector; at least two items
// whose first two are 2-entry (3-entry) constant vectors; a flow and its
// start point; a field and the surface its start points lie on.
bool IsList4DPoints(const FormulaNode* list, const DocState* doc);
bool IsArrow2D(const FormulaNode* list, const DocState* doc);
bool IsArrow3D(const FormulaNode* list, const DocState* doc);
bool IsFlowFromPoint(const FormulaNode* list, const DocState* doc);
bool IsFlowFromImplicitSurface(const DocState* doc, const FormulaNode* list);
bool IsFlowFromExplicitSurface(const FormulaNode* list, const DocState* doc, uint32_t v, uint32_t a, uint32_t b);
bool IsFlowFromParametricSurface(const FormulaNode* list, const DocState* doc, uint32_t a, uint32_t b, uint32_t c);

// "=" with two sides whose left side is the variable of that name.
bool IsOptionStatement(const char* name, const FormulaNode* eq);
// The same, with a text or a table function's name on the right.
bool IsTextOptionStatement(const FormulaNode* eq, const char* name, const DocState* doc);
// A comma list with a "radius" option after its first item.
bool HasRadiusOption(const FormulaNode* list);
// Codes 51-54 (bit 0x100 ignored) whose list has a "symbol" or "label"
// option after its first item.
bool HasSymbolOrLabelOption(int32_t code, const FormulaNode* list, const DocState* doc);
