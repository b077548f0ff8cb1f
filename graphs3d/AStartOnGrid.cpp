#include "graphs3d/AStartOnGrid.h"

#include "CoreUtilities/GraphJob.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"

namespace {

int32_t GridCount(double resolution, bool flow)
{
    return flow ? StartCount(resolution, 2, 8) : StartCount(resolution, 5, 50);
}

}  // namespace

AStartOnGrid::AStartOnGrid(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* sx,
                           CompiledFormula* sy, CompiledFormula* sz, CompiledFormula* radius,
                           CompiledFormula* condition, double resolution, double opacity, AGraphColor* color,
                           const double* uMin, const double* uMax, const double* vMin, const double* vMax,
                           const double* xMin, const double* xMax, const double* yMin, const double* yMax,
                           const double* zMin, const double* zMax, ViewRenderContext* renderContext, bool flow)
    : AStartPointSet(condition, renderContext), sx(sx), sy(sy), sz(sz), uMin(uMin), uMax(uMax), vMin(vMin),
      vMax(vMax), flow(flow), n(GridCount(resolution, flow))
{
    FlowFieldArguments a{dx, dy, dz, radius, color, opacity, xMin, xMax, yMin, yMax, zMin, zMax, renderContext, flow};
    static const double kFieldLength = 0;
    MakePlot(a, &kFieldLength);
    programs = LinkGridFormulas3(sx, sy, sz);
    if (condition)
        CompileFormula(condition);
    Start();
}

AStartOnGrid::~AStartOnGrid()
{
    Stop();
    delete programs;
    delete sx;
    delete sy;
    delete sz;
}

void AStartOnGrid::OwnFormulas(CompiledFormula* (&list)[4]) const
{
    list[0] = sx;
    list[1] = sy;
    list[2] = sz;
    list[3] = condition;
}

void AStartOnGrid::SetResolution(double resolution)
{
    n = GridCount(resolution, flow);
}

int32_t AStartOnGrid::ComputePoints()
{
    if (!programs)
        return GraphJobNothingToDo;
    const double u0 = *uMin, v0 = *vMin;
    const double du = (*uMax - u0) / (n - 1), dv = (*vMax - v0) / (n - 1);
    GridEvalState state;
    PrepareGrid2D(u0, v0, du, dv, n, n, programs, &state);
    for (int32_t iu = 0; iu < n; ++iu) {
        for (int32_t iv = 0; iv < n; ++iv) {
            const double x = sx->EvaluateAtGridPoint(iu, iv, &state);
            const double y = sy->EvaluateAtGridPoint(iu, iv, &state);
            const double z = sz->EvaluateAtGridPoint(iu, iv, &state);
            if (Keeps(x, y, z))
                Append(x, y, z);
            if (StopRequested())
                return GraphJobStopped;
        }
    }
    return GraphJobDone;
}
