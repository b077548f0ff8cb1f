#include "graphs3d/ADEPlot3D.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ACurve3D.h"
#include "graphs3d/FlowCurve.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsFormulaColor(const AGraphColor* color)
{
    const int32_t kind = color ? color->kind.load(std::memory_order_relaxed) : ColorSolid;
    return kind == ColorRgbFormulas || kind == ColorHsvFormulas;
}

// Inside the open interval (lo - 3 w, hi + 3 w), w = hi - lo.
bool InsideEnlarged(double v, double lo, double hi)
{
    const double w = hi - lo;
    return v > lo - 3 * w && v < hi + 3 * w;
}

}  // namespace

ADEPlot3D::ADEPlot3D(CompiledFormula* dx, CompiledFormula* dy, CompiledFormula* dz, CompiledFormula* radius,
                     CompiledFormula* condition, AGraphColor* color, double opacity, const PointStore* startPoints,
                     const double* xMin, const double* xMax, const double* yMin, const double* yMax,
                     const double* zMin, const double* zMax, ViewRenderContext* renderContext)
    : renderContext(renderContext), xMin(xMin), xMax(xMax), yMin(yMin), yMax(yMax), zMin(zMin), zMax(zMax), dx(dx),
      dy(dy), dz(dz), radius(radius), condition(condition), color(color), opacity(opacity),
      startPoints(startPoints), partCount(std::max<int32_t>(1, GetProcessorCount())),
      jobs(NewGraphJobs(this, partCount)), done(new std::atomic<uint8_t>[partCount])
{
    for (int32_t p = 0; p < partCount; ++p)
        done[p] = 0;
    PrepareFormulas();
}

ADEPlot3D::~ADEPlot3D()
{
    Stop();
    DeleteGraphJobs(jobs);
    delete dx;
    delete dy;
    delete dz;
    delete radius;
    delete color;
}

void ADEPlot3D::PrepareFormulas()
{
    CompileFormulas3(dx, dy, dz);
    if (radius)
        CompileFormula(radius);
    if (condition)
        CompileFormula(condition);
    // Flow lines are coloured per point on the processor, never by a
    // fragment program.
    if (color)
        color->ReleaseShader();
}

void ADEPlot3D::Start()
{
    stopRequested = 0;
    ResumeFormulas(color, dx, dy, dz, radius, condition);
    for (int32_t p = 0; p < partCount; ++p)
        done[p] = 0;
    EnqueueGraphJobs(jobs, partCount);
}

void ADEPlot3D::Stop()
{
    stopRequested = 1;
    StopFormulas(color, dx, dy, dz, radius, condition);
    CancelGraphJobs(this);
    for (int32_t p = 0; p < partCount; ++p)
        WaitForGraphJob(&jobs[p]);
}

bool ADEPlot3D::IsComplete()
{
    for (int32_t p = 0; p < partCount; ++p) {
        if (!done[p].load(std::memory_order_acquire))
            return false;
    }
    return true;
}

bool ADEPlot3D::UsesVariable(uint32_t code)
{
    for (const CompiledFormula* f : {dx, dy, dz, radius, condition}) {
        if (f && f->DependsOn(code))
            return true;
    }
    return color && color->DependsOn(code);
}

void ADEPlot3D::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, dx, dy, dz, radius, condition);
    if (UsesVariable(code))
        Restart();
}

void ADEPlot3D::Restart()
{
    lines.MarkOld();
    // Not complete until computed again: a graph that waits for this one
    // must not take the old lines for the new ones.
    for (int32_t p = 0; p < partCount; ++p)
        done[p] = 0;
    generation.fetch_add(1, std::memory_order_acq_rel);
}

void ADEPlot3D::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionColor:
        if (color)
            color->SetColorCode(value);
        return;
    case OptionUploadMesh:
        // Until the new lines are all in, the old ones stay on show.
        if (IsComplete())
            lines.DropOldAndLoad(value);
        return;
    case OptionOpacity:
        opacity = value;
        lines.SendOption(OptionOpacity, value);
        return;
    default: return;
    }
}

bool ADEPlot3D::Draw()
{
    lines.Draw();
    return true;
}

double ADEPlot3D::GetExtent()
{
    return lines.GetExtent();
}

void ADEPlot3D::PartRange(int32_t count, int32_t parts, int32_t p, int32_t& first, int32_t& end)
{
    // Runs of ceil(N / P): the same as q + 1 (q = N / P) unless P divides N,
    // where q + 1 would leave the last parts short.
    const int32_t run = parts > 0 ? (count + parts - 1) / parts : count;
    first = std::min(count, p * run);
    end = std::min(count, first + run);
}

void ADEPlot3D::Field(double x, double y, double z, double (&out)[3])
{
    out[0] = dx->EvaluateAtUVXYZW(0, 0, x, y, z, 0);
    out[1] = dy->EvaluateAtUVXYZW(0, 0, x, y, z, 0);
    out[2] = dz->EvaluateAtUVXYZW(0, 0, x, y, z, 0);
}

