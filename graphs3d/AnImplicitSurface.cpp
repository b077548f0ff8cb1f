#include "graphs3d/AnImplicitSurface.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/LinearForm.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphmodel/GraphServices.h"
#include "graphs3d/AllocateTriples.h"
#include "graphs3d/ImplicitPolygoniser.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr RgbColor kProgressGrey = 0x808080;
// 120 ticks: a slice, then a progress snapshot.
constexpr int32_t kSliceTicks = 120;

double ReadBound(const double* p)
{
    return p ? *p : 0;
}

}  // namespace

int32_t ImplicitCellCount(double resolution)
{
    const double c = std::trunc(36 * resolution + 4);
    // A resolution that is not a number or out of range keeps the grid
    // within what a slab's buffers can hold.
    if (!(c >= 1))
        return 4;
    return c > 400 ? 400 : static_cast<int32_t>(c);
}

int32_t GetImplicitPartCount()
{
    const int32_t n = GetProcessorCount();
    return n <= 1 ? 1 : 2 * n;
}

void ImplicitPartLayers(int32_t C, int32_t P, int32_t p, int32_t& first, int32_t& end)
{
    const int32_t L = (C + P - 1) / P;
    first = std::min(C, p * L);
    end = std::min(C, (p + 1) * L);
}

bool IntervalMayChangeSign(double lo, double hi)
{
    if (std::isnan(lo) || std::isnan(hi) || lo > hi)
        return true;
    return !((lo < 0 && hi < 0) || (lo > 0 && hi > 0));
}

AnImplicitSurface::AnImplicitSurface(CompiledFormula* f_, double resolution_, double opacity_, AGraphColor* color_,
                                     CompiledFormula* condition_, int32_t mode_, const double* xMin_,
                                     const double* xMax_, const double* yMin_, const double* yMax_,
                                     const double* zMin_, const double* zMax_, ViewRenderContext* renderContext_)
    : f(f_), condition(condition_), resolution(resolution_), color(color_), renderContext(renderContext_),
      opacity(opacity_), xMin(xMin_), xMax(xMax_), yMin(yMin_), yMax(yMax_), zMin(zMin_), zMax(zMax_),
      mode(mode_), partCount(GetImplicitPartCount())
{
    const int32_t P = partCount;
    workVertices.reset(new MeshVertexArray[P]());
    workTriangles.reset(new MeshTriangleArray[P]());
    workColors.reset(new float*[P]());
    publishedVertices.reset(new MeshVertexArray[P]());
    publishedTriangles.reset(new MeshTriangleArray[P]());
    publishedColors.reset(new float*[P]());
    snapshotVertices.reset(new MeshVertexArray[P]());
    snapshotTriangles.reset(new MeshTriangleArray[P]());
    snapshotStored.reset(new uint8_t[P]());
    done.reset(new std::atomic<uint8_t>[P]());
    computed.reset(new std::atomic<uint8_t>[P]());
    jobs = NewGraphJobs(this, P);
    PrepareFormulas();
    if (color) {
        color->NormalizeBrightness();
        color->BuildShader(condition, mode, renderContext);
    }
    UpdateClipPlane();
    Start();
}

AnImplicitSurface::~AnImplicitSurface()
{
    Stop();
    {
        MutexLock hold(resultsMutex);
        FreePublished();
        for (int32_t p = 0; p < partCount; ++p) {
            FreeWork(p);
            FreeSnapshot(p);
        }
    }
    DeleteGraphJobs(jobs);
    delete f;
    delete fx;
    delete fy;
    delete fz;
    delete condition;
    delete color;
    delete cornerPrograms;
}

