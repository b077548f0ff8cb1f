#include "graphs3d/A3DPoint.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/LimitGrain.h"
#include "rendering/ViewRenderContext.h"

#include <cmath>

A3DPoint::A3DPoint(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, AGraphColor* color, double radius,
                   double opacity, ViewRenderContext* context)
    : context(context), x(x), y(y), z(z), color(color), radius(LimitGrain(radius)), opacity(opacity), job(this)
{
    meshPending.Arm();
    BuildUnitSphere();
    if (color)
        color->NormalizeBrightness();
    CompileFormula(x);
    CompileFormula(y);
    CompileFormula(z);
    Start();
}

A3DPoint::~A3DPoint()
{
    Stop();
    mesh.Clear();
    delete x;
    delete y;
    delete z;
    delete color;
}

void A3DPoint::Start()
{
    ready.store(0, std::memory_order_release);
    stopRequested.store(0, std::memory_order_relaxed);
    ResumeFormulas(color, x, y, z);
    EnqueueGraphJob(&job);
}

void A3DPoint::Stop()
{
    stopRequested.store(1, std::memory_order_relaxed);
    StopFormulas(color, x, y, z);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

void A3DPoint::Restart()
{
    Stop();
    meshPending.Arm();
    Start();
}

int32_t A3DPoint::ComputeChunk(int32_t)
{
    const double px = x->EvaluateAt(0), py = y->EvaluateAt(0), pz = z->EvaluateAt(0);
    if (color)
        color->EvaluateConstantColor();
    if (stopRequested.load(std::memory_order_relaxed))
        return GraphJobStopped;
    const bool finite = std::isfinite(px) && std::isfinite(py) && std::isfinite(pz);
    defined.store(finite, std::memory_order_release);
    double bx = 4, by = 4, bz = 4;
    if (context)
        context->GetBoxSize(bx, by, bz);
    const double k = 0.1 * radius + 0.01;
    const UnitSphere& sphere = BuildUnitSphere();
    for (int32_t i = 0; i < kUnitSphereVertices && finite; ++i) {
        const Vec3& u = sphere.vertices[i];
        // The normal of the sphere stretched by the box: the renderer
        // normalises it.
        normals[3 * i] = static_cast<float>(u.x / bx);
        normals[3 * i + 1] = static_cast<float>(u.y / by);
        normals[3 * i + 2] = static_cast<float>(u.z / bz);
        positions[3 * i] = static_cast<float>(px + bx * k * u.x);
        positions[3 * i + 1] = static_cast<float>(py + by * k * u.y);
        positions[3 * i + 2] = static_cast<float>(pz + bz * k * u.z);
    }
    extent = finite && context ? context->GetBoundingRadius(positions, kUnitSphereVertices) : 0;
    if (stopRequested.load(std::memory_order_relaxed))
        return GraphJobStopped;
    ready.store(1, std::memory_order_release);
    if (context)
        context->RequestRedraw();
    return GraphJobDone;
}

void A3DPoint::VariableChanged(uint32_t)
{
    InvalidateConstants(color, x, y, z);
    Restart();
}

void A3DPoint::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionUploadMesh:
        if (meshPending.TakeIfComplete(IsComplete()))
            mesh.SetTriangles(positions, normals, nullptr, nullptr, BuildUnitSphere().triangles, kUnitSphereVertices,
                              kUnitSphereTriangles, false, context);
        return;
    case OptionColor:
        if (color)
            color->SetColorCode(value);
        return;
    case OptionOpacity: opacity = value; return;
    case OptionResolution:
        radius = LimitGrain(value);
        Restart();
        return;
    default: return;
    }
}

bool A3DPoint::Draw()
{
    if (!IsDefined() || mesh.state == MeshEmpty || !context || !color)
        return true;
    if (color->kind == ColorHidden) {
        mesh.Sync();
        return true;
    }
    context->SetShinyColor(color->rgb);
    context->SetOpacity(static_cast<float>(opacity));
    mesh.Draw();
    return true;
}
