// The graph set's equation table, its range slots and the ranges of its
// views.
#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphmodel/AGraph.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphs2d/A2DGraphView.h"
#include "graphs2d/GraphSet.h"

namespace {

struct RangeRef {
    double* min;
    double* max;
};

// Every range a slot stands for, the one the panel shows first.
struct RangeHolders {
    RangeRef refs[5];
    int32_t count = 0;

    void Add(double& min, double& max) { refs[count++] = RangeRef{&min, &max}; }
};

RangeHolders HoldersOf(const GraphSet& set, int32_t slot)
{
    RangeHolders h;
    A3DGraphView& a = *set.views3D[0];
    A3DGraphView& b = *set.views3D[1];
    A2DGraphView& p = *set.views2D[0];
    A2DGraphView& q = *set.views2D[1];
    A4DGraphView& d = *set.view4D;
    const bool fourD = set.active == set.view4D;
    switch (slot) {
    case 0: fourD ? h.Add(d.xMin, d.xMax) : h.Add(a.xMin, a.xMax); break;
    case 1: fourD ? h.Add(d.yMin, d.yMax) : h.Add(a.yMin, a.yMax); break;
    case 2: fourD ? h.Add(d.zMin, d.zMax) : h.Add(a.zMin, a.zMax); break;
    case 3:
        if (fourD)
            h.Add(d.wMin, d.wMax);
        break;
    case 4: h.Add(b.xMin, b.xMax); break;
    case 5: h.Add(b.yMin, b.yMax); break;
    case 6: h.Add(b.zMin, b.zMax); break;
    case 7:
        h.Add(a.rMin, a.rMax), h.Add(b.rMin, b.rMax);
        h.Add(p.rMin, p.rMax), h.Add(q.rMin, q.rMax);
        break;
    case 8:
        h.Add(a.thetaMin, a.thetaMax), h.Add(b.thetaMin, b.thetaMax);
        h.Add(p.thetaMin, p.thetaMax), h.Add(q.thetaMin, q.thetaMax);
        break;
    case 9: h.Add(a.phiMin, a.phiMax), h.Add(b.phiMin, b.phiMax); break;
    case 10:
        h.Add(a.tMin, a.tMax), h.Add(b.tMin, b.tMax);
        h.Add(p.tMin, p.tMax), h.Add(q.tMin, q.tMax);
        h.Add(d.tMin, d.tMax);
        break;
    case 11: h.Add(a.uMin, a.uMax), h.Add(b.uMin, b.uMax), h.Add(d.uMin, d.uMax); break;
    case 12: h.Add(a.vMin, a.vMax), h.Add(b.vMin, b.vMax), h.Add(d.vMin, d.vMax); break;
    default: break;
    }
    return h;
}

// Exact comparison of what a 3D view takes over from the other: a changed
// value means its graphs must compute again.
bool SameRanges(const A3DGraphView& a, const A3DGraphView& b)
{
    const double x[] = {a.xMin, a.xMax, a.yMin, a.yMax, a.zMin, a.zMax, a.tMin, a.tMax, a.uMin,
                        a.uMax, a.vMin, a.vMax, a.rMin, a.rMax, a.thetaMin, a.thetaMax, a.phiMin, a.phiMax};
    const double y[] = {b.xMin, b.xMax, b.yMin, b.yMax, b.zMin, b.zMax, b.tMin, b.tMax, b.uMin,
                        b.uMax, b.vMin, b.vMax, b.rMin, b.rMax, b.thetaMin, b.thetaMax, b.phiMin, b.phiMax};
    for (int i = 0; i < 18; ++i) {
        if (x[i] != y[i])
            return false;
    }
    return true;
}

// The whole coordinate state of a 2D view, as one block.
void CopyCoordinates(A2DGraphView& to, const A2DGraphView& from)
{
    to.tMin = from.tMin, to.tMax = from.tMax;
    to.rMin = from.rMin, to.rMax = from.rMax;
    to.thetaMin = from.thetaMin, to.thetaMax = from.thetaMax;
    to.unitsX = from.unitsX, to.unitsY = from.unitsY;
    to.originX = from.originX, to.originY = from.originY;
    to.scaleX = from.scaleX, to.scaleY = from.scaleY;
    to.xMin = from.xMin, to.yMin = from.yMin;
    to.tickKindX = from.tickKindX, to.tickKindY = from.tickKindY;
}

}  // namespace

bool GraphSet::IsValidRow(int32_t i) const
{
    return i >= 0 && i < equationGraphs.count;
}

int32_t GraphSet::AddMainGraph(AGraphView* view, AGraph* graph)
{
    const int32_t n = view->graphs.count;
    if (view->graphs.Push(graph))
        return 1;
    EquationGraphs row{};
    row.pair[0] = GraphRef{view, n};
    if (equationGraphs.Push(row) == 0)
        return 0;
    // Refused: the caller deletes the graph, so the view must not keep it.
    --view->graphs.count;
    return 1;
}

int32_t GraphSet::AddCompanion(AGraphView* view, AGraph* graph)
{
    if (equationGraphs.count == 0)
        return 1;
    const int32_t n = view->graphs.count;
    // The row names the companion only once the view holds it.
    if (view->graphs.Push(graph))
        return 1;
    equationGraphs[equationGraphs.count - 1].pair[1] = GraphRef{view, n};
    return 0;
}

int32_t GraphSet::AddGraph2D(AGraph* graph, int32_t i)
{
    return AddMainGraph(views2D[i], graph);
}

