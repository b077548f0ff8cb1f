#include "formula/SubtreeValue.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"

#include <memory>
#include <new>

namespace {

constexpr uint32_t kCodeE = 'e';
constexpr uint32_t kCodeI = 'i';

// A compiled formula over a copy of the subtree; null when memory is
// refused. The formula owns the copy.
std::unique_ptr<CompiledFormula> CompileCopy(const FormulaNode* node, DocState* doc)
{
    FormulaNode* copy = CopyTree(node);
    if (!copy)
        return nullptr;
    std::unique_ptr<CompiledFormula> formula(new (std::nothrow) CompiledFormula(copy, doc));
    if (!formula) {
        FreeTree(copy);
        return nullptr;
    }
    CompileFormula(formula.get());
    return formula;
}

}  // namespace

double EvaluateSubtreeReal(const FormulaNode* node, DocState* doc)
{
    if (IsNumberNode(node))
        return NumberValue(node);
    if (node->kind == KindMinus && node->childCount == 1 && IsNumberNode(node->children[0]))
        return -NumberValue(node->children[0]);
    std::unique_ptr<CompiledFormula> formula = CompileCopy(node, doc);
    return formula ? formula->EvaluateAt(0) : UndefinedReal;
}

ComplexValue EvaluateSubtreeComplex(const FormulaNode* node, DocState* doc)
{
    std::unique_ptr<CompiledFormula> formula = CompileCopy(node, doc);
    if (!formula || !formula->pointProgram)
        return UndefinedComplex;
    // Complex before the first run, so that its constants are computed in
    // complex arithmetic too.
    formula->pointProgram->isComplex = 1;
    formula->pointContext.isComplex = 1;
    return formula->EvaluateComplex();
}

Interval EvaluateSubtreeInterval(const FormulaNode* node, DocState* doc)
{
    std::unique_ptr<CompiledFormula> formula = CompileCopy(node, doc);
    return formula ? formula->EvaluateOverBoxXY(0, 0, 0, 0) : UndefinedInterval;
}

bool KeepsItsForm(const FormulaNode* node)
{
    if (node->kind == KindEquation && node->parent && IsSumOrProductOperatorKind(node->parent->kind))
        return true;
    return (IsVariable(node, kCodeE) && IsOperandOf(node, KindPower, 0)) || IsOperandOf(node, KindApplication, 0);
}

bool ContainsIntervalNode(const FormulaNode* root)
{
    for (PreorderWalk walk(const_cast<FormulaNode*>(root)); walk.Node(); walk.Next()) {
        if (walk.Node()->kind == KindInterval)
            return true;
    }
    return false;
}

FormulaNode* MakeComplexNumberNode(double re, double im)
{
    if (im == 0)
        return MakeNumberNode(re);
    FormulaNode* imaginary = MakeProduct(MakeNumberNode(im), MakeVariableNode(kCodeI));
    return re == 0 ? imaginary : MakeSum(MakeNumberNode(re), imaginary);
}
