#include "evaluation/SubtreeEvaluation.h"

#include "evaluation/BytecodeProgram.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/SubtreeValue.h"

#include <memory>
#include <new>

namespace {

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

double CompiledReal(const FormulaNode* node, DocState* doc)
{
    std::unique_ptr<CompiledFormula> formula = CompileCopy(node, doc);
    return formula ? formula->EvaluateAt(0) : UndefinedReal;
}

ComplexValue CompiledComplex(const FormulaNode* node, DocState* doc)
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

Interval CompiledInterval(const FormulaNode* node, DocState* doc)
{
    std::unique_ptr<CompiledFormula> formula = CompileCopy(node, doc);
    return formula ? formula->EvaluateOverBoxXY(0, 0, 0, 0) : UndefinedInterval;
}

}  // namespace

void RegisterSubtreeEvaluation()
{
    SetSubtreeEvaluator(SubtreeEvaluator{&CompiledReal, &CompiledComplex, &CompiledInterval});
}
