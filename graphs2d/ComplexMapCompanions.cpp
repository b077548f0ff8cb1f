// The companions of the first view's graphs under the document's map of the
// plane: a graph given by a formula in x and y is pulled back by
// substitution when the plane is given in primed letters (kind 1); a graph
// given by its points is pushed through the map when the primed plane is
// given in the plane's letters (kind 2). A graph that cannot take its kind's
// way is noted for the map's plot, which redraws it through the map. A
// graph of the second view (primed) has no companion.
#include "document/DocState.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/NodeKindTable.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphFactoryFormulas.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/A2DInequality.h"
#include "graphs2d/AColorPlot.h"
#include "graphs2d/AData2DPlot.h"
#include "graphs2d/ADensityPlot.h"
#include "graphs2d/AParametricCurve.h"
#include "graphs2d/APointPlot.h"
#include "graphs2d/AnArrowPlot.h"
#include "graphs2d/GraphSet.h"

#include <initializer_list>
#include <new>

namespace {

constexpr uint32_t kPulledBack = 1;
constexpr uint32_t kPushedForward = 2;

uint32_t KindOf(const TransformRecord* transform)
{
    return transform && transform->components[0] && transform->components[1] ? transform->kind : 0;
}

// A copy of the tree in the other plane's letters; null for null.
FormulaNode* PulledBack(const FormulaNode* tree, const TransformRecord* transform)
{
    FormulaNode* copy = tree ? CopyTree(tree) : nullptr;
    if (copy)
        ApplyPlaneTransform(copy, transform);
    return copy;
}

void DeleteAll(std::initializer_list<CompiledFormula*> formulas)
{
    for (CompiledFormula* f : formulas)
        delete f;
}

}  // namespace

bool GraphSet::TakesCompanion(int32_t primed, const TransformRecord* transform, uint32_t kind)
{
    if (primed != 0 || !transform)
        return false;
    const uint32_t k = KindOf(transform);
    if (k == kind)
        return true;
    // The other kind of plane map: the map's plot redraws the graph.
    if (k == kPulledBack || k == kPushedForward)
        NoteComplexMapGraph(views2D[0]->graphs.count - 1, transform);
    return false;
}

void GraphSet::AddCompanionPlot(A2DGraph* plot, std::initializer_list<CompiledFormula*> formulas, AGraphColor* colour)
{
    if (!plot) {
        DeleteAll(formulas);
        delete colour;
        return;
    }
    // A companion that cannot be recorded is only not shown.
    if (AddCompanion2D(plot) != 0)
        delete plot;
}

void GraphSet::CompileMappedPoint(const FormulaNode* x, const FormulaNode* y, const TransformRecord* transform,
                                  CompiledFormula** mappedX, CompiledFormula** mappedY)
{
    FormulaNode *mx = nullptr, *my = nullptr;
    MapThroughPlaneTransform(x, transform, y, &mx, &my);
    *mappedX = CompileOptional(mx);
    *mappedY = CompileOptional(my);
}

A2DInequality* GraphSet::MappedRelation(const FormulaNode* relation, const FormulaNode* boundary,
                                        const AGraphColor* colour, const TransformRecord* transform,
                                        int32_t plottingMode, bool isEquation)
{
    FormulaNode* r = PulledBack(relation, transform);
    FormulaNode* s = PulledBack(boundary, transform);
    CompiledFormula* fr = CompileOptional(r);
    CompiledFormula* fs = CompileOptional(s);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    A2DInequality* plot = nullptr;
    if (fr && copy)
        plot = new (std::nothrow)
            A2DInequality(fr, fs, copy, plottingMode, isEquation, &views2D[1]->drawMapping);
    if (!plot) {
        DeleteAll({fr, fs});
        delete copy;
    }
    return plot;
}

