#include "graphs2d/GraphBuilders2D.h"

#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphFactoryFormulas.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/AColorPlot.h"
#include "graphs2d/AFunctionOf_XorY.h"
#include "graphs2d/CurveAndPointBuilders.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"
#include "graphs2d/InequalityBuilders.h"

#include <new>

namespace {

// The curve of a copy of the formula with the variable renamed to u, in the
// view the statement belongs to, as the statement's row, and its image
// under a map of the plane.
void BuildExplicitCurve(GraphSet& set, BuilderArguments& a, const FormulaNode* source, uint32_t variable,
                        bool isYofX)
{
    A2DGraphView* view = a.view >= 0 && a.view < 2 ? set.views2D[a.view] : nullptr;
    if (!view)
        return;
    CompiledFormula* f = set.Compile(CopyTree(source));
    if (!f)
        return;
    f->RenameSymbol(variable, CodeU);
    auto* curve = new (std::nothrow) AFunctionOf_XorY(f, isYofX, a.colour, a.plottingMode, &view->drawMapping);
    if (!curve) {
        delete f;
        return;
    }
    AGraphColor* colour = a.colour;
    a.colour = nullptr;
    // A row that cannot be added leaves the curve to nobody.
    if (set.AddGraph2D(curve, a.view) != 0) {
        delete curve;
        return;
    }
    set.AddMappedFunctionCurve(source, a.view, colour, a.transform, a.plottingMode, isYofX ? 0 : 1);
}

// The right side of an equation, or a lone expression itself.
const FormulaNode* RightSide(const FormulaNode* equation)
{
    return equation->childCount == 2 ? equation->children[1] : equation;
}

}  // namespace

void BuildYOfX(GraphSet& set, BuilderArguments& a)
{
    BuildExplicitCurve(set, a, RightSide(a.equation), CodeX, true);
}

void BuildXOfY(GraphSet& set, BuilderArguments& a)
{
    BuildExplicitCurve(set, a, RightSide(a.equation), CodeY, false);
}

void BuildExpressionInX(GraphSet& set, BuilderArguments& a)
{
    BuildExplicitCurve(set, a, a.equation, CodeX, true);
}

void BuildExpressionInY(GraphSet& set, BuilderArguments& a)
{
    BuildExplicitCurve(set, a, a.equation, CodeY, false);
}

// (r, g, b) = F(x, y) or (h, s, v) = F(x, y): the three entries of the right
// side in u and v, and the statement after the comma, when there is one,
// as the complex value the trace shows.
void BuildColorPlot(GraphSet& set, BuilderArguments& a)
{
    A2DGraphView* view = a.view >= 0 && a.view < 2 ? set.views2D[a.view] : nullptr;
    const FormulaNode* entries = a.equation->childCount == 2 ? a.equation->children[1] : nullptr;
    if (!view || !entries || entries->childCount != 3)
        return;
    CompiledFormula* parts[3] = {};
    for (int32_t k = 0; k < 3; ++k) {
        FormulaNode* entry = CopyTree(entries->children[k]);
        if (entry)
            RenameXYToUV(entry);
        parts[k] = entry ? set.Compile(entry) : nullptr;
    }
    CompiledFormula* extra = nullptr;
    if (a.options.extraColorFormula) {
        extra = set.Compile(a.options.extraColorFormula);
        a.options.extraColorFormula = nullptr;
    }
    if (!parts[0] || !parts[1] || !parts[2]) {
        for (CompiledFormula* f : parts)
            delete f;
        delete extra;
        return;
    }
    auto* plot = new (std::nothrow)
        AColorPlot(parts[0], parts[1], parts[2], extra, a.colorMode == 1, a.colour, &view->drawMapping);
    if (!plot) {
        for (CompiledFormula* f : parts)
            delete f;
        delete extra;
        return;
    }
    AGraphColor* colour = a.colour;
    a.colour = nullptr;
    if (set.AddGraph2D(plot, a.view) != 0) {
        delete plot;
        return;
    }
    set.AddMappedColorPlot(entries, extra ? extra->tree : nullptr, a.colorMode == 1, a.view, colour, a.transform);
}

void RegisterGraphBuilders2D()
{
    SetFormBuilder(1, &BuildYOfX);
    SetFormBuilder(2, &BuildXOfY);
    SetFormBuilder(31, &BuildExpressionInX);
    SetFormBuilder(32, &BuildExpressionInY);
    SetFormBuilder(29, &BuildImplicitCurve2D);
    SetFormBuilder(34, &BuildInequality2D);
    SetFormBuilder(35, &BuildNonStrictInequality2D);
    RegisterCurveAndPointBuilders();
    SetFormBuilder(59, &BuildColorPlot);
    SetFormBuilder(60, &BuildColorPlot);
}
