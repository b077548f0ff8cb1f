#include "formula/MatrixPass.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/ChildSlots.h"
#include "formula/CopyTree.h"
#include "formula/EditorState.h"
#include "formula/FormulaNode.h"
#include "formula/MatrixValues.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"

namespace {

constexpr int32_t kMaxMatrixSide = 32767;

// A subtree without any matrix.
bool IsScalar(const FormulaNode* node)
{
    return !ContainsMatrix(node);
}

bool IsVector(const FormulaNode* node)
{
    return IsMatrixNode(node) && (MatrixRows(node) == 1 || MatrixColumns(node) == 1);
}

bool SameShape(const FormulaNode* a, const FormulaNode* b)
{
    return MatrixRows(a) == MatrixRows(b) && MatrixColumns(a) == MatrixColumns(b);
}

FormulaNode* Cell(const FormulaNode* matrix, int32_t row, int32_t column)
{
    return matrix->children[row * MatrixColumns(matrix) + column];
}

// The matrix product of the left and right matrices as a new tree, each
// element sum normalised; a 1x1 product is its element. Null when the
// shapes do not fit.
FormulaNode* ProductOfMatrices(const FormulaNode* left, const FormulaNode* right)
{
    int32_t rows = MatrixRows(left);
    int32_t inner = MatrixColumns(left);
    int32_t columns = MatrixColumns(right);
    if (inner != MatrixRows(right) || inner < 1)
        return nullptr;
    FormulaNode* result = MakeMatrixNode(rows, columns);
    if (!result)
        return nullptr;
    for (int32_t i = 0; i < rows; ++i) {
        for (int32_t j = 0; j < columns; ++j) {
            FormulaNode* element = inner == 1 ? nullptr : MakeNode(KindSum, static_cast<uint32_t>(inner));
            if (inner > 1 && !element) {
                FreeTree(result);
                return nullptr;
            }
            for (int32_t k = 0; k < inner; ++k) {
                FormulaNode* term = MakeProduct(CopyTree(Cell(left, i, k)), CopyTree(Cell(right, k, j)));
                if (!term || AbortFlag) {
                    FreeTree(term);
                    FreeTree(element);
                    FreeTree(result);
                    return nullptr;
                }
                NormalizeNode(term);
                if (!element)
                    element = term;
                else
                    SetChild(element, static_cast<uint32_t>(k), term);
            }
            NormalizeNode(element);
            SetChild(result, static_cast<uint32_t>(i * columns + j), element);
        }
    }
    if (result->childCount == 1)
        CollapseToFirstChild(result);
    return result;
}

// Factors left and right of the product, both matrices, become their
// product in the left one's place; the result is simplified.
void MultiplyMatrices(FormulaNode* product, uint32_t left, uint32_t right)
{
    FormulaNode* result = ProductOfMatrices(product->children[left], product->children[right]);
    if (!result)
        return;
    FormulaNode* target = product->children[left];
    ReplaceNode(result, target);
    if (product->childCount == 2)
        target = product;
    DeleteOperand(product, right);
    SimplifyTree(target);
    CleanUpSigns(target);
}

// Every element of the matrix factor takes a copy of the scalar factor,
// after itself when the matrix stands first; the scalar factor goes.
void ScaleMatrix(FormulaNode* product, uint32_t matrixIndex, uint32_t scalarIndex)
{
    FormulaNode* matrix = product->children[matrixIndex];
    const FormulaNode* scalar = product->children[scalarIndex];
    for (uint32_t i = 0; i < matrix->childCount; ++i) {
        if (matrixIndex < scalarIndex)
            AppendFactor(matrix->children[i], CopyTree(scalar));
        else
            PrependFactor(matrix->children[i], CopyTree(scalar));
    }
    DeleteOperand(product, scalarIndex);
}

// With more than two factors and a matrix from position 2 on: the scalar
// factors in front of it go into its elements as leading factors. Only
// factors without a matrix move, since matrices do not commute. False when
// nothing moved.
bool MoveLeadingScalarsIntoMatrix(FormulaNode* product)
{
    uint32_t target = 2;
    while (target < product->childCount && !IsMatrixNode(product->children[target]))
        ++target;
    uint32_t scalars = 0;
    while (scalars < target && IsScalar(product->children[scalars]))
        ++scalars;
    if (target == product->childCount || scalars == 0)
        return false;
    FormulaNode* matrix = product->children[target];
    for (uint32_t i = 0; i < matrix->childCount; ++i) {
        for (uint32_t k = scalars; k-- > 0;)
            PrependFactor(matrix->children[i], CopyTree(product->children[k]));
    }
    for (uint32_t k = 0; k < scalars; ++k)
        DeleteOperand(product, 0);
    return true;
}

// Reduces the product from the left: each step combines its first two
// factors; scalars go into the elements of the nearest matrix.
void LowerMatrixProduct(FormulaNode* product)
{
    while (product->kind == KindProduct && product->childCount >= 2) {
        uint32_t count = product->childCount;
        const FormulaNode* first = product->children[0];
        const FormulaNode* second = product->children[1];
        if (IsMatrixNode(first) && IsMatrixNode(second)) {
            if (MatrixColumns(first) != MatrixRows(second))
                return;
            MultiplyMatrices(product, 0, 1);
        } else if (IsMatrixNode(first) && IsScalar(second)) {
            ScaleMatrix(product, 0, 1);
        } else if (IsScalar(first) && IsMatrixNode(second)) {
            ScaleMatrix(product, 1, 0);
        } else if (count < 3 || !MoveLeadingScalarsIntoMatrix(product)) {
            return;
        }
        if (count == 2 || product->childCount == count)
            return;
    }
}

// Adjacent operands that are matrices of one shape become one matrix whose
// elements join the two elements with the node's kind (a sum or a branch).
void CombineAdjacentMatrices(FormulaNode* node, int32_t kind)
{
    for (uint32_t i = 1; node->kind == kind && i < node->childCount;) {
        FormulaNode* before = node->children[i - 1];
        FormulaNode* matrix = node->children[i];
        if (!IsMatrixNode(before) || !IsMatrixNode(matrix) || !SameShape(before, matrix)) {
            ++i;
            continue;
        }
        for (uint32_t e = 0; e < matrix->childCount; ++e) {
            FormulaNode* element = matrix->children[e];
            FormulaNode* first = Unlink(before->children[e]);
            bool nested = first->kind == kind;
            if (PrependOperand(element, first, kind) && nested)
                FlattenChild(element, 0);
        }
        DeleteOperand(node, i - 1);
    }
}

void LowerTranspose(FormulaNode* node)
{
    if (node->childCount != 1 || !IsMatrixNode(node->children[0]))
        return;
    FormulaNode* matrix = node->children[0];
    int32_t rows = MatrixRows(matrix);
    int32_t columns = MatrixColumns(matrix);
    FormulaNode* transposed = MakeMatrixNode(columns, rows);
    if (!transposed)
        return;
    for (int32_t i = 0; i < rows; ++i) {
        for (int32_t j = 0; j < columns; ++j)
            SetChild(transposed, static_cast<uint32_t>(j * rows + i), Cell(matrix, i, j));
    }
    ResizeChildArray(matrix, 0);
    ReplaceNode(transposed, node);
}

void LowerTrace(FormulaNode* node)
{
    if (node->childCount != 1 || !IsSquareMatrix(node->children[0]))
        return;
    const FormulaNode* matrix = node->children[0];
    int32_t n = MatrixRows(matrix);
    FormulaNode* trace = n == 1 ? CopyTree(matrix->children[0]) : MakeNode(KindSum, static_cast<uint32_t>(n));
    if (!trace)
        return;
    for (int32_t i = 0; n > 1 && i < n; ++i)
        SetChild(trace, static_cast<uint32_t>(i), CopyTree(Cell(matrix, i, i)));
    ReplaceNode(trace, node);
}

// One operand, a matrix: each element is rewritten and the node becomes the
// matrix; any other operands go.
template <typename Rewrite>
void LowerElementwise(FormulaNode* node, Rewrite rewrite)
{
    if (node->childCount == 0 || !IsMatrixNode(node->children[0]))
        return;
    FormulaNode* matrix = node->children[0];
    for (uint32_t i = 0; i < matrix->childCount; ++i)
        rewrite(matrix->children[i]);
    CollapseToFirstChild(node);
}

void LowerMatrixNegation(FormulaNode* node)
{
    LowerElementwise(node, [](FormulaNode* element) { NegateInPlace(element); });
}

void LowerMatrixQuotient(FormulaNode* node)
{
    if (node->childCount != 2)
        return;
    const FormulaNode* denominator = node->children[1];
    LowerElementwise(node, [denominator](FormulaNode* element) { DivideInPlace(element, CopyTree(denominator)); });
}

void LowerMatrixCondition(FormulaNode* node)
{
    if (node->childCount != 2)
        return;
    const FormulaNode* condition = node->children[1];
    LowerElementwise(node, [condition](FormulaNode* element) {
        WrapInBinary(element, CopyTree(condition), 1, KindIf);
    });
}

// a1 b1 + ... + an bn of the first n elements of both vectors, moved out.
FormulaNode* SumOfProducts(FormulaNode* a, FormulaNode* b, uint32_t n)
{
    FormulaNode* sum = n == 1 ? nullptr : MakeNode(KindSum, n);
    if (n > 1 && !sum)
        return nullptr;
    for (uint32_t i = 0; i < n; ++i) {
        FormulaNode* term = MakeProduct(Unlink(a->children[i]), Unlink(b->children[i]));
        if (!sum)
            return term;
        SetChild(sum, i, term);
    }
    return sum;
}

bool EndsInZero(const FormulaNode* vector)
{
    return vector->childCount == 3 && IsNumberWithValue(vector->children[2], 0);
}

void LowerDotProduct(FormulaNode* node)
{
    if (node->childCount != 2 || !IsVector(node->children[0]) || !IsVector(node->children[1]))
        return;
    FormulaNode* a = node->children[0];
    FormulaNode* b = node->children[1];
    uint32_t n = 0;
    if (a->childCount == b->childCount && a->childCount > 0)
        n = a->childCount;
    else if ((a->childCount == 2 && EndsInZero(b)) || (b->childCount == 2 && EndsInZero(a)))
        n = 2;
    if (n == 0)
        return;
    if (FormulaNode* sum = SumOfProducts(a, b, n))
        ReplaceNode(sum, node);
}

// a b - c d of copies.
FormulaNode* CrossTerm(const FormulaNode* a, const FormulaNode* b, const FormulaNode* c, const FormulaNode* d)
{
    return MakeDifference(MakeProduct(CopyTree(a), CopyTree(b)), MakeProduct(CopyTree(c), CopyTree(d)));
}

void LowerCrossProduct(FormulaNode* node)
{
    if (node->childCount != 2)
        return;
    const FormulaNode* a = node->children[0];
    const FormulaNode* b = node->children[1];
    if (!IsMatrixNode(a) || !IsMatrixNode(b) || a->childCount != 3 || b->childCount != 3)
        return;
    FormulaNode* cross = MakeMatrixNode(MatrixRows(b), MatrixColumns(b));
    if (!cross)
        return;
    FormulaNode* const* x = a->children;
    FormulaNode* const* y = b->children;
    SetChild(cross, 0, CrossTerm(x[1], y[2], x[2], y[1]));
    SetChild(cross, 1, CrossTerm(x[2], y[0], x[0], y[2]));
    SetChild(cross, 2, CrossTerm(x[0], y[1], x[1], y[0]));
    ReplaceNode(cross, node);
}

void LowerNode(FormulaNode* node, DocState* doc)
{
    switch (node->kind) {
    case KindProduct:
        LowerMatrixProduct(node);
        return;
    case KindSum:
    case KindBranch:
        CombineAdjacentMatrices(node, node->kind);
        return;
    case KindSuperscriptT:
    case KindTranspose:
        LowerTranspose(node);
        return;
    case KindMinus:
        LowerMatrixNegation(node);
        return;
    case KindParentheses:
        CollapseToFirstChild(node);
        return;
    case KindAbs:
        LowerMatrixAbs(node, doc);
        return;
    case KindFraction:
        LowerMatrixQuotient(node);
        return;
    case KindPower:
        LowerMatrixInverse(node, doc);
        return;
    case KindDot:
        LowerDotProduct(node);
        return;
    case KindCross:
        LowerCrossProduct(node);
        return;
    case KindIf:
        LowerMatrixCondition(node);
        return;
    case KindTrace:
        LowerTrace(node);
        return;
    case KindDet:
        LowerDeterminant(node, doc);
        return;
    default:
        return;
    }
}

}  // namespace