void AnImplicitSurface::PrepareFormulas()
{
    delete cornerPrograms;
    cornerPrograms = LinkGridFormula(f);
    centrePrograms = cornerPrograms;
    if (f->IsDifferentiable()) {
        delete fx;
        delete fy;
        delete fz;
        fx = f->MakeDerivative(CodeX);
        fy = f->MakeDerivative(CodeY);
        fz = f->MakeDerivative(CodeZ);
        CompileFormulas4(f, fx, fy, fz);
    } else {
        CompileFormula(f);
    }
    if (condition)
        CompileFormula(condition);
}

void AnImplicitSurface::UpdateClipPlane()
{
    clipPlaneActive = 0;
    if (!condition || HoldsGPUProgram() || !renderContext || !renderContext->IsOpenGL())
        return;
    LinearForm form{};
    if (condition->GetLinearHalfSpace(&form)) {
        clipPlaneActive = 1;
        clipPlane[0] = form.a, clipPlane[1] = form.b, clipPlane[2] = form.c, clipPlane[3] = form.d;
    }
}

bool AnImplicitSurface::IsFormulaColor() const
{
    const int32_t k = color ? color->kind.load() : ColorSolid;
    return k == ColorRgbFormulas || k == ColorHsvFormulas;
}

bool AnImplicitSurface::HoldsGPUProgram() const
{
    return color && color->kind == ColorGpuProgram;
}

bool AnImplicitSurface::UsesGPUColorProgram()
{
    return HoldsGPUProgram();
}

bool AnImplicitSurface::UsesHSVColorProgram()
{
    return HoldsGPUProgram() && color->savedKind == ColorHsvFormulas;
}

double AnImplicitSurface::GetExtent()
{
    return std::sqrt(12.0);
}

int32_t AnImplicitSurface::CellCount() const
{
    return ImplicitCellCount(resolution.load());
}

void AnImplicitSurface::Start()
{
    stopRequested = 0;
    ResumeFormulas(color, f, fx, fy, fz, condition);
    for (int32_t p = 0; p < partCount; ++p)
        done[p] = 0;
    EnqueueGraphJobs(jobs, partCount);
}

void AnImplicitSurface::Stop()
{
    stopRequested = 1;
    // A worker waiting to publish must not hold up the wait for the jobs;
    // one that publishes meanwhile takes the hold again, given back below.
    ReleaseUploadHold();
    StopFormulas(color, f, fx, fy, fz, condition);
    CancelGraphJobs(this);
    for (int32_t p = 0; p < partCount; ++p)
        WaitForGraphJob(&jobs[p]);
    ReleaseUploadHold();
}

void AnImplicitSurface::ReleaseUploadHold()
{
    MutexLock hold(uploadMutex);
    uploadHold = false;
    uploadFree.Broadcast();
}

bool AnImplicitSurface::IsUploadHeld()
{
    MutexLock hold(uploadMutex);
    return uploadHold;
}

bool AnImplicitSurface::IsMeshPending()
{
    MutexLock hold(resultsMutex);
    return meshPending != 0;
}

bool AnImplicitSurface::IsColorPending()
{
    MutexLock hold(resultsMutex);
    return colorPending != 0;
}

bool AnImplicitSurface::AllPartsDone() const
{
    for (int32_t p = 0; p < partCount; ++p) {
        if (!done[p])
            return false;
    }
    return true;
}

bool AnImplicitSurface::IsComplete()
{
    return AllPartsDone() && published;
}

int32_t AnImplicitSurface::GetStatus()
{
    if (!IsComplete() || CountPublishedTriangles() > 0)
        return 0;
    if (noSignChangeAnywhere)
        return 6;
    return noSignChangeInBox ? 12 : 13;
}

void AnImplicitSurface::GetBox(double (&box)[6]) const
{
    const double values[6] = {*xMin, *yMin, *zMin, *xMax, *yMax, *zMax};
    std::copy(values, values + 6, box);
}

bool AnImplicitSurface::SurfaceFormulasUse(uint32_t code) const
{
    return f->DependsOn(code) || (condition && condition->DependsOn(code));
}

