#include "formula/MatrixValues.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/MatrixPass.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SubtreeValue.h"
#include "formula/TreeConstness.h"
#include "formula/TreeRewrite.h"
#include "numerics/MatrixInverse.h"

#include <cmath>
#include <cstdint>

namespace {

// The operand of abs, Det or a power's base.
FormulaNode* Operand(const FormulaNode* node)
{
    return node->childCount > 0 ? node->children[0] : nullptr;
}

bool HasConstantElements(const FormulaNode* matrix, const DocState* doc)
{
    for (uint32_t i = 0; i < matrix->childCount; ++i) {
        if (!IsConstantTree(matrix->children[i], doc))
            return false;
    }
    return true;
}

bool IsConstantSquareMatrix(const FormulaNode* node, const DocState* doc)
{
    return node && IsSquareMatrix(node) && HasConstantElements(node, doc);
}

// The numbers of a constant square matrix, column-major as the LU routines
// take them, complex values as (real, imaginary) pairs. The array comes
// from the budget and goes with the object.
class ElementValues {
public:
    ElementValues(const FormulaNode* matrix, DocState* doc)
        : n_(MatrixRows(matrix)), complex_(UsesComplexNumbers(matrix, doc))
    {
        uint64_t bytes = uint64_t{matrix->childCount} * sizeof(double) * (complex_ ? 2 : 1);
        if (bytes <= UINT32_MAX)
            values_ = static_cast<double*>(BudgetMalloc(static_cast<uint32_t>(bytes), false));
        if (values_)
            finite_ = Evaluate(matrix, doc);
    }
    ~ElementValues() { BudgetFree(values_); }
    ElementValues(const ElementValues&) = delete;
    ElementValues& operator=(const ElementValues&) = delete;

    // Every element has a finite value: an undefined element gives no
    // determinant or inverse worth showing.
    bool Usable() const { return values_ && finite_; }
    int32_t Size() const { return n_; }
    bool Complex() const { return complex_; }
    double* Data() { return values_; }
    // The value of element (row, column) as a new tree.
    FormulaNode* ValueAt(int32_t row, int32_t column) const
    {
        const double* value = values_ + (int64_t{column} * n_ + row) * (complex_ ? 2 : 1);
        // + 0.0: no negative zero in a formula.
        return complex_ ? MakeComplexNumberNode(value[0] + 0.0, value[1] + 0.0) : MakeNumberNode(value[0] + 0.0);
    }

private:
    bool Evaluate(const FormulaNode* matrix, DocState* doc)
    {
        for (int32_t row = 0; row < n_; ++row) {
            for (int32_t column = 0; column < n_; ++column) {
                const FormulaNode* element = matrix->children[row * n_ + column];
                double* value = values_ + (int64_t{column} * n_ + row) * (complex_ ? 2 : 1);
                if (complex_) {
                    ComplexValue c = EvaluateSubtreeComplex(element, doc);
                    value[0] = c.re;
                    value[1] = c.im;
                } else {
                    value[0] = EvaluateSubtreeReal(element, doc);
                }
                if (!std::isfinite(value[0]) || (complex_ && !std::isfinite(value[1])))
                    return false;
            }
        }
        return true;
    }

