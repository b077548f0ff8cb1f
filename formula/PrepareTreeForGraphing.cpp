#include "formula/PrepareTreeForGraphing.h"

#include "formula/DerivativePasses.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/LoweringPasses.h"
#include "formula/MatrixPass.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/Substitution.h"
#include "formula/SubtreeValue.h"
#include "formula/SymbolRename.h"
#include "formula/TreeConstness.h"
#include "formula/TreeQuery.h"
#include "formula/TreeRewrite.h"
#include "formula/TreeSplice.h"
#include "formula/TreeWalk.h"
#include "formula/VectorOperators.h"

#include <cmath>

namespace {

// Rational exponents stay as typed whatever their value, so that roots keep
// them.
bool IsRationalExponent(const FormulaNode* node)
{
    return IsFractionExponent(node) ||
        (node->kind == KindMinus && node->childCount == 1 && IsFractionExponent(node->children[0]));
}

bool IsFoldable(const FormulaNode* node, DocState* doc)
{
    return node->kind != KindNumber && !KeepsItsForm(node) && !IsRationalExponent(node) &&
        IsConstantTreeAllowingBound(node, node, doc) && !ContainsIntervalNode(node) && !UsesComplexNumbers(node, doc) &&
        !ContainsKind(node, KindApplication) && !ContainsKind(node, KindComma);
}

bool IsIfWithNumberCondition(const FormulaNode* piece)
{
    return piece->kind == KindIf && piece->childCount == 2 && IsNumberNode(piece->children[1]);
}

bool IsTrueNumber(const FormulaNode* number)
{
    double value = NumberValue(number);
    return !std::isnan(value) && value != 0;
}

void DeletePiecesAfter(FormulaNode* branch, uint32_t last)
{
    while (branch->childCount > last + 1)
        DeleteChild(branch, branch->childCount - 1);
}

void PruneBranch(FormulaNode* branch)
{
    for (uint32_t i = 0; i < branch->childCount;) {
        const FormulaNode* piece = branch->children[i];
        if (IsIfWithNumberCondition(piece)) {
            if (!IsTrueNumber(piece->children[1])) {
                DeleteChild(branch, i);
                continue;
            }
            DeletePiecesAfter(branch, i);
            break;
        }
        if (IsNumberNode(piece) && IsTrueNumber(piece)) {
            DeletePiecesAfter(branch, i);
            break;
        }
        ++i;
    }
    if (branch->childCount == 0) {
        BecomeNumber(branch, UndefinedReal);
        return;
    }
    if (branch->childCount != 1)
        return;
    CollapseToFirstChild(branch);
    if (IsIfWithNumberCondition(branch) && IsTrueNumber(branch->children[1]))
        DeleteOperand(branch, 1);
}

}  // namespace

void PrepareTreeForGraphing(DocState* doc, FormulaNode* root)
{
    LowerUnitVectors(root);
    MatrixPass(root, doc);
    ExpandVectorOperators(root);
    EvaluateDerivatives(root);
    MatrixPass(root, doc);
    for (int run = 0; run < kMaxDerivativeMatrixRuns; ++run) {
        EvaluateDerivatives(root);
        MatrixPass(root, doc);
        if (!ContainsMatrix(root))
            break;
    }
    ExpandSubstitutions(root);
    LowerDefiniteIntegrals(root);
    LowerColorEquations(root);
    FoldPrimedVariables(root);
    FoldConstantSubtrees(root, doc);
    PruneConstantBranches(root);
}

void FoldConstantSubtrees(FormulaNode* root, DocState* doc)
{
    PreorderWalk walk(root);
    while (FormulaNode* node = walk.Node()) {
        if (IsFoldable(node, doc)) {
            double value = EvaluateSubtreeReal(node, doc);
            if (!std::isnan(value)) {
                BecomeNumber(node, value);
                walk.SkipSubtree();
                continue;
            }
        }
        walk.Next();
    }
}

void PruneConstantBranches(FormulaNode* root)
{
    for (PreorderWalk walk(root); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindBranch)
            PruneBranch(walk.Node());
    }
}

void FlattenNestedLists(FormulaNode* root)
{
    for (uint32_t i = 0; root->kind == KindComma && i < root->childCount;) {
        const FormulaNode* item = root->children[i];
        // The spliced items are looked at again: they may be lists too.
        if (item->kind == KindComma && item->childCount > 0 && FlattenChild(root, i))
            continue;
        ++i;
    }
}
