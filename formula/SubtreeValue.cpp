#include "formula/SubtreeValue.h"

#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/NumberNodes.h"
#include "formula/Simplifier.h"
#include "formula/SymbolCodes.h"
#include "formula/TreeQuery.h"
#include "formula/TreeWalk.h"

namespace {


SubtreeEvaluator Evaluator;

}  // namespace

void SetSubtreeEvaluator(const SubtreeEvaluator& evaluator)
{
    Evaluator = evaluator;
}

double EvaluateSubtreeReal(const FormulaNode* node, DocState* doc)
{
    if (IsNumberNode(node))
        return NumberValue(node);
    if (node->kind == KindMinus && node->childCount == 1 && IsNumberNode(node->children[0]))
        return -NumberValue(node->children[0]);
    return Evaluator.real ? Evaluator.real(node, doc) : UndefinedReal;
}

ComplexValue EvaluateSubtreeComplex(const FormulaNode* node, DocState* doc)
{
    return Evaluator.complex ? Evaluator.complex(node, doc) : UndefinedComplex;
}

Interval EvaluateSubtreeInterval(const FormulaNode* node, DocState* doc)
{
    return Evaluator.interval ? Evaluator.interval(node, doc) : UndefinedInterval;
}

bool KeepsItsForm(const FormulaNode* node)
{
    if (node->kind == KindEquation && node->parent && IsSumOrProductOperatorKind(node->parent->kind))
        return true;
    return (IsVariable(node, CodeE) && IsOperandOf(node, KindPower, 0)) || IsOperandOf(node, KindApplication, 0);
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
    FormulaNode* imaginary = MakeProduct(MakeNumberNode(im), MakeVariableNode(CodeI));
    return re == 0 ? imaginary : MakeSum(MakeNumberNode(re), imaginary);
}
