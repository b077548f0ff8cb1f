#include "graphs3d/AStartOnPoint.h"

#include "CoreUtilities/GraphJob.h"
#include "evaluation/CompiledFormula.h"

AStartOnPoint::AStartOnPoint(CompiledFormula* px, CompiledFormula* py, CompiledFormula* pz, CompiledFormula* dx,
                             CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* radius,
                             CompiledFormula* condition, double opacity, AGraphColor* color, const double* xMin,
                             const double* xMax, const double* yMin, const double* yMax, const double* zMin,
                             const double* zMax, ViewRenderContext* renderContext, bool flow)
    : AStartPointSet(condition, renderContext), px(px), py(py), pz(pz)
{
    pointSet = true;
    FlowFieldArguments a{dx, dy, dz, radius, color, opacity, xMin, xMax, yMin, yMax, zMin, zMax, renderContext, flow};
    static const double kFieldLength = 0;
    MakePlot(a, &kFieldLength);
    CompileFormulas3(px, py, pz);
    Start();
}

AStartOnPoint::~AStartOnPoint()
{
    Stop();
    delete px;
    delete py;
    delete pz;
}

void AStartOnPoint::OwnFormulas(CompiledFormula* (&list)[4]) const
{
    list[0] = px;
    list[1] = py;
    list[2] = pz;
    list[3] = condition;
}

int32_t AStartOnPoint::ComputePoints()
{
    const double x = px->EvaluateAt(0), y = py->EvaluateAt(0), z = pz->EvaluateAt(0);
    if (StopRequested())
        return GraphJobStopped;
    Append(x, y, z);
    return GraphJobDone;
}