int64_t AnImplicitSurface::CountPublishedTriangles() const
{
    int64_t n = 0;
    for (int32_t p = 0; p < partCount; ++p)
        n += publishedTriangles[p].count;
    return n;
}

int64_t AnImplicitSurface::CountPublishedVertices() const
{
    int64_t n = 0;
    for (int32_t p = 0; p < partCount; ++p)
        n += publishedVertices[p].count;
    return n;
}

void AnImplicitSurface::FreeWork(int32_t p)
{
    workVertices[p].Clear();
    workTriangles[p].Clear();
    BudgetFree(workColors[p]);
    workColors[p] = nullptr;
}

void AnImplicitSurface::FreeSnapshot(int32_t p)
{
    snapshotVertices[p].Clear();
    snapshotTriangles[p].Clear();
    snapshotStored[p] = 0;
}

void AnImplicitSurface::FreePublishedColors()
{
    for (int32_t p = 0; p < partCount; ++p) {
        BudgetFree(publishedColors[p]);
        publishedColors[p] = nullptr;
    }
    BudgetFree(combinedColors);
    combinedColors = nullptr;
}

void AnImplicitSurface::FreePublished()
{
    for (int32_t p = 0; p < partCount; ++p) {
        publishedVertices[p].Clear();
        publishedTriangles[p].Clear();
    }
    FreePublishedColors();
}

int32_t AnImplicitSurface::ComputeChunk(int32_t p)
{
    // Both tests in every part: the box may have changed since the last run.
    const double x0 = ReadBound(xMin), x1 = ReadBound(xMax), y0 = ReadBound(yMin), y1 = ReadBound(yMax),
                 z0 = ReadBound(zMin), z1 = ReadBound(zMax);
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Interval anywhere = f->EvaluateOverBoxXYZ(-inf, inf, -inf, inf, -inf, inf);
    noSignChangeAnywhere = !IntervalMayChangeSign(anywhere.lo, anywhere.hi);
    const Interval inBox = f->EvaluateOverBoxXYZ(x0, x1, y0, y1, z0, z1);
    noSignChangeInBox = !IntervalMayChangeSign(inBox.lo, inBox.hi);

    if (!computed[p]) {
        const int32_t r = ComputeGeometry(p);
        if (r != GraphJobDone)
            return r;
    }
    if (IsFormulaColor()) {
        const int32_t r = ComputeColors(p);
        if (r != GraphJobDone)
            return r;
    }

    MutexLock hold(doneMutex);
    done[p] = 1;
    computed[p] = 1;
    if (AllPartsDone()) {
        {
            // The previous publication must be loaded (or the surface
            // stopped) before this one replaces it.
            MutexLock upload(uploadMutex);
            while (uploadHold)
                uploadFree.Wait(uploadMutex);
        }
        {
            MutexLock results(resultsMutex);
            Publish();
        }
        if (renderContext)
            renderContext->RequestRedraw();
    }
    return GraphJobDone;
}

