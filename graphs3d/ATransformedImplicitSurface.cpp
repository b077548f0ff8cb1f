#include "graphs3d/ATransformedImplicitSurface.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/AllocateTriples.h"
#include "graphs3d/AnImplicitSurface.h"
#include "rendering/ViewRenderContext.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace {

template <typename T>
void Release(T*& block)
{
    BudgetFree(block);
    block = nullptr;
}

}  // namespace

bool IsFiniteVertex(const float* p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

bool IsWoundAgainstVertexNormal(const float* a, const float* b, const float* c, const float* normal)
{
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    return n[0] * normal[0] + n[1] * normal[1] + n[2] * normal[2] < 0;
}

ATransformedImplicitSurface::ATransformedImplicitSurface(CompiledFormula* X, CompiledFormula* Y, CompiledFormula* Z,
                                                         AnImplicitSurface* source, ViewRenderContext* renderContext)
    : X(X), Y(Y), Z(Z), source(source), renderContext(renderContext), job(this)
{
    job.dependency = source;
    source->GetBox(box);
    CompileFormulas3(X, Y, Z);
    Start();
}

ATransformedImplicitSurface::~ATransformedImplicitSurface()
{
    Stop();
    delete X;
    delete Y;
    delete Z;
    MutexLock hold(resultsMutex);
    FreeWork();
    FreePublished();
}

void ATransformedImplicitSurface::Start()
{
    done = 0;
    stopRequested = 0;
    ResumeFormulas(nullptr, X, Y, Z);
    EnqueueGraphJob(&job);
}

void ATransformedImplicitSurface::Stop()
{
    stopRequested = 1;
    StopFormulas(nullptr, X, Y, Z);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

void ATransformedImplicitSurface::Restart()
{
    Stop();
    MutexLock hold(resultsMutex);
    FreeWork();
    Start();
}

bool ATransformedImplicitSurface::IsComplete()
{
    return source->IsComplete() && done.load(std::memory_order_acquire) != 0;
}

void ATransformedImplicitSurface::VariableChanged(uint32_t code)
{
    InvalidateConstants(nullptr, X, Y, Z);
    if (X->DependsOn(code) || Y->DependsOn(code) || Z->DependsOn(code) || source->SurfaceFormulasUse(code))
        Restart();
}

void ATransformedImplicitSurface::FreeWork()
{
    Release(workPositions);
    Release(workNormals);
    Release(workTriangles);
    workVertexCount = workTriangleCount = 0;
}

void ATransformedImplicitSurface::FreePublished()
{
    Release(publishedPositions);
    Release(publishedNormals);
    Release(publishedTriangles);
    publishedVertexCount = publishedTriangleCount = 0;
}

void ATransformedImplicitSurface::PublishMapping()
{
    FreePublished();
    publishedPositions = std::exchange(workPositions, nullptr);
    publishedNormals = std::exchange(workNormals, nullptr);
    publishedTriangles = std::exchange(workTriangles, nullptr);
    publishedVertexCount = std::exchange(workVertexCount, 0);
    publishedTriangleCount = std::exchange(workTriangleCount, 0);
    meshPending = 1;
}

int32_t ATransformedImplicitSurface::ComputeChunk(int32_t)
{
    MutexLock sourceHold(source->ResultsMutex());
    const int64_t V = source->CountPublishedVertices(), T = source->CountPublishedTriangles();
    FreeWork();
    if (V > 0x7FFFFFFF / 3 || T > 0x7FFFFFFF / 3)
        return GraphJobNothingToDo;
    workPositions = AllocateTriples(V, false);
    workNormals = AllocateTriples(V, true);
    workTriangles = T > 0 ? reinterpret_cast<int32_t*>(AllocateTriples(T, false)) : nullptr;
    if ((V > 0 && (!workPositions || !workNormals)) || (T > 0 && !workTriangles)) {
        FreeWork();
        return GraphJobNothingToDo;
    }
    // Positions, slab after slab.
    int32_t v = 0;
    for (int32_t p = 0; p < source->PartCount(); ++p) {
        const MeshVertexArray& vertices = source->PublishedVertices(p);
        for (int32_t i = 0; i < vertices.count; ++i, ++v) {
            const float* q = vertices.At(i)->position;
            workPositions[3 * v] = static_cast<float>(X->EvaluateAtUVXYZW(0, 0, q[0], q[1], q[2], 0));
            workPositions[3 * v + 1] = static_cast<float>(Y->EvaluateAtUVXYZW(0, 0, q[0], q[1], q[2], 0));
            workPositions[3 * v + 2] = static_cast<float>(Z->EvaluateAtUVXYZW(0, 0, q[0], q[1], q[2], 0));
            if (stopRequested.load(std::memory_order_relaxed))
                return GraphJobStopped;
            if (source->IsStopping()) {
                sourceChanged = 1;
                return GraphJobStopped;
            }
        }
    }
    workVertexCount = v;
    // Triangles renumbered after the earlier slabs; those with a vertex
    // mapped off to infinity are dropped.
    int32_t t = 0, base = 0;
    for (int32_t p = 0; p < source->PartCount(); ++p) {
        const MeshTriangleArray& triangles = source->PublishedTriangles(p);
        for (int32_t i = 0; i < triangles.count; ++i) {
            const MeshTriangle* s = triangles.At(i);
            const int32_t a = base + s->v[0], b = base + s->v[1], c = base + s->v[2];
            if (!IsFiniteVertex(workPositions + 3 * a) || !IsFiniteVertex(workPositions + 3 * b) ||
                !IsFiniteVertex(workPositions + 3 * c))
                continue;
            int32_t* out = workTriangles + 3 * t++;
            out[0] = a;
            out[1] = b;
            out[2] = c;
        }
        base += source->PublishedVertices(p).count;
    }
    workTriangleCount = t;
    // Unit face normals summed at the corners, not weighted by area.
    for (int32_t k = 0; k < t; ++k) {
        const int32_t* tri = workTriangles + 3 * k;
        const float *A = workPositions + 3 * tri[0], *B = workPositions + 3 * tri[1], *C = workPositions + 3 * tri[2];
        const double u[3] = {double(B[0]) - A[0], double(B[1]) - A[1], double(B[2]) - A[2]};
        const double w[3] = {double(C[0]) - A[0], double(C[1]) - A[1], double(C[2]) - A[2]};
        double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (double& c : n)
            c /= length;
        if (!std::isfinite(n[0]) || !std::isfinite(n[1]) || !std::isfinite(n[2]))
            continue;
        for (int32_t corner = 0; corner < 3; ++corner) {
            float* sum = workNormals + 3 * tri[corner];
            for (int32_t c = 0; c < 3; ++c)
                sum[c] = static_cast<float>(sum[c] + n[c]);
        }
    }
    // Triangles that the map turned over face the way of their normals.
    for (int32_t k = 0; k < t; ++k) {
        int32_t* tri = workTriangles + 3 * k;
        if (IsWoundAgainstVertexNormal(workPositions + 3 * tri[0], workPositions + 3 * tri[1],
                                       workPositions + 3 * tri[2], workNormals + 3 * tri[0]))
            std::swap(tri[1], tri[2]);
    }
    const double newExtent = renderContext ? renderContext->GetBoundingRadius(workPositions, v) : 0;
    MutexLock hold(resultsMutex);
    extent = newExtent;
    PublishMapping();
    done.store(1, std::memory_order_release);
    if (renderContext)
        renderContext->RequestRedraw();
    return GraphJobDone;
}

void ATransformedImplicitSurface::SetOption(int32_t code, double)
{
    switch (code) {
    case OptionUploadProgress: {
        MutexLock sourceHold(source->ResultsMutex());
        MutexLock hold(resultsMutex);
        if (!meshPending)
            return;
        mesh.SetTriangles(publishedPositions, publishedNormals, source->CombinedColors(), nullptr, publishedTriangles,
                          static_cast<uint32_t>(publishedVertexCount), publishedTriangleCount, false, renderContext);
        meshPending = 0;
        return;
    }
    case OptionResolution: Restart(); return;
    default: return;
    }
}

bool ATransformedImplicitSurface::BoxChanged() const
{
    double now[6];
    source->GetBox(now);
    return std::memcmp(now, box, sizeof box) != 0;
}

bool ATransformedImplicitSurface::Draw()
{
    AGraphColor* color = source->Color();
    const int32_t kind = color ? color->kind.load() : ColorSolid;
    if (kind == ColorHidden) {
        if (mesh.state != MeshEmpty)
            mesh.Sync();
        return true;
    }
    // The view's box changed (the source restarts from the view), or a
    // mapping was cut short by a source restart: map again.
    if (BoxChanged() || sourceChanged) {
        source->GetBox(box);
        sourceChanged = 0;
        Restart();
        return true;
    }
    if (mesh.state == MeshEmpty || !renderContext)
        return true;
    if (kind == ColorSolid)
        renderContext->SetShinyColor(color->rgb);
    else if (color && color->fragmentProgram)
        renderContext->SetShinyColor(0xC0C0C0);
    renderContext->SetOpacity(static_cast<float>(source->Opacity()));
    mesh.Draw();
    return true;
}