bool IsMatrixNode(const FormulaNode* node)
{
    // Cells are indexed by row and column: the count must be the shape's.
    return node->kind == KindMatrix && node->payload.pair.low > 0 && node->payload.pair.high > 0 &&
        node->childCount == node->payload.pair.low * node->payload.pair.high;
}

int32_t MatrixRows(const FormulaNode* matrix)
{
    return matrix->payload.pair.low;
}

int32_t MatrixColumns(const FormulaNode* matrix)
{
    return matrix->payload.pair.high;
}

bool IsSquareMatrix(const FormulaNode* node)
{
    return IsMatrixNode(node) && MatrixRows(node) == MatrixColumns(node);
}

FormulaNode* MakeMatrixNode(int32_t rows, int32_t columns)
{
    if (rows < 1 || columns < 1 || rows > kMaxMatrixSide || columns > kMaxMatrixSide ||
        int64_t{rows} * columns > kMaxChildCount)
        return nullptr;
    FormulaNode* matrix = MakeNode(KindMatrix, static_cast<uint32_t>(rows * columns));
    if (matrix)
        matrix->payload.pair = {static_cast<int16_t>(rows), static_cast<int16_t>(columns)};
    return matrix;
}

void MatrixPass(FormulaNode* root, DocState* doc)
{
    for (PostorderWalk walk(root); walk.Node(); walk.Next())
        LowerNode(walk.Node(), doc);
}

void MatrixPassOnSelection()
{
    EditorState* state = GetCurrentEditorState();
    if (state && state->current)
        MatrixPass(state->current, state->document);
}
