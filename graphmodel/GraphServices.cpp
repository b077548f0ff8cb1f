#include "graphmodel/GraphServices.h"

namespace {

// Written at start-up (and by tests between runs) while no plot computes.
GraphServices Services;

}  // namespace

void SetGraphServices(const GraphServices& services)
{
    Services = services;
}

const GraphServices& GetGraphServices()
{
    return Services;
}

void DocRequestRedraw(DocState* doc)
{
    if (doc && Services.requestRedraw)
        Services.requestRedraw(doc);
}

bool DocUsesAntialiasing(const DocState* doc)
{
    return doc && Services.usesAntialiasing && Services.usesAntialiasing(doc);
}

void DocSetGraphWorkPending(DocState* doc)
{
    if (doc && Services.setGraphWorkPending)
        Services.setGraphWorkPending(doc);
}

void DocAddFreeVariables(DocState* doc, const FormulaNode* tree)
{
    if (doc && tree && Services.addFreeVariables)
        Services.addFreeVariables(doc, tree);
}

void ShellSetDocModified(bool modified)
{
    if (Services.setDocModified)
        Services.setDocModified(modified);
}

void ShellInvalidateGraphPane(DocState* doc)
{
    if (doc && Services.invalidateGraphPane)
        Services.invalidateGraphPane(doc);
}

void ShellUpdateGraphPaneCursor()
{
    if (Services.updateGraphPaneCursor)
        Services.updateGraphPaneCursor();
}

bool ShellIsBenchmarkRunning()
{
    return Services.isBenchmarkRunning && Services.isBenchmarkRunning();
}

namespace {

// The calls that take only the document, made when it and the call exist.
void CallWithDoc(void (*call)(DocState*), DocState* doc)
{
    if (doc && call)
        call(doc);
}

}  // namespace

void ShellRedrawGraphPane(DocState* doc)
{
    CallWithDoc(Services.redrawGraphPane, doc);
}

void ShellDrawGraphViewsDetached(DocState* doc)
{
    CallWithDoc(Services.drawGraphViewsDetached, doc);
}

void ShellRedrawEquationPane(DocState* doc)
{
    CallWithDoc(Services.redrawEquationPane, doc);
}

void DocSetRangePanelRow(DocState* doc, int32_t slot, double min, double max)
{
    if (doc && Services.setRangePanelRow)
        Services.setRangePanelRow(doc, slot, min, max);
}

void DocResetRangePanel(DocState* doc)
{
    CallWithDoc(Services.resetRangePanel, doc);
}

void DocClearRangePanel(DocState* doc)
{
    CallWithDoc(Services.clearRangePanel, doc);
}

void ShellSetGraphPaneCursor(ShortPoint p)
{
    if (Services.setGraphPaneCursor)
        Services.setGraphPaneCursor(p);
}

void ShellSetDragCursor(int32_t cursor)
{
    if (Services.setDragCursor)
        Services.setDragCursor(cursor);
}

OffscreenSurface* ShellGraphPaneSurface(DocState* doc)
{
    return doc && Services.graphPaneSurface ? Services.graphPaneSurface(doc) : nullptr;
}

void ShellPresentGraphPane()
{
    if (Services.presentGraphPane)
        Services.presentGraphPane();
}

void ShellPlayClickSound()
{
    if (Services.playClickSound)
        Services.playClickSound();
}
