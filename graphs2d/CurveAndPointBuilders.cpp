#include "graphs2d/CurveAndPointBuilders.h"

#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/NodeBuilders.h"
#include "formula/SymbolCodes.h"
#include "formula/FunctionDefinitions.h"
#include "formula/NodeKindTable.h"
#include "graphmodel/AGraphColor.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/ADEPlot.h"
#include "graphs2d/A2DVectorPlot.h"
#include "graphs2d/APointPlot.h"
#include "graphs2d/AParametricCurve.h"
#include "graphs2d/AnArrowPlot.h"
#include "graphs2d/GraphFactory.h"
#include "graphs2d/GraphSet.h"

#include <cmath>
#include <new>

namespace {

// Range slots of the range panel.
constexpr int32_t kRangeSlotR = 7;
constexpr int32_t kRangeSlotTheta = 8;
constexpr int32_t kRangeSlotT = 10;

A2DGraphView* ViewOf(GraphSet& set, const BuilderArguments& a)
{
    return a.view >= 0 && a.view < 2 ? set.views2D[a.view] : nullptr;
}

// The plot as the statement's row; a plot that cannot be added, or was not
// made, goes with the formulas it was to take over. True when the row was
// added.
bool AddPlot(GraphSet& set, BuilderArguments& a, A2DGraph* plot, std::initializer_list<CompiledFormula*> formulas)
{
    if (!plot) {
        for (CompiledFormula* f : formulas)
            delete f;
        return false;
    }
    a.colour = nullptr;
    if (set.AddGraph2D(plot, a.view) != 0) {
        delete plot;
        return false;
    }
    return true;
}

// The entry of a column, or null for anything else.
const FormulaNode* Entry(const FormulaNode* column, uint32_t i)
{
    return column && i < column->childCount ? column->children[i] : nullptr;
}

// (r cos theta, r sin theta) of copies of the two trees.
void PolarToPlane(const FormulaNode* r, const FormulaNode* theta, FormulaNode** x, FormulaNode** y)
{
    *x = MakeProduct(CopyTree(r), MakeCos(CopyTree(theta)));
    *y = MakeProduct(CopyTree(r), MakeSin(CopyTree(theta)));
}

// The curve (x(t), y(t)), t the variable given, over the view's range of
// it; the trees become the curve's.
void BuildCurve(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, uint32_t parameter,
                int32_t traceKind, int32_t slot)
{
    A2DGraphView* view = ViewOf(set, a);
    // In a 3D view the space-curve builder of the layer above takes these
    // forms.
    if (!view || a.in3D) {
        FreeTree(x);
        FreeTree(y);
        return;
    }
    CompiledFormula* fx = set.Compile(x);
    CompiledFormula* fy = set.Compile(y);
    if (!fx || !fy) {
        delete fx;
        delete fy;
        return;
    }
    fx->RenameSymbol(parameter, CodeU);
    fy->RenameSymbol(parameter, CodeU);
    const double* range[2] = {&view->tMin, &view->tMax};
    if (slot == kRangeSlotTheta) {
        range[0] = &view->thetaMin;
        range[1] = &view->thetaMax;
    } else if (slot == kRangeSlotR) {
        range[0] = &view->rMin;
        range[1] = &view->rMax;
    }
    auto* curve = new (std::nothrow)
        AParametricCurve(fx, fy, a.colour, a.grain, traceKind, &view->drawMapping, range[0], range[1]);
    AGraphColor* colour = a.colour;
    if (AddPlot(set, a, curve, {fx, fy}))
        set.AddMappedParametricCurve(a.transform, a.view, fx->tree, fy->tree, CodeU, colour, a.grain, range[0],
                                     range[1]);
    set.MarkRangeUsed(slot);
}

void BuildPolarROfTheta(GraphSet& set, BuilderArguments& a)
{
    FormulaNode *x, *y;
    FormulaNode* theta = MakeVariableNode(CodeTheta);
    PolarToPlane(a.equation->children[1], theta, &x, &y);
    FreeTree(theta);
    BuildCurve(set, a, x, y, CodeTheta, TracePolarRFromPoint, kRangeSlotTheta);
}

void BuildPolarThetaOfR(GraphSet& set, BuilderArguments& a)
{
    FormulaNode *x, *y;
    FormulaNode* r = MakeVariableNode(CodeR);
    PolarToPlane(r, a.equation->children[1], &x, &y);
    FreeTree(r);
    BuildCurve(set, a, x, y, CodeR, TracePolarAngleFromPoint, kRangeSlotR);
}

void BuildPolarParametric(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* column = a.equation->children[1];
    FormulaNode *x, *y;
    PolarToPlane(Entry(column, 0), Entry(column, 1), &x, &y);
    BuildCurve(set, a, x, y, CodeT, TracePolarBothFromPoint, kRangeSlotT);
}

void BuildParametricColumn(GraphSet& set, BuilderArguments& a, const FormulaNode* column)
{
    BuildCurve(set, a, CopyTree(Entry(column, 0)), CopyTree(Entry(column, 1)), CodeT, TraceParametric, kRangeSlotT);
}

void BuildParametric2D(GraphSet& set, BuilderArguments& a)
{
    BuildParametricColumn(set, a, a.equation->children[1]);
}

void BuildParametricColumn2D(GraphSet& set, BuilderArguments& a)
{
    BuildParametricColumn(set, a, a.equation);
}

void BuildComplexValuedCurve(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* f = a.equation->children[1];
    BuildCurve(set, a, MakeRealPart(CopyTree(f)), MakeImagPart(CopyTree(f)), CodeT, TraceParametric, kRangeSlotT);
}

// The point (x, y); the trees become the point's, the option trees stay
// the factory's.
void BuildPoint2D(GraphSet& set, BuilderArguments& a, FormulaNode* x, FormulaNode* y, bool draggable)
{
    A2DGraphView* view = ViewOf(set, a);
    if (!view) {
        FreeTree(x);
        FreeTree(y);
        return;
    }
    CompiledFormula* fx = set.Compile(x);
    CompiledFormula* fy = set.Compile(y);
    CompiledFormula* symbol = set.CompileCopy(a.options.symbol);
    CompiledFormula* label = set.CompileCopy(a.options.label);
    CompiledFormula* size = set.CompileCopy(a.options.fontSize);
    APointPlot* point = nullptr;
    if (fx && fy)
        point = new (std::nothrow) APointPlot(fx, fy, symbol, label, size, a.colour, draggable, &view->drawMapping);
    AGraphColor* colour = a.colour;
    if (AddPlot(set, a, point, {fx, fy, symbol, label, size}))
        set.AddMappedPoint(a.transform, a.view, fx->tree, fy->tree, colour, a.options.symbol, a.options.label,
                           a.options.fontSize);
}

void BuildParameterPoint(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* parameter = a.equation->children[0];
    BuildPoint2D(set, a, MakeRealPart(CopyTree(parameter)), MakeImagPart(CopyTree(parameter)), true);
}

void BuildComplexPoint(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* value = a.equation->children[1];
    BuildPoint2D(set, a, MakeRealPart(CopyTree(value)), MakeImagPart(CopyTree(value)), false);
}

// Code 45 is the column itself; code 46 arrives as the right side of
// (x, y) = column.
void BuildPointXY(GraphSet& set, BuilderArguments& a)
{
    BuildPoint2D(set, a, CopyTree(Entry(a.equation, 0)), CopyTree(Entry(a.equation, 1)), false);
}

void BuildPolarPoint(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* column = a.equation->children[1];
    FormulaNode *x, *y;
    PolarToPlane(Entry(column, 0), Entry(column, 1), &x, &y);
    BuildPoint2D(set, a, x, y, false);
}

void BuildArrow2D(GraphSet& set, BuilderArguments& a)
{
    A2DGraphView* view = ViewOf(set, a);
    if (!view)
        return;
    const FormulaNode* tail = a.equation->children[0];
    const FormulaNode* head = a.equation->children[1];
    CompiledFormula* f[4] = {set.CompileCopy(Entry(tail, 0)), set.CompileCopy(Entry(tail, 1)),
                             set.CompileCopy(Entry(head, 0)), set.CompileCopy(Entry(head, 1))};
    AnArrowPlot* arrow = nullptr;
    if (f[0] && f[1] && f[2] && f[3])
        arrow = new (std::nothrow) AnArrowPlot(f[0], f[1], f[2], f[3], a.colour, &view->drawMapping);
    AGraphColor* colour = a.colour;
    if (AddPlot(set, a, arrow, {f[0], f[1], f[2], f[3]}))
        set.AddMappedArrow(a.transform, a.view, Entry(tail, 0), Entry(tail, 1), Entry(head, 0), Entry(head, 1),
                           colour);
}

// The line's style asks for arrows of one length: bit 2 of its XYType's
// integer part; a value no integer holds (a damaged file) asks for none.
bool IsNormalizedStyle(double xyType)
{
    return std::isfinite(xyType) && std::fabs(xyType) < 2147483648.0 && (static_cast<int64_t>(xyType) & 4) != 0;
}

void BuildVectorField2D(GraphSet& set, BuilderArguments& a)
{
    A2DGraphView* view = ViewOf(set, a);
    if (!view)
        return;
    const FormulaNode* column = a.equation->children[1];
    CompiledFormula* u = set.CompileCopy(Entry(column, 0));
    CompiledFormula* v = set.CompileCopy(Entry(column, 1));
    A2DVectorPlot* plot = nullptr;
    if (u && v)
        plot = new (std::nothrow)
            A2DVectorPlot(u, v, a.grain, a.colour, IsNormalizedStyle(a.xyType), &view->drawMapping);
    const int32_t before = set.equationGraphs.count;
    AddPlot(set, a, plot, {u, v});
    // Under a map of the plane the field is redrawn through it.
    if (set.equationGraphs.count > before && a.view == 0)
        set.NoteComplexMapGraph(view->graphs.count - 1, a.transform);
}

// Solution curves of dy/dx = slope or of dx/dt = slope, dy/dt = dy; the
// trees become the plot's, the start point's stays the factory's until the
// plot takes it.
void BuildDEPlot(GraphSet& set, BuilderArguments& a, FormulaNode* slope, FormulaNode* dy)
{
    A2DGraphView* view = ViewOf(set, a);
    if (!view) {
        FreeTree(slope);
        FreeTree(dy);
        return;
    }
    CompiledFormula* fSlope = set.Compile(slope);
    CompiledFormula* fDy = dy ? set.Compile(dy) : nullptr;
    CompiledFormula* startX = set.CompileOptional(a.options.startX);
    CompiledFormula* startY = set.CompileOptional(a.options.startY);
    a.options.startX = a.options.startY = nullptr;
    ADEPlot* plot = nullptr;
    if (fSlope && (fDy || !dy))
        plot = new (std::nothrow) ADEPlot(fSlope, fDy, startX, startY, a.colour, a.grain, &view->drawMapping);
    const int32_t before = set.equationGraphs.count;
    AddPlot(set, a, plot, {fSlope, fDy, startX, startY});
    if (set.equationGraphs.count > before && a.view == 0)
        set.NoteComplexMapGraph(view->graphs.count - 1, a.transform);
}

void BuildSlopeField(GraphSet& set, BuilderArguments& a)
{
    BuildDEPlot(set, a, CopyTree(a.equation->children[1]), nullptr);
}

void BuildSystemDE2D(GraphSet& set, BuilderArguments& a)
{
    const FormulaNode* column = a.equation->children[1];
    BuildDEPlot(set, a, CopyTree(Entry(column, 0)), CopyTree(Entry(column, 1)));
}

// dz/dt = f(z): the plane's system of the real and imaginary part of f
// with z = x + i y.
void BuildComplexDE(GraphSet& set, BuilderArguments& a)
{
    FormulaNode* z = MakeBinaryNode(
        KindEquation, MakeVariableNode(CodeZ),
        MakeSum(MakeVariableNode(CodeX), MakeProduct(MakeVariableNode(CodeI), MakeVariableNode(CodeY))));
    FormulaNode* f = CopyTree(a.equation->children[1]);
    SubstituteEquation(f, z);
    FreeTree(z);
    FormulaNode* dx = MakeRealPart(CopyTree(f));
    FormulaNode* dy = MakeImagPart(f);
    BuildDEPlot(set, a, dx, dy);
}

}  // namespace

void RegisterCurveAndPointBuilders()
{
    const struct {
        int32_t code;
        FormBuilder builder;
    } table[] = {
        {3, &BuildPolarROfTheta},      {4, &BuildPolarThetaOfR},      {15, &BuildPolarParametric},
        {18, &BuildParametric2D},      {55, &BuildParametricColumn2D}, {39, &BuildComplexValuedCurve},
        {43, &BuildParameterPoint},    {44, &BuildComplexPoint},       {45, &BuildPointXY},
        {46, &BuildPointXY},           {47, &BuildPolarPoint},         {61, &BuildArrow2D},
        {16, &BuildVectorField2D},
        {37, &BuildSlopeField},        {38, &BuildSystemDE2D},         {42, &BuildComplexDE},
    };
    for (const auto& entry : table)
        SetFormBuilder(entry.code, entry.builder);
}
