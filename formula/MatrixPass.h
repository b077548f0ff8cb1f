// Lowering of matrix and vector operations: products, sums, transposes,
// traces, determinants, norms, inverses, dot and cross products become plain
// matrices of element formulas or scalar formulas, so that typesetting, the
// compiler and the classifier see element-wise formulas. Operations on
// constant matrices are computed numerically.
#pragma once

#include <cstdint>

struct DocState;
struct FormulaNode;

// Lowers every node of the subtree, children before parents. Operations
// whose shapes do not fit are left as they are.
void MatrixPass(FormulaNode* root, DocState* doc);
// MatrixPass on the current node of the current editor state.
void MatrixPassOnSelection();

// Matrix shapes, as the lowering rules ask them.
bool IsMatrixNode(const FormulaNode* node);
int32_t MatrixRows(const FormulaNode* matrix);
int32_t MatrixColumns(const FormulaNode* matrix);
bool IsSquareMatrix(const FormulaNode* node);
// A new matrix of rows x columns with its slots to fill; null when the shape
// cannot be held (more than 65,535 cells) or memory is refused.
FormulaNode* MakeMatrixNode(int32_t rows, int32_t columns);
