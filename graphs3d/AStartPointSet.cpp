#include "graphs3d/AStartPointSet.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/A3DVectorField.h"
#include "graphs3d/ADEPlot3D.h"

#include <cmath>
#include <new>

int32_t StartCount(double resolution, int32_t min, int32_t max, double rounding)
{
    if (!(resolution >= 0))
        resolution = 0;
    if (resolution > 1)
        resolution = 1;
    const int32_t n = static_cast<int32_t>(std::trunc((max - min) * resolution + min + rounding));
    return n < min ? min : n > max ? max : n;
}

AStartPointSet::AStartPointSet(CompiledFormula* condition, ViewRenderContext* renderContext)
    : condition(condition), renderContext(renderContext), job(this)
{
}

AStartPointSet::~AStartPointSet()
{
    // The concrete set has stopped its job (its formulas are gone by now).
    // The plot reads the start points and the condition: it goes first.
    stopRequested = 1;
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
    delete plot;
    plot = nullptr;
    delete condition;
    startPoints.Clear();
}

void AStartPointSet::MakePlot(FlowFieldArguments& a, const double* arrowLength)
{
    if (a.flow) {
        plot = new (std::nothrow) ADEPlot3D(a.dx, a.dy, a.dz, a.radius, condition, a.color, a.opacity, &startPoints,
                                            a.xMin, a.xMax, a.yMin, a.yMax, a.zMin, a.zMax, a.renderContext);
    } else {
        plot = new (std::nothrow)
            A3DVectorField(a.dx, a.dy, a.dz, a.radius, a.color, arrowLength, &startPoints, a.renderContext);
    }
    if (!plot) {
        PostFailure(FailureOutOfMemory);
        delete a.dx;
        delete a.dy;
        delete a.dz;
        delete a.radius;
        delete a.color;
    }
    a = FlowFieldArguments{};
}

bool AStartPointSet::Keeps(double x, double y, double z) const
{
    return !condition || condition->EvaluateAtUVXYZW(0, 0, x, y, z, 0) == 1.0;
}

void AStartPointSet::Append(double x, double y, double z)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return;
    if (startPoints.Push(SpacePoint{x, y, z}) != 0)
        PostFailure(FailureOutOfMemory);
}

void AStartPointSet::Start()
{
    stopRequested = 0;
    CompiledFormula* list[4];
    OwnFormulas(list);
    ResumeFormulas(nullptr, list[0], list[1], list[2], list[3]);
    pointsReady = 0;
    EnqueueGraphJob(&job);
}

void AStartPointSet::Stop()
{
    stopRequested = 1;
    CompiledFormula* list[4];
    OwnFormulas(list);
    StopFormulas(nullptr, list[0], list[1], list[2], list[3]);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

int32_t AStartPointSet::ComputeChunk(int32_t)
{
    const int32_t result = ComputePoints();
    if (result != GraphJobDone)
        return result;
    if (StopRequested())
        return GraphJobStopped;
    pointsReady.store(1, std::memory_order_release);
    if (plot)
        plot->Start();
    return GraphJobDone;
}

bool AStartPointSet::IsComplete()
{
    return PointsReady() && plot && plot->IsComplete();
}

int32_t AStartPointSet::GetStatus()
{
    return plot ? plot->GetStatus() : MessageNone;
}

bool AStartPointSet::Draw()
{
    return plot ? plot->Draw() : true;
}

double AStartPointSet::GetExtent()
{
    return plot ? plot->GetExtent() : 0;
}

bool AStartPointSet::OwnFormulasUse(uint32_t code) const
{
    CompiledFormula* list[4];
    OwnFormulas(list);
    for (const CompiledFormula* f : list) {
        if (f && f->DependsOn(code))
            return true;
    }
    return false;
}

void AStartPointSet::VariableChanged(uint32_t code)
{
    CompiledFormula* list[4];
    OwnFormulas(list);
    InvalidateConstants(nullptr, list[0], list[1], list[2], list[3]);
    // Points still being computed are computed again: the plot may start
    // only on a finished set.
    Stop();
    const bool pointsWereReady = PointsReady();
    if (!plot || pointSet || !pointsWereReady || OwnFormulasUse(code)) {
        if (plot) {
            plot->Stop();
            plot->VariableChanged(code);
        }
        Restart();
        return;
    }
    const bool wasComplete = plot->IsComplete();
    plot->Stop();
    plot->VariableChanged(code);
    if (plot->UsesVariable(code)) {
        plot->Start();
    } else if (!wasComplete) {
        // Stopped unfinished by a change it does not use: computed again
        // rather than left incomplete.
        plot->Restart();
        plot->Start();
    }
}

void AStartPointSet::SetOption(int32_t code, double value)
{
    const bool toPlot = pointSet || (code >= OptionUploadMesh && code <= OptionOpacity) || code == OptionVectorLength;
    if (toPlot) {
        if (plot)
            plot->SetOption(code, value);
        return;
    }
    if (code == OptionResolution) {
        Stop();
        SetResolution(value);
        Restart();
    }
}

void AStartPointSet::Restart()
{
    Stop();
    if (plot)
        plot->Stop();
    startPoints.Clear();
    ResetForRestart();
    if (plot)
        plot->Restart();
    Start();
}
