#include "graphmodel/AGraphView.h"

#include "graphmodel/AGraph.h"

#include "CoreUtilities/Clock.h"

void DeleteGraphs(GrowArray<AGraph*>& graphs)
{
    for (AGraph* graph : graphs)
        delete graph;
    graphs.Clear();
}

AGraphView::~AGraphView()
{
    FreeGraphs();
}

int32_t AGraphView::GetGraphStatus(int32_t i)
{
    return graphs[i]->GetStatus();
}

bool AGraphView::IsGraphComplete(int32_t i)
{
    return graphs[i]->IsComplete();
}

bool AGraphView::GraphHasResolution(int32_t i)
{
    return i >= 0 && i < graphs.count && graphs[i]->HasResolution();
}

bool AGraphView::AreAllGraphsComplete()
{
    for (AGraph* graph : graphs) {
        if (!graph->IsComplete())
            return false;
    }
    return true;
}

void AGraphView::RestartAllGraphs()
{
    for (AGraph* graph : graphs)
        graph->Restart();
}

void AGraphView::WaitForGraphs()
{
    const uint32_t start = ClockMilliseconds();
    const uint32_t limit = static_cast<uint32_t>(TicksToMilliseconds(10));
    while (!AreAllGraphsComplete() && ClockMilliseconds() - start < limit)
        SleepMicroseconds(10000);
}
