#include "graphs2d/InequalityBuilders.h"

#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeKindTable.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/A2DInequality.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"

#include <new>

namespace {

// The boundary curve of a non-strict inequality is drawn in dark grey
// whatever the line's colour.
constexpr RgbColor kBoundaryGrey = 0x333333;

A2DGraphView* ViewOf(GraphSet& set, const BuilderArguments& a)
{
    return a.view >= 0 && a.view < 2 ? set.views2D[a.view] : nullptr;
}

// The plot of a relation (a copy the caller made) and of its boundary
// formula (a copy, or null); the colour is taken over in every case.
A2DInequality* MakeRelationPlot(GraphSet& set, const BuilderArguments& a, A2DGraphView* view, FormulaNode* relationTree,
                                FormulaNode* boundaryTree, AGraphColor* colour, bool isEquation)
{
    CompiledFormula* relation = set.Compile(relationTree);
    CompiledFormula* boundary = set.CompileOptional(boundaryTree);
    A2DInequality* plot = nullptr;
    if (relation)
        plot = new (std::nothrow)
            A2DInequality(relation, boundary, colour, a.plottingMode, isEquation, &view->drawMapping);
    if (!plot) {
        delete relation;
        delete boundary;
        delete colour;
    }
    return plot;
}

// The statement's row with its one plot.
void BuildRelation(GraphSet& set, BuilderArguments& a, bool isEquation)
{
    A2DGraphView* view = ViewOf(set, a);
    if (!view)
        return;
    FormulaNode* boundary = a.options.signProduct;
    a.options.signProduct = nullptr;
    AGraphColor* colour = a.colour;
    A2DInequality* plot = MakeRelationPlot(set, a, view, CopyTree(a.equation), CopyTree(boundary), a.colour,
                                           isEquation);
    a.colour = nullptr;
    // A row that cannot be added leaves the plot to nobody.
    if (plot && set.AddGraph2D(plot, a.view) != 0) {
        delete plot;
        plot = nullptr;
    }
    if (plot)
        set.AddMappedInequality(a.equation, a.view, colour, a.transform, a.plottingMode, boundary, isEquation);
    FreeTree(boundary);
}

// The relation itself: the top node, or the first item of the conditions
// list the factory joined it with.
FormulaNode* RelationNode(FormulaNode* statement)
{
    if (statement->kind == KindConditionList && statement->childCount > 0)
        return statement->children[0];
    return statement;
}

}  // namespace

void BuildImplicitCurve2D(GraphSet& set, BuilderArguments& a)
{
    BuildRelation(set, a, true);
}

void BuildInequality2D(GraphSet& set, BuilderArguments& a)
{
    BuildRelation(set, a, false);
}

void BuildNonStrictInequality2D(GraphSet& set, BuilderArguments& a)
{
    A2DGraphView* view = ViewOf(set, a);
    if (!view || !a.colour)
        return;
    // The region is shaded as the strict inequality; with conditions the
    // relation is inside a list and stays as it is.
    FormulaNode* region = CopyTree(a.equation);
    FormulaNode* line = CopyTree(a.equation);
    if (!region || !line) {
        FreeTree(region);
        FreeTree(line);
        return;
    }
    if (region->kind == KindLeq)
        region->kind = KindLess;
    else if (region->kind == KindGeq)
        region->kind = KindGreater;
    RelationNode(line)->kind = KindEquation;
    FormulaNode* lineBoundary = CopyTree(a.options.signProduct);

    const bool hidden = a.colour->IsHidden();
    AGraphColor* colour = a.colour;
    FormulaNode* mappedRegion = CopyTree(region);
    A2DInequality* plot =
        MakeRelationPlot(set, a, view, region, CopyTree(a.options.signProduct), a.colour, false);
    a.colour = nullptr;
    if (!plot || set.AddGraph2D(plot, a.view) != 0) {
        delete plot;
        FreeTree(line);
        FreeTree(lineBoundary);
        FreeTree(mappedRegion);
        return;
    }
    set.AddMappedInequality(mappedRegion, a.view, colour, a.transform, a.plottingMode, a.options.signProduct,
                            false);
    FreeTree(mappedRegion);

    AGraphColor* grey = new (std::nothrow) AGraphColor(set.views3D[0] ? set.views3D[0]->context : nullptr, set.doc);
    if (!grey) {
        FreeTree(line);
        FreeTree(lineBoundary);
        return;
    }
    grey->rgb = kBoundaryGrey;
    grey->kind = hidden ? ColorHidden : ColorSolid;
    // The map's companion is made from copies taken before the plot takes
    // the trees over.
    FormulaNode* mappedLine = CopyTree(line);
    FormulaNode* mappedBoundary = CopyTree(lineBoundary);
    A2DInequality* curve = MakeRelationPlot(set, a, view, line, lineBoundary, grey, true);
    const int32_t number = view->graphs.count;
    if (curve && view->graphs.Push(curve) != 0) {
        delete curve;
        curve = nullptr;
    }
    if (curve) {
        set.equationGraphs[set.equationGraphs.count - 1].pair[2] = GraphRef{view, number};
        set.AddMappedBoundary(mappedLine, mappedBoundary, grey, a.transform, a.view, a.plottingMode);
    }
    FreeTree(mappedLine);
    FreeTree(mappedBoundary);
}
