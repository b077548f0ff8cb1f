#include "rendering/RenderingServices.h"

#include "graphmodel/A3DGraphView.h"
#include "graphmodel/A4DGraphView.h"
#include "graphs2d/GraphSet.h"
#include "rendering/ColorProgramPreparation.h"
#include "rendering/GpuProgramObject.h"
#include "rendering/ViewRenderContext.h"

#include <new>

void RegisterRenderingServices()
{
    GraphViewMakers makers;
    makers.make3D = &MakeViewWithRenderContext<A3DGraphView>;
    makers.make4D = &MakeViewWithRenderContext<A4DGraphView>;
    SetGraphViewMakers(makers);
    RegisterGpuProgramTexts();
    RegisterGpuProgramReleaser();
}
