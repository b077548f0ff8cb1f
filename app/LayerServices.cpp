#include "app/LayerServices.h"

#include "app/DemoPlayer.h"
#include "app/GraphPaneServices.h"
#include "document/DocumentServices.h"
#include "editor/EquationViewServices.h"
#include "graphmodel/GraphServices.h"

void RegisterLayerServices()
{
    RegisterDocumentServices();
    RegisterEquationPaneHooks();
    SetEquationPaneCursorSetter(&SetEquationPaneCursor);
    // The document's calls (redraws, antialiasing, graph work) join these
    // once it has them.
    GraphServices graphs;
    graphs.updateGraphPaneCursor = &UpdateGraphPaneCursor;
    graphs.isBenchmarkRunning = &IsBenchmarkRunning;
    SetGraphServices(graphs);
}
