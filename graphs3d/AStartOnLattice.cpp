#include "graphs3d/AStartOnLattice.h"

#include "CoreUtilities/GraphJob.h"
#include "evaluation/CompiledFormula.h"

#include <algorithm>

namespace {

int32_t LatticeCount(double resolution, bool flow)
{
    return flow ? StartCount(resolution, 2, 8, 0.5) : StartCount(resolution, 4, 16, 0.5);
}

}  // namespace

AStartOnLattice::AStartOnLattice(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz,
                                 CompiledFormula* radius, CompiledFormula* condition, double resolution,
                                 double opacity, AGraphColor* color, ViewRenderContext* renderContext,
                                 const double* xMin, const double* xMax, const double* yMin, const double* yMax,
                                 const double* zMin, const double* zMax, bool flow)
    : AStartPointSet(condition, renderContext), xMin(xMin), xMax(xMax), yMin(yMin), yMax(yMax), zMin(zMin),
      zMax(zMax), flow(flow), n(LatticeCount(resolution, flow))
{
    UpdateArrowLength();
    FlowFieldArguments a{dx, dy, dz, radius, color, opacity, xMin, xMax, yMin, yMax, zMin, zMax, renderContext, flow};
    MakePlot(a, &arrowLength);
    if (condition)
        CompileFormula(condition);
    Start();
}

AStartOnLattice::~AStartOnLattice()
{
    Stop();
}

void AStartOnLattice::UpdateArrowLength()
{
    arrowLength = std::min({*xMax - *xMin, *yMax - *yMin, *zMax - *zMin}) * 0.5 / (n - 1);
}

void AStartOnLattice::OwnFormulas(CompiledFormula* (&list)[4]) const
{
    list[0] = condition;
    list[1] = list[2] = list[3] = nullptr;
}

void AStartOnLattice::SetResolution(double resolution)
{
    n = LatticeCount(resolution, flow);
}

void AStartOnLattice::ResetForRestart()
{
    UpdateArrowLength();
}

int32_t AStartOnLattice::ComputePoints()
{
    const double x0 = *xMin, y0 = *yMin, z0 = *zMin;
    const double dx = (*xMax - x0) / (n - 1), dy = (*yMax - y0) / (n - 1), dz = (*zMax - z0) / (n - 1);
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            for (int32_t k = 0; k < n; ++k) {
                const double x = x0 + i * dx, y = y0 + j * dy, z = z0 + k * dz;
                if (Keeps(x, y, z))
                    Append(x, y, z);
                if (StopRequested())
                    return GraphJobStopped;
            }
        }
    }
    return GraphJobDone;
}
