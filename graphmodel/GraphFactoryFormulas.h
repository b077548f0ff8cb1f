// The rewrites the graph factory builds its formulas with: the sign product
// of relations, substitutions of variables, the document's values put in
// for its parameters, and the maps of the plane and of space that carry a
// graph into the second view. Every operation works in place on the tree it
// is given unless it answers a new one. User-interface thread, while graphs
// are built.
#pragma once

#include <cstdint>
#include <initializer_list>

class AGraphColor;
struct DocState;
struct FormulaNode;
struct TransformRecord;

// The product of (o0 - o1)(o1 - o2)... over the operands of the relation,
// times the product when there is one: zero on the relation's boundary, of
// changing sign across it. And, Or and Not add nothing (1 when alone).
FormulaNode* ChainedRelationProduct(const FormulaNode* relation, FormulaNode* product);

// x becomes u and y becomes v.
void RenameXYToUV(FormulaNode* tree);
// Every variable of the code (not a subscript's base) becomes a copy of the
// other tree; what is put in is not walked again.
void ReplaceVariableByTree(FormulaNode* tree, uint32_t code, const FormulaNode* other);
// Every variable of one of the codes becomes a copy of its tree, all in one
// walk: a tree put in for one code keeps the other codes it holds.
struct VariableReplacement {
    uint32_t code;
    const FormulaNode* tree;
};
void ReplaceVariablesByTrees(FormulaNode* tree, std::initializer_list<VariableReplacement> replacements);
// Every variable a becomes b + i c.
void ReplaceVariableByComplex(FormulaNode* tree, uint32_t a, uint32_t b, uint32_t c);
// z becomes c + i b.
void ReplaceZByComplex(uint32_t b, FormulaNode* tree, uint32_t c);

// The left side is a derivative d/dt, not a column of differentials.
bool IsFlowForm(const FormulaNode* equation);
// The integer part of the line's XYType, masked with 3; a value no integer
// holds is the surface style 1.
int32_t SurfaceStyleFromXYType(double xyType);
// The first variable of the code in pre-order, or null.
FormulaNode* FindVariable(FormulaNode* tree, uint32_t code);
// Isolates the first variable of the code on the left of the equation; on
// success the equation, in place, becomes the other side.
bool SolveForVariable(uint32_t code, FormulaNode* equation);
// a times b c d, all copies.
FormulaNode* MakeProductOfCopies(const FormulaNode* a, const FormulaNode* b, const FormulaNode* c,
                                 const FormulaNode* d);
// Rectangular coordinates of copies of the trees: spherical (a sin b cos c,
// a sin b sin c, a cos b) for radius a, polar angle b and azimuth c;
// cylindrical (a cos b, a sin b, c) for radius a, angle b and height c.
void SphericalToSpace(const FormulaNode* a, const FormulaNode* b, const FormulaNode* c, FormulaNode** x,
                      FormulaNode** y, FormulaNode** z);
void CylindricalToSpace(const FormulaNode* a, const FormulaNode* b, const FormulaNode* c, FormulaNode** x,
                        FormulaNode** y, FormulaNode** z);

// Maps of the plane and of space (the document's transform statement).
// For a record of kind 1 (x and y in terms of x' and y'): the tree, written
// in x, y, r and theta, becomes a tree in x and y of the other plane.
void ApplyPlaneTransform(FormulaNode* tree, const TransformRecord* record);
// The record's two formulas with x' and y' replaced by copies of x and y.
void MapThroughPlaneTransform(const FormulaNode* x, const TransformRecord* record, const FormulaNode* y,
                              FormulaNode** mappedX, FormulaNode** mappedY);
// The colour's three formulas with the primed symbols exchanged and the
// three equations substituted in order.
void MapColorFormulas(AGraphColor* colour, const FormulaNode* e1, const FormulaNode* e2, const FormulaNode* e3);