void GraphSet::AddMappedFunctionCurve(const FormulaNode* f, int32_t primed, const AGraphColor* colour,
                                      const TransformRecord* transform, int32_t plottingMode, int32_t variable)
{
    if (!f || !TakesCompanion(primed, transform, kPulledBack))
        return;
    // The curve as the equation y = f (x = f), its boundary y - f.
    FormulaNode* equation =
        MakeBinaryNode(KindEquation, MakeVariableNode(variable == 1 ? CodeX : CodeY), CopyTree(f));
    if (!equation)
        return;
    ApplyPlaneTransform(equation, transform);
    FormulaNode* boundary = MakeDifference(CopyTree(equation->children[0]), CopyTree(equation->children[1]));
    CompiledFormula* fe = CompileOptional(equation);
    CompiledFormula* fb = CompileOptional(boundary);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    A2DInequality* plot = nullptr;
    if (fe && fb && copy)
        plot = new (std::nothrow) A2DInequality(fe, fb, copy, plottingMode, true, &views2D[1]->drawMapping);
    AddCompanionPlot(plot, {fe, fb}, copy);
}

void GraphSet::AddMappedInequality(const FormulaNode* relation, int32_t primed, const AGraphColor* colour,
                                   const TransformRecord* transform, int32_t plottingMode, const FormulaNode* boundary,
                                   bool isEquation)
{
    if (!relation || !TakesCompanion(primed, transform, kPulledBack))
        return;
    AddCompanionPlot(MappedRelation(relation, boundary, colour, transform, plottingMode, isEquation), {}, nullptr);
}

void GraphSet::AddMappedBoundary(const FormulaNode* relation, const FormulaNode* boundary, const AGraphColor* colour,
                                 const TransformRecord* transform, int32_t primed, int32_t plottingMode)
{
    if (!relation || equationGraphs.count == 0 || !TakesCompanion(primed, transform, kPulledBack))
        return;
    A2DInequality* plot = MappedRelation(relation, boundary, colour, transform, plottingMode, true);
    if (!plot)
        return;
    A2DGraphView* view = views2D[1];
    const int32_t number = view->graphs.count;
    if (view->graphs.Push(plot) != 0) {
        delete plot;
        return;
    }
    equationGraphs[equationGraphs.count - 1].pair[3] = GraphRef{view, number};
}

void GraphSet::AddMappedDensity(const FormulaNode* f, int32_t primed, const AGraphColor* colour,
                                const TransformRecord* transform, double grain)
{
    if (!f || !TakesCompanion(primed, transform, kPulledBack))
        return;
    FormulaNode* z = CopyTree(f);
    if (z)
        ReplaceZByComplex(CodeY, z, CodeX);
    FormulaNode* d = PulledBack(z, transform);
    FreeTree(z);
    if (d)
        RenameXYToUV(d);
    CompiledFormula* fd = CompileOptional(d);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    ADensityPlot* plot = nullptr;
    if (fd && copy)
        plot = new (std::nothrow) ADensityPlot(fd, grain, copy, &views2D[1]->drawMapping);
    AddCompanionPlot(plot, {fd}, copy);
}

void GraphSet::AddMappedColorPlot(const FormulaNode* entries, const FormulaNode* extra, bool isHSV, int32_t primed,
                                  const AGraphColor* colour, const TransformRecord* transform)
{
    if (!entries || entries->childCount != 3 || !TakesCompanion(primed, transform, kPulledBack))
        return;
    CompiledFormula* parts[3] = {};
    for (uint32_t k = 0; k < 3; ++k) {
        FormulaNode* entry = PulledBack(entries->children[k], transform);
        if (entry)
            RenameXYToUV(entry);
        parts[k] = CompileOptional(entry);
    }
    FormulaNode* value = PulledBack(extra, transform);
    CompiledFormula* fv = CompileOptional(value);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    AColorPlot* plot = nullptr;
    if (parts[0] && parts[1] && parts[2] && copy)
        plot = new (std::nothrow)
            AColorPlot(parts[0], parts[1], parts[2], fv, isHSV, copy, &views2D[1]->drawMapping);
    AddCompanionPlot(plot, {parts[0], parts[1], parts[2], fv}, copy);
}

