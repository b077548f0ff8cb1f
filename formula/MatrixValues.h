// Lowering of the matrix operations that give one value: norms and
// determinants (abs, Det) and inverses (a power -1), symbolically or, for
// constant elements, numerically.
#pragma once

struct DocState;
struct FormulaNode;

// abs of a matrix: the norm of a 2- or 3-element vector, the determinant of
// a square matrix (numeric for constant elements, symbolic up to 4x4).
void LowerMatrixAbs(FormulaNode* node, DocState* doc);
// abs or Det of a square matrix of constant elements becomes the value of
// its determinant.
void LowerDeterminant(FormulaNode* node, DocState* doc);
// A square matrix of constant elements to the power -1 becomes its inverse;
// a singular one stays.
void LowerMatrixInverse(FormulaNode* node, DocState* doc);