int32_t GraphSet::AddGraph3D(AGraph* graph, int32_t i)
{
    return AddMainGraph(views3D[i], graph);
}

int32_t GraphSet::AddGraph4D(AGraph* graph)
{
    return AddMainGraph(view4D, graph);
}

int32_t GraphSet::AddCompanion2D(AGraph* graph)
{
    return AddCompanion(views2D[1], graph);
}

int32_t GraphSet::AddCompanion3D(AGraph* graph)
{
    return AddCompanion(views3D[1], graph);
}

void GraphSet::SetEquationOption(int32_t i, int32_t code, double value)
{
    if (!IsValidRow(i))
        return;
    const EquationGraphs row = equationGraphs[i];
    for (int32_t k = 0; k < 4; ++k) {
        // The further companions follow the line's hiding, else draw dark
        // grey.
        if (k == 2 && code == OptionColor && value != kHiddenColorCode)
            value = 8;
        if (row.pair[k].view)
            row.pair[k].view->SetGraphOption(code, value, row.pair[k].graph);
    }
}

bool GraphSet::EquationHasResolution(int32_t i) const
{
    if (!IsValidRow(i))
        return false;
    const GraphRef main = equationGraphs[i].pair[0];
    return main.view->GraphHasResolution(main.graph);
}

bool GraphSet::EquationHasResolution(const int32_t* rows, int32_t count)
{
    for (int32_t k = 0; rows && k < count; ++k) {
        if (EquationHasResolution(rows[k]))
            return true;
    }
    return false;
}

int32_t GraphSet::GetEquationStatus(int32_t i) const
{
    if (!IsValidRow(i))
        return MessageNone;
    const GraphRef main = equationGraphs[i].pair[0];
    return main.view->GetGraphStatus(main.graph);
}

bool GraphSet::IsEquationComplete(int32_t i) const
{
    if (!IsValidRow(i))
        return true;
    const GraphRef main = equationGraphs[i].pair[0];
    return main.view->IsGraphComplete(main.graph);
}

bool GraphSet::IsLineMainGraph(const GrowArray<int32_t>* rows, const AGraph* graph) const
{
    if (!rows || rows->count != 1 || !IsValidRow((*rows)[0]))
        return false;
    const GraphRef main = equationGraphs[(*rows)[0]].pair[0];
    AGraphView* first = views2D[0];
    return main.view == first && main.graph >= 0 && main.graph < first->graphs.count &&
           first->graphs[main.graph] == graph;
}

void GraphSet::MarkRangeUsed(int32_t slot)
{
    if (slot >= 0 && slot < kRangeSlotCount)
        rangeUsed[slot] = 1;
}

void GraphSet::MarkBoxRangesUsed(bool secondBox)
{
    const int32_t first = secondBox ? 4 : 0;
    for (int32_t slot = first; slot < first + 3; ++slot)
        MarkRangeUsed(slot);
}

void GraphSet::Mark4DRangesUsed()
{
    for (int32_t slot = 0; slot < 4; ++slot)
        MarkRangeUsed(slot);
}

void GraphSet::GetRangeValue(int32_t slot, double& min, double& max) const
{
    const RangeHolders h = HoldersOf(*this, slot);
    min = h.count ? *h.refs[0].min : 0;
    max = h.count ? *h.refs[0].max : 0;
}

void GraphSet::ReportRange(int32_t slot)
{
    double min, max;
    GetRangeValue(slot, min, max);
    DocSetRangePanelRow(doc, slot, min, max);
}

void GraphSet::ReportUsedRanges()
{
    for (int32_t slot = 0; slot < kRangeSlotCount; ++slot) {
        if (rangeUsed[slot])
            ReportRange(slot);
    }
}

void GraphSet::SetRangeValue(int32_t slot, bool isMax, double value)
{
    const RangeHolders h = HoldersOf(*this, slot);
    for (int32_t k = 0; k < h.count; ++k)
        *(isMax ? h.refs[k].max : h.refs[k].min) = value;
}

void GraphSet::SetRanges(double a, double b, double c, double d, int32_t which)
{
    if (which == WhichActive || which == WhichBoth)
        views2D[0]->SetRanges(a, b, c, d);
    if (which == WhichSecond || which == WhichBoth)
        views2D[1]->SetRanges(a, b, c, d);
    ShellSetDocModified(true);
}

void GraphSet::CopyOtherRange(int32_t i)
{
    if (i != 0 && i != 1)
        return;
    if (active == views2D[0]) {
        CopyCoordinates(*views2D[i], *views2D[1 - i]);
        ResizeViews();
        views2D[i]->RestartAllGraphs();
    } else {
        A3DGraphView& to = *views3D[i];
        const bool same = SameRanges(to, *views3D[1 - i]);
        to.CopyCameraFrom(*views3D[1 - i]);
        if (!same) {
            to.RestartAllGraphs();
            DocResetRangePanel(doc);
            ShellRedrawEquationPane(doc);
            ShellInvalidateGraphPane(doc);
        }
    }
    ShellRedrawGraphPane(doc);
}

bool GraphSet::CanExtendRangesToData() const
{
    return active->CanExtendRangesToData() || (second && second->CanExtendRangesToData());
}

void GraphSet::ExtendRangesToData()
{
    active->ExtendRangesToData();
    if (second)
        second->ExtendRangesToData();
}

void GraphSet::AllVariableChanged(uint32_t code)
{
    for (int32_t i = 0; i < 5; ++i) {
        for (AGraph* graph : View(i)->graphs)
            graph->VariableChanged(code);
    }
    ClearTraces();
}
