#include "graphs3d/SurfaceBuilder4D.h"

#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/GraphFactoryFormulas.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs3d/AGridSurface4D.h"
#include "rendering/ViewRenderContext.h"

#include <new>

namespace {

constexpr int32_t kSlotU = 11, kSlotV = 12;

const FormulaNode* RightSide(const FormulaNode* equation)
{
    return equation->childCount == 2 ? equation->children[1] : equation;
}

// The surface of the four trees (taken over) over the two ranges, in the
// 4D view, as the statement's row.
bool AddSurface4D(GraphSet& set, BuilderArguments& a, FormulaNode* const (&trees)[4], const double* u0,
                  const double* u1, const double* v0, const double* v1)
{
    A4DGraphView* view = set.view4D;
    ViewRenderContext* context = view ? dynamic_cast<ViewRenderContext*>(view->context) : nullptr;
    bool ready = view && context;
    for (FormulaNode* tree : trees)
        ready = ready && tree;
    if (!ready) {
        for (FormulaNode* tree : trees)
            FreeTree(tree);
        return false;
    }
    CompiledFormula* f[4];
    bool compiled = true;
    for (int i = 0; i < 4; ++i) {
        f[i] = set.Compile(trees[i]);
        compiled = compiled && f[i];
    }
    CompiledFormula* condition = set.CompileOptional(a.options.builderConditions);
    a.options.builderConditions = nullptr;
    AGridSurface4D* surface = nullptr;
    if (compiled)
        surface = new (std::nothrow) AGridSurface4D(f[0], f[1], f[2], f[3], a.grain, a.opacity, a.colour, condition,
                                                    u0, u1, v0, v1, context, ProjectionOf(view));
    if (!surface) {
        for (CompiledFormula* formula : f)
            delete formula;
        delete condition;
        return false;
    }
    a.colour = nullptr;
    if (set.AddGraph4D(surface) != 0) {
        delete surface;
        return false;
    }
    set.Mark4DRangesUsed();
    return true;
}

}  // namespace

void BuildSurface4D(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* column = RightSide(a.equation);
    if (!column || column->childCount != 4 || !set.view4D)
        return;
    FormulaNode* const trees[4] = {CopyTree(column->children[0]), CopyTree(column->children[1]),
                                   CopyTree(column->children[2]), CopyTree(column->children[3])};
    A4DGraphView& v = *set.view4D;
    if (AddSurface4D(set, a, trees, &v.uMin, &v.uMax, &v.vMin, &v.vMax)) {
        set.MarkRangeUsed(kSlotU);
        set.MarkRangeUsed(kSlotV);
    }
}

void BuildComplexFunction4D(GraphSet& set, BuilderArguments& a)
{
    if (!set.view4D)
        return;
    // f(u + i v) over the x and y ranges: its real and imaginary parts are
    // the third and fourth coordinates.
    FormulaNode* re = CopyTree(RightSide(a.equation));
    FormulaNode* im = CopyTree(RightSide(a.equation));
    if (re)
        ReplaceZByComplex(CodeV, re, CodeU);
    if (im)
        ReplaceZByComplex(CodeV, im, CodeU);
    FormulaNode* const trees[4] = {MakeVariableNode(CodeU), MakeVariableNode(CodeV), re ? MakeRealPart(re) : nullptr,
                                   im ? MakeImagPart(im) : nullptr};
    A4DGraphView& v = *set.view4D;
    AddSurface4D(set, a, trees, &v.xMin, &v.xMax, &v.yMin, &v.yMax);
}

void RegisterSurfaceBuilder4D()
{
    SetFormBuilder(21, &BuildSurface4D);
    SetFormBuilder(22, &BuildComplexFunction4D);
}
