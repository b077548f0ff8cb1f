// The views of one graph-building run: which are shown, their layout, and
// the parameter ranges they agree on before the line builders run.
#include "document/DocState.h"
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "document/ParameterValues.h"
#include "evaluation/CompiledFormula.h"
#include "formula/CopyTree.h"
#include "formula/FormulaNode.h"
#include "formula/SymbolRename.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/ATextureMapPlot.h"
#include "graphs2d/ATransformPlot.h"
#include "graphs2d/GraphSet.h"

#include <new>

#include <initializer_list>

namespace {

// The kinds of transform record that map the plane onto itself.
bool MapsThePlane(uint32_t kind)
{
    return kind == 1 || kind == 2;
}

constexpr uint32_t kSpaceMap = 4;

// The parameter ranges every view may hold; a null pair is one the view
// lacks.
struct ParameterRanges {
    double* t[2] = {};
    double* u[2] = {};
    double* v[2] = {};
    double* r[2] = {};
    double* theta[2] = {};
    double* phi[2] = {};
};

ParameterRanges RangesOf(A2DGraphView* view)
{
    ParameterRanges p;
    p.t[0] = &view->tMin, p.t[1] = &view->tMax;
    p.r[0] = &view->rMin, p.r[1] = &view->rMax;
    p.theta[0] = &view->thetaMin, p.theta[1] = &view->thetaMax;
    return p;
}

ParameterRanges RangesOf(A3DGraphView* view)
{
    ParameterRanges p;
    p.t[0] = &view->tMin, p.t[1] = &view->tMax;
    p.u[0] = &view->uMin, p.u[1] = &view->uMax;
    p.v[0] = &view->vMin, p.v[1] = &view->vMax;
    p.r[0] = &view->rMin, p.r[1] = &view->rMax;
    p.theta[0] = &view->thetaMin, p.theta[1] = &view->thetaMax;
    p.phi[0] = &view->phiMin, p.phi[1] = &view->phiMax;
    return p;
}

ParameterRanges RangesOf(A4DGraphView* view)
{
    ParameterRanges p;
    p.t[0] = &view->tMin, p.t[1] = &view->tMax;
    p.u[0] = &view->uMin, p.u[1] = &view->uMax;
    p.v[0] = &view->vMin, p.v[1] = &view->vMax;
    return p;
}

// Copies the source pair into each target that has one.
void Spread(double* const* source, std::initializer_list<double* const*> targets)
{
    for (double* const* target : targets) {
        if (target[0] == source[0])
            continue;
        *target[0] = *source[0];
        *target[1] = *source[1];
    }
}

}  // namespace

void GraphSet::BuildComplexMapViews(bool is3D, bool is4D, bool twoViews, bool secondIs3D,
                                    const TransformRecord* record, DocState*)
{
    equationGraphs.Clear();
    complexMapGraphs.Clear();
    for (uint8_t& used : rangeUsed)
        used = 0;

    AGraphView* chosen = is4D ? static_cast<AGraphView*>(view4D)
                              : is3D ? static_cast<AGraphView*>(views3D[0]) : static_cast<AGraphView*>(views2D[0]);
    AGraphView* other = nullptr;
    if (twoViews && !is4D)
        other = secondIs3D ? static_cast<AGraphView*>(views3D[1]) : static_cast<AGraphView*>(views2D[1]);
    const uint32_t kind = record ? record->kind : 0;
    // A map of the plane always shows both planes, one of space both spaces.
    if (chosen == views2D[0] && !other && MapsThePlane(kind))
        other = views2D[1];
    if (chosen == views3D[0] && kind == kSpaceMap)
        other = views3D[1];
    active = chosen;
    second = other;
    LayoutViews();

    if (active == views2D[0] && second == views2D[1] && MapsThePlane(kind))
        BuildMapPlot(record);

    // Ranges read from the active view (R, Theta and Phi from the first 3D
    // view when the active view lacks them), then spread.
    const ParameterRanges first2D = RangesOf(views2D[0]), second2D = RangesOf(views2D[1]);
    const ParameterRanges first3D = RangesOf(views3D[0]), second3D = RangesOf(views3D[1]);
    const ParameterRanges fourD = RangesOf(view4D);
    ParameterRanges from = first3D;
    if (chosen == views2D[0]) {
        from.t[0] = first2D.t[0], from.t[1] = first2D.t[1];
        from.r[0] = first2D.r[0], from.r[1] = first2D.r[1];
        from.theta[0] = first2D.theta[0], from.theta[1] = first2D.theta[1];
    } else if (chosen == view4D) {
        from.t[0] = fourD.t[0], from.t[1] = fourD.t[1];
        from.u[0] = fourD.u[0], from.u[1] = fourD.u[1];
        from.v[0] = fourD.v[0], from.v[1] = fourD.v[1];
    }
    Spread(from.t, {first2D.t, second2D.t, first3D.t, second3D.t, fourD.t});
    Spread(from.u, {first3D.u, second3D.u, fourD.u});
    Spread(from.v, {first3D.v, second3D.v, fourD.v});
    Spread(from.r, {first2D.r, second2D.r, first3D.r, second3D.r});
    Spread(from.theta, {first2D.theta, second2D.theta, first3D.theta, second3D.theta});
    Spread(first3D.phi, {second3D.phi});

    // The views enlarge it again from their graphs' extents when they draw.
    views3D[0]->depthRadius = 1.2;
    views3D[1]->depthRadius = 1.2;
}

void GraphSet::BuildMapPlot(const TransformRecord* record)
{
    if (!record->components[0] || !record->components[1])
        return;
    // The components in the unprimed letters of the view they are drawn
    // over: a map given in primed letters (kind 1) is read in the second
    // plane, whose plots evaluate x and y.
    FormulaNode* u = CopyTree(record->components[0]);
    FormulaNode* v = CopyTree(record->components[1]);
    for (FormulaNode* tree : {u, v}) {
        if (record->kind == 1)
            SwapPrimedSymbols(tree);
        DocAddFreeVariables(doc, tree);
        SubstituteParameters(tree, doc);
    }
    CompiledFormula* fu = Compile(u);
    CompiledFormula* fv = Compile(v);
    AGraphColor* colour = new (std::nothrow) AGraphColor(views3D[0]->context, doc);
    A2DGraph* plot = nullptr;
    if (fu && fv && colour) {
        colour->SetColorCode(record->Color);
        if (record->kind == 1)
            plot = new (std::nothrow)
                ATransformPlot(fu, fv, colour, &views2D[1]->drawMapping, views2D[0], &complexMapGraphs);
        else
            plot = new (std::nothrow) ATextureMapPlot(fu, fv, colour, record->Grain, &views2D[1]->drawMapping,
                                                      views2D[0], &complexMapGraphs);
    }
    if (!plot) {
        delete fu;
        delete fv;
        delete colour;
        return;
    }
    const int32_t row = equationGraphs.count;
    if (AddGraph2D(plot, 1) != 0) {
        delete plot;
        return;
    }
    // The map's line lists the plot's row, so that its style reaches it.
    if (DocLine* line = record->line) {
        if (!line->graphs)
            line->graphs = new (std::nothrow) GrowArray<int32_t>;
        if (line->graphs) {
            line->graphs->count = 0;
            line->graphs->Push(row);
        }
    }
}

void GraphSet::NoteComplexMapGraph(int32_t graph, const TransformRecord* record)
{
    // A number that cannot be noted is only not redrawn through the map.
    if (record && MapsThePlane(record->kind))
        complexMapGraphs.Push(graph);
}