int32_t AnImplicitSurface::ComputeGeometry(int32_t p)
{
    const int32_t C = CellCount();
    int32_t first = 0, end = 0;
    ImplicitPartLayers(C, partCount, p, first, end);
    FreeWork(p);
    if (first >= end)
        return GraphJobDone;
    if (p == 0)
        geometryPasses++;
    const double x0 = ReadBound(xMin), x1 = ReadBound(xMax), y0 = ReadBound(yMin), y1 = ReadBound(yMax),
                 z0 = ReadBound(zMin), z1 = ReadBound(zMax);
    const double dz = (z1 - z0) / C;
    auto layerZ = [&](int32_t k) { return k >= C ? z1 : z0 + k * dz; };
    // The per-vertex condition only when neither a clip plane nor the
    // colour program applies it.
    CompiledFormula* vertexCondition = clipPlaneActive == 0 && !HoldsGPUProgram() ? condition : nullptr;
    cellsTotal += int64_t(end - first) * C * C;
    int32_t k = first;
    while (k < end) {
        // A layer over which F keeps one sign has no vertex, not even on its
        // faces: runs of such layers are skipped, and a run of the others is
        // polygonised on its own (runs never touch, so they weld alike).
        const Interval range = f->EvaluateOverBoxXYZ(x0, x1, y0, y1, layerZ(k), layerZ(k + 1));
        if (!IntervalMayChangeSign(range.lo, range.hi)) {
            cellsSkipped += int64_t(C) * C;
            ++k;
            continue;
        }
        int32_t runEnd = k + 1;
        while (runEnd < end) {
            const Interval next = f->EvaluateOverBoxXYZ(x0, x1, y0, y1, layerZ(runEnd), layerZ(runEnd + 1));
            if (!IntervalMayChangeSign(next.lo, next.hi))
                break;
            ++runEnd;
        }
        GridEvalState corners, centres;
        ImplicitPolygoniser polygoniser;
        polygoniser.Init(f, fx, fy, fz, vertexCondition, cornerPrograms, centrePrograms, &corners, &centres, x0, x1,
                         y0, y1, layerZ(k), layerZ(runEnd), C, runEnd - k);
        if (!polygoniser.IsReady())
            return GraphJobNothingToDo;
        if (!polygoniser.PrepareGrids()) {
            FreeWork(p);
            PostFailure(FailureOutOfMemory);
            return GraphJobNothingToDo;
        }
        while (!polygoniser.IsFinished()) {
            const uint32_t deadline = ClockMilliseconds() + static_cast<uint32_t>(TicksToMilliseconds(kSliceTicks));
            if (polygoniser.RunSlice(&workVertices[p], &workTriangles[p], deadline) != 0) {
                FreeWork(p);
                PostFailure(FailureOutOfMemory);
                return GraphJobNothingToDo;
            }
            if (stopRequested)
                return GraphJobStopped;
            if (!polygoniser.IsFinished() && !ShellIsBenchmarkRunning())
                StoreSnapshot(p);
        }
        if (stopRequested)
            return GraphJobStopped;
        k = runEnd;
        // Between runs the next snapshot shows the finished ones.
        if (k < end && !ShellIsBenchmarkRunning())
            StoreSnapshot(p);
    }
    return GraphJobDone;
}

void AnImplicitSurface::StoreSnapshot(int32_t p)
{
    MeshVertexArray v = {};
    MeshTriangleArray t = {};
    const bool copied = workVertices[p].CopyTo(v) && workTriangles[p].CopyTo(t);
    if (!copied) {
        v.Clear();
        t.Clear();
    }
    MutexLock hold(snapshotMutex);
    FreeSnapshot(p);
    snapshotVertices[p] = v;
    snapshotTriangles[p] = t;
    snapshotStored[p] = copied ? 1 : 0;
    snapshotChanged = 1;
}

int32_t AnImplicitSurface::ComputeColors(int32_t p)
{
    if (p == 0)
        colorPasses++;
    // A colour-only run reads the published geometry, which only the
    // last part's publication replaces (after every part has finished).
    const MeshVertexArray& vertices = geometryChanged ? workVertices[p] : publishedVertices[p];
    BudgetFree(workColors[p]);
    workColors[p] = nullptr;
    const int32_t n = vertices.count;
    if (n == 0)
        return GraphJobDone;
    float* rgb = AllocateTriples(n, false);
    if (!rgb)
        return GraphJobNothingToDo;
    for (int32_t i = 0; i < n; ++i) {
        const MeshVertex& v = *vertices.At(i);
        double r = 0, g = 0, b = 0;
        color->EvaluateFormulas(0, 0, v.position[0], v.position[1], v.position[2], 0, r, g, b);
        rgb[3 * i] = float(r), rgb[3 * i + 1] = float(g), rgb[3 * i + 2] = float(b);
        if (stopRequested) {
            BudgetFree(rgb);
            return GraphJobStopped;
        }
    }
    workColors[p] = rgb;
    return GraphJobDone;
}