bool ADEPlot3D::IntegrateFlowLine(const SpacePoint& p0, int32_t s, PointStore& line)
{
    if (line.Push(p0) != 0) {
        PostFailure(FailureOutOfMemory);
        return false;
    }
    const double x0 = *xMin, x1 = *xMax, y0 = *yMin, y1 = *yMax, z0 = *zMin, z1 = *zMax;
    const double h = 0.005 * std::max({x1 - x0, y1 - y0, z1 - z0});
    double p[3] = {p0.x, p0.y, p0.z};
    for (int32_t n = 1; n <= kFlowStepLimit; ++n) {
        double k1[3], k2[3], k3[3], k4[3];
        Field(p[0], p[1], p[2], k1);
        // A fixed arc length along the first slope; a zero or undefined
        // slope makes the next point undefined, which ends the line.
        const double t = h / std::sqrt(k1[0] * k1[0] + k1[1] * k1[1] + k1[2] * k1[2]);
        Field(p[0] + t * k1[0] / 2, p[1] + t * k1[1] / 2, p[2] + t * k1[2] / 2, k2);
        Field(p[0] + t * k2[0] / 2, p[1] + t * k2[1] / 2, p[2] + t * k2[2] / 2, k3);
        Field(p[0] + t * k3[0], p[1] + t * k3[1], p[2] + t * k3[2], k4);
        for (int32_t c = 0; c < 3; ++c)
            p[c] = p[c] + (t * k1[c] / 6 + (t * k2[c] + t * k3[c]) / 3 + t * k4[c] / 6);
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            break;
        if (!InsideEnlarged(p[0], x0, x1) || !InsideEnlarged(p[1], y0, y1) || !InsideEnlarged(p[2], z0, z1))
            break;
        if (condition && condition->EvaluateAtUVXYZW(0, 0, p[0], p[1], p[2], 0) != 1.0)
            break;
        if (n % s == 0 && line.Push(SpacePoint{p[0], p[1], p[2]}) != 0) {
            PostFailure(FailureOutOfMemory);
            line.Clear();
            return false;
        }
        if (stopRequested.load(std::memory_order_relaxed))
            break;
    }
    return true;
}

bool ADEPlot3D::FillPointValues(FlowCurve& record)
{
    const int32_t n = record.count;
    if (radius) {
        record.radii = static_cast<double*>(BudgetMalloc(static_cast<uint32_t>(sizeof(double) * n), false));
        if (!record.radii)
            PostFailure(FailureOutOfMemory);
        for (int32_t i = 0; record.radii && i < n; ++i) {
            const float* q = record.points + 3 * i;
            record.radii[i] = radius->EvaluateAtUVXYZW(0, 0, q[0], q[1], q[2], 0);
            if (stopRequested.load(std::memory_order_relaxed))
                return false;
        }
    }
    if (IsFormulaColor(color)) {
        record.colors = static_cast<float*>(BudgetMalloc(static_cast<uint32_t>(3 * sizeof(float) * n), false));
        if (!record.colors)
            PostFailure(FailureOutOfMemory);
        for (int32_t i = 0; record.colors && i < n; ++i) {
            const float* q = record.points + 3 * i;
            double r = 0, g = 0, b = 0;
            color->EvaluateFormulas(0, 0, q[0], q[1], q[2], 0, r, g, b);
            record.colors[3 * i] = static_cast<float>(r);
            record.colors[3 * i + 1] = static_cast<float>(g);
            record.colors[3 * i + 2] = static_cast<float>(b);
            if (stopRequested.load(std::memory_order_relaxed))
                return false;
        }
    }
    return true;
}

int32_t ADEPlot3D::ComputeChunk(int32_t part)
{
    int32_t first = 0, end = 0;
    PartRange(startPoints ? startPoints->count : 0, partCount, part, first, end);
    const int32_t s = radius ? kFlowStoreEveryWithRadius : kFlowStoreEvery;
    for (int32_t i = first; i < end; ++i) {
        PointStore line;
        const bool stored = IntegrateFlowLine(*startPoints->At(i), s, line);
        if (stopRequested.load(std::memory_order_relaxed)) {
            line.Clear();
            return GraphJobStopped;
        }
        if (!stored)
            continue;
        FlowCurve* record = FlowCurve::FromPoints(line);
        line.Clear();
        if (!record)
            continue;
        if (!FillPointValues(*record) || stopRequested.load(std::memory_order_relaxed)) {
            FlowCurve::Free(record);
            return GraphJobStopped;
        }
        record->BuildCurve(color, opacity, renderContext);
        lines.Append(record);
    }
    if (stopRequested.load(std::memory_order_relaxed))
        return GraphJobStopped;
    MutexLock hold(doneMutex);
    done[part].store(1, std::memory_order_release);
    if (IsComplete() && renderContext)
        renderContext->RequestRedraw();
    return GraphJobDone;
}
