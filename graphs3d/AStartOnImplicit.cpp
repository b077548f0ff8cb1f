#include "graphs3d/AStartOnImplicit.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphJob.h"
#include "CoreUtilities/MemoryBudget.h"
#include "CoreUtilities/MeshRecords.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "graphs3d/ImplicitPolygoniser.h"

#include <algorithm>
#include <cmath>

namespace {

// A time slice of the vertex search: 100 ticks.
constexpr int32_t kSliceTicks = 100;

}  // namespace

int32_t OccupancyCell(double v, double lo, double hi, int32_t n)
{
    const double c = n * (v - lo) / (hi - lo) - 0.5;
    if (!std::isfinite(c))
        return -1;
    return c >= n ? n : c <= 0 ? 0 : static_cast<int32_t>(c);
}

AStartOnImplicit::AStartOnImplicit(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz,
                                   CompiledFormula* radius, CompiledFormula* f, CompiledFormula* condition,
                                   double resolution, double opacity, AGraphColor* color, const double* xMin,
                                   const double* xMax, const double* yMin, const double* yMax, const double* zMin,
                                   const double* zMax, ViewRenderContext* renderContext, bool flow)
    : AStartPointSet(condition, renderContext), f(f), xMin(xMin), xMax(xMax), yMin(yMin), yMax(yMax), zMin(zMin),
      zMax(zMax), resolution(resolution), flow(flow)
{
    FlowFieldArguments a{dx, dy, dz, radius, color, opacity, xMin, xMax, yMin, yMax, zMin, zMax, renderContext, flow};
    static const double kFieldLength = 0;
    MakePlot(a, &kFieldLength);
    // One linking serves the corner and the centre grid: they differ only
    // in where they start.
    programs = LinkGridFormula(f);
    CompileFormula(f);
    if (condition)
        CompileFormula(condition);
    Start();
}

AStartOnImplicit::~AStartOnImplicit()
{
    Stop();
    delete programs;
    delete f;
}

int32_t AStartOnImplicit::Count() const
{
    return flow ? StartCount(resolution, 4, 14) : StartCount(resolution, 8, 28);
}

void AStartOnImplicit::OwnFormulas(CompiledFormula* (&list)[4]) const
{
    list[0] = f;
    list[1] = condition;
    list[2] = list[3] = nullptr;
}

int32_t AStartOnImplicit::ComputePoints()
{
    const int32_t n = Count();
    const double x0 = *xMin, x1 = *xMax, y0 = *yMin, y1 = *yMax, z0 = *zMin, z1 = *zMax;
    const int64_t side = n + 1;
    uint8_t* occupied = static_cast<uint8_t*>(BudgetMalloc(static_cast<uint32_t>(side * side * side / 8 + 1), true));
    GridEvalState corners, centres;
    ImplicitPolygoniser polygoniser;
    if (programs && occupied)
        polygoniser.Init(f, nullptr, nullptr, nullptr, nullptr, programs, programs, &corners, &centres, x0, x1, y0,
                         y1, z0, z1, n, n);
    if (!programs || !occupied || !polygoniser.IsReady()) {
        if (!occupied)
            PostFailure(FailureOutOfMemory);
        BudgetFree(occupied);
        return GraphJobNothingToDo;
    }
    MeshVertexArray vertices = {};
    // A refused slice leaves the set finished without points, so that the
    // graph still completes.
    bool failed = !polygoniser.PrepareGrids();
    while (!failed && !polygoniser.IsFinished() && !StopRequested()) {
        const uint32_t deadline = ClockMilliseconds() + static_cast<uint32_t>(TicksToMilliseconds(kSliceTicks));
        failed = polygoniser.RunSlice(&vertices, nullptr, deadline) != 0;
    }
    if (failed)
        PostFailure(FailureOutOfMemory);
    if (failed || StopRequested()) {
        vertices.Clear();
        BudgetFree(occupied);
        return failed ? GraphJobDone : GraphJobStopped;
    }
    for (int32_t i = 0; i < vertices.count; ++i) {
        if (StopRequested())
            break;
        const float* p = vertices.At(i)->position;
        const double x = p[0], y = p[1], z = p[2];
        if (!Keeps(x, y, z))
            continue;
        const int32_t ix = OccupancyCell(x, x0, x1, n), iy = OccupancyCell(y, y0, y1, n),
                      iz = OccupancyCell(z, z0, z1, n);
        if (ix < 0 || iy < 0 || iz < 0)
            continue;
        const int64_t bit = ix + side * (iy + side * iz);
        if (occupied[bit >> 3] & (1u << (bit & 7)))
            continue;
        occupied[bit >> 3] |= static_cast<uint8_t>(1u << (bit & 7));
        Append(x, y, z);
    }
    vertices.Clear();
    BudgetFree(occupied);
    return StopRequested() ? GraphJobStopped : GraphJobDone;
}