void AnImplicitSurface::Publish()
{
    if (geometryChanged) {
        FreePublished();
        for (int32_t p = 0; p < partCount; ++p) {
            publishedVertices[p] = workVertices[p];
            publishedTriangles[p] = workTriangles[p];
            publishedColors[p] = workColors[p];
            workVertices[p] = {};
            workTriangles[p] = {};
            workColors[p] = nullptr;
        }
        geometryChanged = 0;
        meshPending = 1;
        colorPending = 1;
        colorsChanged = 0;
    } else if (colorsChanged) {
        FreePublishedColors();
        for (int32_t p = 0; p < partCount; ++p) {
            publishedColors[p] = workColors[p];
            workColors[p] = nullptr;
        }
        colorPending = 1;
        colorsChanged = 0;
    }
    BuildColorArray();
    published = 1;
    MutexLock upload(uploadMutex);
    uploadHold = true;
}

void AnImplicitSurface::BuildColorArray()
{
    if (!IsFormulaColor() || combinedColors)
        return;
    const int64_t n = CountPublishedVertices();
    if (n == 0)
        return;
    combinedColors = AllocateTriples(n, false);
    if (!combinedColors)
        return;
    int64_t at = 0;
    for (int32_t p = 0; p < partCount; ++p) {
        const int32_t count = publishedVertices[p].count;
        if (publishedColors[p])
            std::copy(publishedColors[p], publishedColors[p] + 3 * int64_t(count), combinedColors + 3 * at);
        else
            std::fill(combinedColors + 3 * at, combinedColors + 3 * (at + count), 0.5f);
        at += count;
    }
}

void AnImplicitSurface::Restart()
{
    Stop();
    {
        MutexLock hold(resultsMutex);
        BudgetFree(combinedColors);
        combinedColors = nullptr;
        for (int32_t p = 0; p < partCount; ++p) {
            FreeWork(p);
            done[p] = 0;
            computed[p] = 0;
        }
        MutexLock snapshots(snapshotMutex);
        for (int32_t p = 0; p < partCount; ++p)
            FreeSnapshot(p);
    }
    geometryChanged = 1;
    colorsChanged = 1;
    published = 0;
    Start();
}

bool AnImplicitSurface::FormulaDependsOn(CompiledFormula* formula, uint32_t code) const
{
    return formula && formula->DependsOn(code);
}

void AnImplicitSurface::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, f, fx, fy, fz, condition);
    const bool conditionChanged = FormulaDependsOn(condition, code);
    const bool perVertexCondition = clipPlaneActive == 0 && !HoldsGPUProgram();
    if (FormulaDependsOn(f, code) || (conditionChanged && perVertexCondition)) {
        Restart();
    } else if (color && color->DependsOn(code)) {
        if (HoldsGPUProgram()) {
            if (renderContext)
                renderContext->RequestRedraw();
        } else {
            // Colours only: every part keeps its geometry.
            Stop();
            colorsChanged = 1;
            published = 0;
            Start();
        }
    }
    if (clipPlaneActive && conditionChanged) {
        LinearForm form{};
        if (condition->GetLinearHalfSpace(&form)) {
            clipPlane[0] = form.a, clipPlane[1] = form.b, clipPlane[2] = form.c, clipPlane[3] = form.d;
        } else {
            clipPlane[0] = clipPlane[1] = clipPlane[2] = 0;
            clipPlane[3] = -1;
        }
        if (renderContext)
            renderContext->RequestRedraw();
    }
    if (condition && HoldsGPUProgram() && conditionChanged && renderContext)
        renderContext->RequestRedraw();
}

