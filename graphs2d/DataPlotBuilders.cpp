#include "graphs2d/DataPlotBuilders.h"

#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/AData2DPlot.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"

#include <new>

namespace {

const FormulaNode* Entry(const FormulaNode* column, uint32_t i)
{
    return column && i < column->childCount ? column->children[i] : nullptr;
}

// One data plot of the trees x and y, which become the plot's; the option
// trees go to it too.
void BuildData2D(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y)
{
    A2DGraphView* view = a.view >= 0 && a.view < 2 ? set.views2D[a.view] : nullptr;
    // In space the 3D data forms take the rows.
    if (!view || a.in3D || !x || !y) {
        FreeTree(x);
        FreeTree(y);
        return;
    }
    CompiledFormula* fx = set.Compile(x);
    CompiledFormula* fy = set.Compile(y);
    StatementOptions& o = a.options;
    CompiledFormula* optional[5] = {set.CompileOptional(o.builderConditions), set.CompileOptional(o.radius),
                                    set.CompileOptional(o.symbol), set.CompileOptional(o.label),
                                    set.CompileOptional(o.fontSize)};
    o.builderConditions = o.radius = o.symbol = o.label = o.fontSize = nullptr;
    AData2DPlot* plot = nullptr;
    if (fx && fy)
        plot = new (std::nothrow) AData2DPlot(fx, fy, a.colour, optional[0], optional[1], optional[2], optional[3],
                                              optional[4], &view->drawMapping, a.doc);
    if (!plot) {
        delete fx;
        delete fy;
        for (CompiledFormula* f : optional)
            delete f;
        return;
    }
    AGraphColor* colour = a.colour;
    a.colour = nullptr;
    if (set.AddGraph2D(plot, a.view) != 0) {
        delete plot;
        return;
    }
    set.AddMappedData2D(a.transform, a.view, fx->tree, fy->tree, optional[0] ? optional[0]->tree : nullptr,
                        optional[1] ? optional[1]->tree : nullptr, optional[2] ? optional[2]->tree : nullptr,
                        optional[3] ? optional[3]->tree : nullptr, optional[4] ? optional[4]->tree : nullptr, colour,
                        a.doc);
}

void BuildDataColumn2D(GraphSet& set, BuilderArguments& a)
{
    BuildData2D(set, a, CopyTree(Entry(a.equation, 0)), CopyTree(Entry(a.equation, 1)));
}

void BuildDataXY(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* column = a.equation->children[1];
    BuildData2D(set, a, CopyTree(Entry(column, 0)), CopyTree(Entry(column, 1)));
}

void BuildDataPolar(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* column = a.equation->children[1];
    const FormulaNode* r = Entry(column, 0);
    const FormulaNode* theta = Entry(column, 1);
    if (!r || !theta)
        return;
    BuildData2D(set, a, MakeProduct(CopyTree(r), MakeCos(CopyTree(theta))),
                MakeProduct(CopyTree(r), MakeSin(CopyTree(theta))));
}

}  // namespace

void RegisterDataPlotBuilders()
{
    SetFormBuilder(48, &BuildDataColumn2D);
    SetFormBuilder(49, &BuildDataXY);
    SetFormBuilder(50, &BuildDataPolar);
}
