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
