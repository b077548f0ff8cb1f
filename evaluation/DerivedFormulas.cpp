// Formulas made from a compiled formula: its partial derivatives and the
// components of a list of four-component points.
#include "evaluation/CompiledFormula.h"

#include "CoreUtilities/MemoryBudget.h"
#include "formula/CopyTree.h"
#include "formula/DerivativePasses.h"
#include "formula/FormulaEngine.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/TreeWalk.h"

#include <new>

namespace {

constexpr int32_t kComponents = 4;

bool HasNoDerivativeRule(int32_t kind)
{
    switch (kind) {
    case KindFact:
    case KindApplication:
    case KindCapitalPi:
    case KindOverline:
    case KindChoice:
    case KindArg:
    case KindBesselJ:
    case KindMod:
    case KindMin:
    case KindMax:
    case KindClamp:
    case KindInterpolate:
    case KindInf:
    case KindSup:
    case KindProductLoop:
        return true;
    default:
        return false;
    }
}

// A formula over the tree, or over an undefined number when there is none.
CompiledFormula* NewFormula(FormulaNode* tree, DocState* doc)
{
    if (!tree)
        tree = MakeNumberNode(UndefinedReal);
    CompiledFormula* formula = new (std::nothrow) CompiledFormula(tree, doc);
    if (!formula)
        FreeTree(tree);
    return formula;
}

}  // namespace

bool CompiledFormula::IsDifferentiable() const
{
    for (PreorderWalk walk(tree); walk.Node(); walk.Next()) {
        if (HasNoDerivativeRule(walk.Node()->kind))
            return false;
    }
    return true;
}

CompiledFormula* CompiledFormula::MakeDerivative(uint32_t code) const
{
    // After an abort the graph's normals become undefined rather than the
    // computation stalling.
    if (ShouldAbortComputation())
        return NewFormula(MakeNumberNode(UndefinedReal), doc);
    FormulaNode* derivative = MakePartialDerivativeNode(CopyTree(tree), MakeVariableNode(code));
    EvaluateDerivatives(derivative);
    return NewFormula(derivative, doc);
}

void CompiledFormula::MakeComponentFormulas4(CompiledFormula*** array, int32_t* count) const
{
    *array = nullptr;
    *count = 0;
    int32_t items = tree->childCount;
    if (items == 0)
        return;
    auto* formulas = static_cast<CompiledFormula**>(
        BudgetMalloc(static_cast<uint32_t>(sizeof(CompiledFormula*) * kComponents * items), true));
    if (!formulas)
        return;
    for (int32_t i = 0; i < items; ++i) {
        const FormulaNode* item = tree->children[i];
        CompiledFormula** point = formulas + kComponents * i;
        for (int32_t j = 0; j < kComponents; ++j)
            point[j] = NewFormula(j < item->childCount ? CopyTree(item->children[j]) : nullptr, doc);
        // The four components of a point form one batch.
        CompileFormulas4(point[0], point[1], point[2], point[3]);
    }
    *array = formulas;
    *count = items;
}
