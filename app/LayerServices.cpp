#include "app/LayerServices.h"

#include "app/GraphPaneServices.h"
#include "document/DocumentServices.h"
#include "editor/EquationViewServices.h"

void RegisterLayerServices()
{
    RegisterDocumentServices();
    RegisterEquationPaneHooks();
    SetEquationPaneCursorSetter(&SetEquationPaneCursor);
}
