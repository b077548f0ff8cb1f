#include "graphs3d/ATransformedDEPlot3D.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ADEPlot3D.h"
#include "graphs3d/ACurve3D.h"
#include "graphs3d/FlowCurve.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>

ATransformedDEPlot3D::ATransformedDEPlot3D(CompiledFormula* X, CompiledFormula* Y, CompiledFormula* Z,
                                           ADEPlot3D* source, ViewRenderContext* renderContext)
    : X(X), Y(Y), Z(Z), source(source), renderContext(renderContext),
      partCount(std::max<int32_t>(1, GetProcessorCount())), jobs(NewGraphJobs(this, partCount)),
      done(new std::atomic<uint8_t>[partCount]), mappedByPart(new int32_t[partCount]),
      sourceGeneration(source->Generation())
{
    for (int32_t p = 0; p < partCount; ++p) {
        jobs[p].dependency = source;
        done[p] = 0;
        mappedByPart[p] = 0;
    }
    CompileFormulas3(X, Y, Z);
    Start();
}

ATransformedDEPlot3D::~ATransformedDEPlot3D()
{
    Stop();
    DeleteGraphJobs(jobs);
    delete X;
    delete Y;
    delete Z;
}

void ATransformedDEPlot3D::Start()
{
    stopRequested = 0;
    ResumeFormulas(nullptr, X, Y, Z);
    for (int32_t p = 0; p < partCount; ++p)
        done[p] = 0;
    EnqueueGraphJobs(jobs, partCount);
}

void ATransformedDEPlot3D::Stop()
{
    stopRequested = 1;
    StopFormulas(nullptr, X, Y, Z);
    CancelGraphJobs(this);
    for (int32_t p = 0; p < partCount; ++p)
        WaitForGraphJob(&jobs[p]);
}

void ATransformedDEPlot3D::Restart()
{
    Stop();
    lines.MarkOld();
    sourceGeneration = source->Generation();
    Start();
}

bool ATransformedDEPlot3D::IsComplete()
{
    if (!source->IsComplete())
        return false;
    for (int32_t p = 0; p < partCount; ++p) {
        if (!done[p].load(std::memory_order_acquire))
            return false;
    }
    return true;
}

void ATransformedDEPlot3D::VariableChanged(uint32_t code)
{
    InvalidateConstants(nullptr, X, Y, Z);
    if (X->DependsOn(code) || Y->DependsOn(code) || Z->DependsOn(code) || source->UsesVariable(code))
        Restart();
}

int32_t ATransformedDEPlot3D::ComputeChunk(int32_t part)
{
    int32_t current = 0;
    {
        MutexLock hold(source->ListMutex());
        current = source->CurveCount() - source->RemoveCount();
    }
    mappedByPart[part] = 0;
    int32_t first = 0, end = 0;
    if (source->IsComplete())
        ADEPlot3D::PartRange(current, partCount, part, first, end);
    for (int32_t i = first; i < end; ++i) {
        FlowCurve* copy = nullptr;
        {
            // A load may have dropped the old lines meanwhile: the current
            // ones always follow the old ones still kept.
            MutexLock hold(source->ListMutex());
            const int32_t index = source->RemoveCount() + i;
            if (index < source->CurveCount())
                copy = FlowCurve::FromCurveData(*source->CurveAt(index));
        }
        if (!copy)
            continue;
        float* mapped = copy->count > 0 ? static_cast<float*>(
                                              BudgetMalloc(static_cast<uint32_t>(3 * sizeof(float) * copy->count), false))
                                        : nullptr;
        if (copy->count > 0 && !mapped)
            PostFailure(FailureOutOfMemory);
        for (int32_t k = 0; mapped && k < copy->count; ++k) {
            const float* q = copy->points + 3 * k;
            mapped[3 * k] = static_cast<float>(X->EvaluateAtUVXYZW(0, 0, q[0], q[1], q[2], 0));
            mapped[3 * k + 1] = static_cast<float>(Y->EvaluateAtUVXYZW(0, 0, q[0], q[1], q[2], 0));
            mapped[3 * k + 2] = static_cast<float>(Z->EvaluateAtUVXYZW(0, 0, q[0], q[1], q[2], 0));
            if (X->IsStopRequested())
                break;
        }
        if (!mapped || stopRequested.load(std::memory_order_relaxed)) {
            BudgetFree(mapped);
            FlowCurve::Free(copy);
            if (stopRequested.load(std::memory_order_relaxed))
                return GraphJobStopped;
            continue;
        }
        BudgetFree(copy->points);
        copy->points = mapped;
        copy->BuildCurve(source->Color(), source->Opacity(), renderContext);
        ++mappedByPart[part];
        lines.Append(copy);
    }
    if (stopRequested.load(std::memory_order_relaxed))
        return GraphJobStopped;
    MutexLock hold(doneMutex);
    done[part].store(1, std::memory_order_release);
    if (IsComplete() && renderContext)
        renderContext->RequestRedraw();
    return GraphJobDone;
}

void ATransformedDEPlot3D::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionResolution: Restart(); return;
    case OptionUploadMesh:
        if (IsComplete())
            lines.DropOldAndLoad(value);
        return;
    case OptionOpacity: lines.SendOption(OptionOpacity, value); return;
    default: return;
    }
}

bool ATransformedDEPlot3D::Draw()
{
    // The source was restarted (by its start-point set or a change it
    // alone uses): follow it.
    if (source->Generation() != sourceGeneration) {
        Restart();
        return true;
    }
    lines.Draw();
    return true;
}

double ATransformedDEPlot3D::GetExtent()
{
    return lines.GetExtent();
}