    int32_t n_;
    bool complex_;
    bool finite_ = false;
    double* values_ = nullptr;
};

bool IsMinusOne(const FormulaNode* node)
{
    return IsNumberWithValue(node, -1) ||
        (node->kind == KindMinus && node->childCount == 1 && IsNumberWithValue(node->children[0], 1));
}

// The node becomes the value that replaced its operand, signs cleaned up.
void BecomeOperandValue(FormulaNode* node, FormulaNode* value)
{
    FormulaNode* operand = Operand(node);
    ReplaceNode(value, operand);
    CleanUpSigns(operand);
    CollapseToFirstChild(node);
}

FormulaNode* Element(const FormulaNode* matrix, uint32_t i)
{
    return CopyTree(matrix->children[i]);
}

FormulaNode* SumOfSquares(const FormulaNode* vector)
{
    FormulaNode* sum = MakeNode(KindSum, vector->childCount);
    if (!sum)
        return nullptr;
    for (uint32_t i = 0; i < vector->childCount; ++i) {
        FormulaNode* square = MakeSquare(Element(vector, i));
        sum->children[i] = square;
        square->parent = sum;
    }
    return sum;
}

FormulaNode* Product3(const FormulaNode* m, uint32_t a, uint32_t b, uint32_t c)
{
    return MakeProduct3(Element(m, a), Element(m, b), Element(m, c));
}

FormulaNode* Sum3(FormulaNode* a, FormulaNode* b, FormulaNode* c)
{
    return MakeTernaryNode(KindSum, a, b, c);
}

// |minor| of the 4x4 matrix without row 0 and the column.
FormulaNode* AbsOfMinor(const FormulaNode* m, uint32_t column)
{
    FormulaNode* minor = MakeMatrixNode(3, 3);
    if (!minor)
        return MakeNumberNode(NAN);
    uint32_t slot = 0;
    for (uint32_t row = 1; row < 4; ++row) {
        for (uint32_t j = 0; j < 4; ++j) {
            if (j == column)
                continue;
            FormulaNode* element = Element(m, row * 4 + j);
            minor->children[slot++] = element;
            element->parent = minor;
        }
    }
    return MakeAbs(minor);
}

// The determinant written out: 2x2 and 3x3 directly, 4x4 along the first
// row with the 3x3 minors lowered in turn. Null for other sizes.
FormulaNode* SymbolicDeterminant(const FormulaNode* m, DocState* doc)
{
    switch (MatrixRows(m)) {
    case 2:
        return MakeDifference(MakeProduct(Element(m, 0), Element(m, 3)), MakeProduct(Element(m, 1), Element(m, 2)));
    case 3:
        return MakeDifference(Sum3(Product3(m, 0, 4, 8), Product3(m, 1, 5, 6), Product3(m, 2, 3, 7)),
            Sum3(Product3(m, 0, 5, 7), Product3(m, 1, 3, 8), Product3(m, 2, 4, 6)));
    case 4: {
        FormulaNode* even = MakeSum(MakeProduct(Element(m, 0), AbsOfMinor(m, 0)),
            MakeProduct(Element(m, 2), AbsOfMinor(m, 2)));
        FormulaNode* odd = MakeSum(MakeProduct(Element(m, 1), AbsOfMinor(m, 1)),
            MakeProduct(Element(m, 3), AbsOfMinor(m, 3)));
        FormulaNode* determinant = MakeDifference(even, odd);
        MatrixPass(determinant, doc);
        return determinant;
    }
    default:
        return nullptr;
    }
}

}  // namespace

void LowerMatrixAbs(FormulaNode* node, DocState* doc)
{
    const FormulaNode* matrix = Operand(node);
    if (node->childCount != 1 || !IsMatrixNode(matrix))
        return;
    if (matrix->childCount == 2 || matrix->childCount == 3) {
        ReplaceNode(MakeSqrt(SumOfSquares(matrix)), node);
        return;
    }
    if (IsConstantSquareMatrix(matrix, doc)) {
        LowerDeterminant(node, doc);
        return;
    }
    if (!IsSquareMatrix(matrix))
        return;
    if (FormulaNode* determinant = SymbolicDeterminant(matrix, doc))
        ReplaceNode(determinant, node);
}

void LowerDeterminant(FormulaNode* node, DocState* doc)
{
    const FormulaNode* matrix = Operand(node);
    if (node->childCount != 1 || !IsConstantSquareMatrix(matrix, doc))
        return;
    ElementValues values(matrix, doc);
    if (!values.Usable())
        return;
    double determinant[2] = {NAN, 0};
    bool found = values.Complex() ? ComplexDeterminant(values.Size(), values.Data(), determinant)
                                  : RealDeterminant(values.Size(), values.Data(), determinant);
    if (!found || !std::isfinite(determinant[0]) || !std::isfinite(determinant[1]))
        return;
    BecomeOperandValue(node, values.Complex() ? MakeComplexNumberNode(determinant[0], determinant[1])
                                              : MakeNumberNode(determinant[0]));
}

void LowerMatrixInverse(FormulaNode* node, DocState* doc)
{
    FormulaNode* matrix = Operand(node);
    if (node->childCount != 2 || !IsMinusOne(node->children[1]) || !IsConstantSquareMatrix(matrix, doc))
        return;
    ElementValues values(matrix, doc);
    if (!values.Usable())
        return;
    bool inverted = values.Complex() ? InvertComplexMatrix(values.Size(), values.Data())
                                     : InvertRealMatrix(values.Size(), values.Data());
    if (!inverted)
        return;
    int32_t n = values.Size();
    for (int32_t row = 0; row < n; ++row) {
        for (int32_t column = 0; column < n; ++column)
            ReplaceNode(values.ValueAt(row, column), matrix->children[row * n + column]);
    }
    CleanUpSigns(matrix);
    CollapseToFirstChild(node);
}