void AnImplicitSurface::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionPlottingMode:
        if (value == 0 || value == 1 || value == 2)
            mode = static_cast<int32_t>(value);
        Stop();
        if (color)
            color->BuildShader(condition, mode, renderContext);
        UpdateClipPlane();
        mesh.SetColors(nullptr);
        PrepareFormulas();
        Restart();
        return;
    case OptionUploadProgress: {
        MutexLock hold(resultsMutex);
        if (meshPending) {
            mesh.SetTrianglesFromChunks(partCount, publishedVertices.get(), publishedTriangles.get(), combinedColors,
                                        HoldsGPUProgram(), renderContext);
            meshPending = 0;
            colorPending = 0;
            ReleaseUploadHold();
        } else if (colorPending) {
            if (IsFormulaColor())
                mesh.SetColors(combinedColors);
            colorPending = 0;
            ReleaseUploadHold();
        }
        return;
    }
    case OptionColor:
        if (color) {
            color->SetColorCode(value);
            color->NormalizeBrightness();
            if (condition)
                color->BuildShader(condition, mode, renderContext);
        }
        return;
    case OptionOpacity:
        opacity = value;
        return;
    case OptionResolution:
        resolution = value;
        Restart();
        return;
    default:
        return;
    }
}

void AnImplicitSurface::GatherSnapshots()
{
    // Publication moves a done part's work arrays away: it must not run
    // while they are read here.
    MutexLock results(resultsMutex);
    MutexLock hold(snapshotMutex);
    if (!snapshotChanged)
        return;
    const int32_t P = partCount;
    std::unique_ptr<MeshVertexArray[]> v(new MeshVertexArray[P]());
    std::unique_ptr<MeshTriangleArray[]> t(new MeshTriangleArray[P]());
    int32_t n = 0;
    for (int32_t p = 0; p < P; ++p) {
        if (done[p]) {
            v[n] = workVertices[p];
            t[n++] = workTriangles[p];
        } else if (snapshotStored[p]) {
            v[n] = snapshotVertices[p];
            t[n++] = snapshotTriangles[p];
        }
    }
    // Shallow views of arrays this surface still owns: never cleared here.
    if (n > 0)
        mesh.SetTrianglesFromChunks(n, v.get(), t.get(), nullptr, HoldsGPUProgram(), renderContext);
    snapshotChanged = 0;
}

bool AnImplicitSurface::Draw()
{
    if (color && color->IsHidden()) {
        if (mesh.state != MeshEmpty)
            mesh.Sync();
        return true;
    }
    const bool complete = IsComplete();
    if (!complete)
        GatherSnapshots();
    if (mesh.state == MeshEmpty || !renderContext)
        return true;
    const int32_t kind = color ? color->kind.load() : ColorSolid;
    if (color && kind == ColorSolid)
        renderContext->SetShinyColor(color->rgb.load());
    else if (!combinedColors || !complete || !IsFormulaColor())
        renderContext->SetShinyColor(kProgressGrey);
    renderContext->SetOpacity(static_cast<float>(opacity));
    if (clipPlaneActive)
        renderContext->SetClipPlane(clipPlane[0], clipPlane[1], clipPlane[2], clipPlane[3]);
    const bool drawn = DrawMesh();
    if (clipPlaneActive)
        renderContext->DisableClipPlane();
    return drawn;
}

bool AnImplicitSurface::DrawMesh()
{
    if (!HoldsGPUProgram()) {
        mesh.Draw();
        return true;
    }
    if (!color->CheckRenderContext()) {
        renderContext->SetShinyColor(kDarkGreyRgb);
        return true;
    }
    if (color->ApplyShader(renderContext)) {
        mesh.Draw();
        renderContext->FlipColorProgramSide();
        mesh.Draw();
        renderContext->UnbindColorPrograms();
        return true;
    }
    // The program cannot be applied: the colour goes back to the processor.
    SetOption(OptionPlottingMode, 1);
    renderContext->UnbindColorPrograms();
    return true;
}
