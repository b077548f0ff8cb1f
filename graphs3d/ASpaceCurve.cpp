#include "graphs3d/ASpaceCurve.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ACurve3D.h"
#include "graphs3d/BudgetedBlock.h"
#include "graphs3d/LimitGrain.h"
#include "rendering/ViewRenderContext.h"

#include <cmath>
#include <limits>
#include <new>

int32_t SpaceCurveSampleCount(double resolution)
{
    return static_cast<int32_t>(std::trunc(800 * LimitGrain(resolution) + 200));
}

ASpaceCurve::ASpaceCurve(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* radius,
                         CompiledFormula* condition, AGraphColor* color, double resolution, double opacity,
                         ViewRenderContext* context, const double* tMin, const double* tMax)
    : context(context), tMin(tMin), tMax(tMax), x(x), y(y), z(z), radius(radius), condition(condition),
      color(color), opacity(opacity), resolution(resolution), n(SpaceCurveSampleCount(resolution)), job(this)
{
    CompileFormulas3(x, y, z);
    if (radius)
        CompileFormula(radius);
    if (condition)
        CompileFormula(condition);
    if (color)
        color->NormalizeBrightness();
    Rebuild(resolution);
}

ASpaceCurve::~ASpaceCurve()
{
    Stop();
    delete curve;
    FreeArrays();
    delete x;
    delete y;
    delete z;
    delete radius;
    delete condition;
    delete color;
}

bool ASpaceCurve::NeedsPointColors() const
{
    // Patterns and pictures have nothing to give a curve's points: those
    // curves show the plain colour.
    return color && color->IsFormulaColor();
}

bool ASpaceCurve::HasArrays() const
{
    return points && (!radius || radii) && (!NeedsPointColors() || pointColors) && curve && curve->HasArrays();
}

void ASpaceCurve::AllocateArrays()
{
    points = BudgetedBlock<float>(3 * static_cast<int64_t>(n));
    if (radius)
        radii = BudgetedBlock<double>(n);
    if (NeedsPointColors())
        pointColors = BudgetedBlock<float>(3 * static_cast<int64_t>(n), true);
    if (!points || (radius && !radii) || (NeedsPointColors() && !pointColors))
        FreeArrays();
}

void ASpaceCurve::FreeArrays()
{
    ReleaseBlock(points);
    ReleaseBlock(radii);
    ReleaseBlock(pointColors);
}

void ASpaceCurve::Rebuild(double newResolution)
{
    Stop();
    delete curve;
    curve = nullptr;
    FreeArrays();
    resolution = newResolution;
    n = SpaceCurveSampleCount(resolution);
    AllocateArrays();
    if (points)
        curve = new (std::nothrow)
            ACurve3D(n, points, radii, pointColors, color, resolution, opacity, false, context);
    Start();
}

void ASpaceCurve::Start()
{
    done.store(0, std::memory_order_release);
    stopRequested.store(0, std::memory_order_relaxed);
    ResumeFormulas(color, x, y, z, radius, condition);
    EnqueueGraphJob(&job);
}

void ASpaceCurve::Stop()
{
    stopRequested.store(1, std::memory_order_relaxed);
    StopFormulas(color, x, y, z, radius, condition);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

void ASpaceCurve::Restart()
{
    Stop();
    done.store(0, std::memory_order_release);
    if (curve)
        curve->Restart();
    Start();
}

int32_t ASpaceCurve::ComputeChunk(int32_t)
{
    if (!HasArrays())
        return GraphJobNothingToDo;
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    const double t0 = *tMin, dt = (*tMax - t0) / (n - 1);
    const bool perPoint = pointColors && NeedsPointColors();
    for (int32_t i = 0; i < n; ++i) {
        const double t = i * dt + t0;
        const double px = x->EvaluateAt(t), py = y->EvaluateAt(t), pz = z->EvaluateAt(t);
        const double r = radius ? radius->EvaluateAtUVXYZW(t, 0, px, py, pz, 0) : 0;
        bool defined = std::isfinite(px) && std::isfinite(py) && std::isfinite(pz) && std::isfinite(r);
        if (defined && condition)
            defined = condition->EvaluateAtUVXYZW(t, 0, px, py, pz, 0) == 1;
        float* p = points + 3 * i;
        p[0] = defined ? static_cast<float>(px) : nan;
        p[1] = defined ? static_cast<float>(py) : nan;
        p[2] = defined ? static_cast<float>(pz) : nan;
        if (radii)
            radii[i] = r;
        if (perPoint) {
            double cr = 0, cg = 0, cb = 0;
            color->EvaluateFormulas(t, 0, px, py, pz, 0, cr, cg, cb);
            pointColors[3 * i] = static_cast<float>(cr);
            pointColors[3 * i + 1] = static_cast<float>(cg);
            pointColors[3 * i + 2] = static_cast<float>(cb);
        }
        if (stopRequested.load(std::memory_order_relaxed))
            return GraphJobStopped;
    }
    curve->BuildTube();
    done.store(1, std::memory_order_release);
    if (context)
        context->RequestRedraw();
    return GraphJobDone;
}

int32_t ASpaceCurve::GetStatus()
{
    return curve ? curve->GetStatus() : MessageNone;
}

bool ASpaceCurve::DependsOn(uint32_t code) const
{
    for (const CompiledFormula* f : {x, y, z, radius, condition}) {
        if (f && f->DependsOn(code))
            return true;
    }
    return color && color->DependsOn(code);
}

void ASpaceCurve::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, x, y, z, radius, condition);
    if (DependsOn(code))
        Restart();
}

void ASpaceCurve::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionUploadMesh:
    case OptionUploadProgress:
    case 7:
        if (curve)
            curve->SetOption(code, value);
        return;
    case OptionOpacity:
        opacity = value;
        if (curve)
            curve->SetOption(code, value);
        return;
    case OptionColor: {
        if (!color)
            return;
        const bool needed = NeedsPointColors();
        color->SetColorCode(value);
        color->NormalizeBrightness();
        // A curve that now needs point colours, or no longer does, gets
        // arrays for its new colour.
        if (needed != NeedsPointColors())
            Rebuild(resolution);
        return;
    }
    case OptionResolution: Rebuild(value); return;
    default: return;
    }
}

bool ASpaceCurve::Draw()
{
    return curve ? curve->Draw() : true;
}

double ASpaceCurve::GetExtent()
{
    return curve ? curve->GetExtent() : 0;
}