void GraphSet::AddMappedParametricCurve(const TransformRecord* transform, int32_t primed, const FormulaNode* x,
                                        const FormulaNode* y, uint32_t parameter, const AGraphColor* colour,
                                        double grain, const double* rangeMin, const double* rangeMax)
{
    if (!x || !y || !TakesCompanion(primed, transform, kPushedForward))
        return;
    CompiledFormula *fx, *fy;
    CompileMappedPoint(x, y, transform, &fx, &fy);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    AParametricCurve* plot = nullptr;
    if (fx && fy && copy) {
        fx->RenameSymbol(parameter, CodeU);
        fy->RenameSymbol(parameter, CodeU);
        plot = new (std::nothrow) AParametricCurve(fx, fy, copy, grain, TraceParametric, &views2D[1]->drawMapping,
                                                   rangeMin, rangeMax);
    }
    AddCompanionPlot(plot, {fx, fy}, copy);
}

void GraphSet::AddMappedPoint(const TransformRecord* transform, int32_t primed, const FormulaNode* x,
                              const FormulaNode* y, const AGraphColor* colour, const FormulaNode* symbol,
                              const FormulaNode* label, const FormulaNode* fontSize)
{
    if (!x || !y || !TakesCompanion(primed, transform, kPushedForward))
        return;
    CompiledFormula *fx, *fy;
    CompileMappedPoint(x, y, transform, &fx, &fy);
    CompiledFormula* fs = CompileCopy(symbol);
    CompiledFormula* fl = CompileCopy(label);
    CompiledFormula* ff = CompileCopy(fontSize);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    APointPlot* plot = nullptr;
    if (fx && fy && copy)
        plot = new (std::nothrow) APointPlot(fx, fy, fs, fl, ff, copy, false, &views2D[1]->drawMapping);
    AddCompanionPlot(plot, {fx, fy, fs, fl, ff}, copy);
}

void GraphSet::AddMappedArrow(const TransformRecord* transform, int32_t primed, const FormulaNode* x1,
                              const FormulaNode* y1, const FormulaNode* x2, const FormulaNode* y2,
                              const AGraphColor* colour)
{
    if (!x1 || !y1 || !x2 || !y2 || !TakesCompanion(primed, transform, kPushedForward))
        return;
    CompiledFormula* f[4];
    CompileMappedPoint(x1, y1, transform, &f[0], &f[1]);
    CompileMappedPoint(x2, y2, transform, &f[2], &f[3]);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    AnArrowPlot* plot = nullptr;
    if (f[0] && f[1] && f[2] && f[3] && copy)
        plot = new (std::nothrow) AnArrowPlot(f[0], f[1], f[2], f[3], copy, &views2D[1]->drawMapping);
    AddCompanionPlot(plot, {f[0], f[1], f[2], f[3]}, copy);
}

void GraphSet::AddMappedData2D(const TransformRecord* transform, int32_t primed, const FormulaNode* x,
                               const FormulaNode* y, const FormulaNode* conditions, const FormulaNode* radius,
                               const FormulaNode* symbol, const FormulaNode* label, const FormulaNode* fontSize,
                               const AGraphColor* colour, DocState* document)
{
    if (!x || !y || !TakesCompanion(primed, transform, kPushedForward))
        return;
    CompiledFormula *fx, *fy;
    CompileMappedPoint(x, y, transform, &fx, &fy);
    FormulaNode* atRow = conditions ? CopyTree(conditions) : nullptr;
    if (atRow)
        ReplaceVariablesByTrees(atRow, {{CodeX, x}, {CodeY, y}});
    CompiledFormula* fc = CompileOptional(atRow);
    CompiledFormula* fr = CompileCopy(radius);
    CompiledFormula* fs = CompileCopy(symbol);
    CompiledFormula* fl = CompileCopy(label);
    CompiledFormula* ff = CompileCopy(fontSize);
    AGraphColor* copy = colour ? colour->Clone() : nullptr;
    AData2DPlot* plot = nullptr;
    // A condition that could not be made would show rows it hides.
    if (fx && fy && copy && (fc || !conditions))
        plot = new (std::nothrow) AData2DPlot(fx, fy, copy, fc, fr, fs, fl, ff, &views2D[1]->drawMapping, document);
    AddCompanionPlot(plot, {fx, fy, fc, fr, fs, fl, ff}, copy);
}
