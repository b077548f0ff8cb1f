#include "graphs3d/AGridSurface4D.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/AGridSurface.h"
#include "rendering/ViewRenderContext.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {

template <typename T>
T* Budgeted(int64_t count)
{
    const int64_t bytes = count * static_cast<int64_t>(sizeof(T));
    if (count <= 0 || bytes > 0xFFFFFFFFll)
        return nullptr;
    return static_cast<T*>(BudgetMalloc(static_cast<uint32_t>(bytes), false));
}

template <typename T>
void Release(T*& block)
{
    if (block)
        BudgetFree(block);
    block = nullptr;
}

int32_t KindOf(const AGraphColor* color)
{
    return color ? color->kind.load(std::memory_order_relaxed) : ColorSolid;
}

bool NeedsColorArray(int32_t kind)
{
    return kind != ColorSolid && kind != ColorPicture && kind != ColorHidden;
}

void StoreTriple(float* array, int32_t vertex, double a, double b, double c)
{
    array[3 * vertex] = static_cast<float>(a);
    array[3 * vertex + 1] = static_cast<float>(b);
    array[3 * vertex + 2] = static_cast<float>(c);
}

// A 4-vector's components along the eye frame's three axes.
Vec3 ProjectDirection(const Projection4D& p, const float* t)
{
    auto dot = [t](const double (&axis)[4]) {
        return t[0] * axis[0] + t[1] * axis[1] + t[2] * axis[2] + t[3] * axis[3];
    };
    return Vec3{dot(p.X), dot(p.Y), dot(p.Z)};
}

}  // namespace

AGridSurface4D::AGridSurface4D(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* w,
                               double resolution, double opacity, AGraphColor* color, CompiledFormula* condition,
                               const double* uMin, const double* uMax, const double* vMin, const double* vMax,
                               ViewRenderContext* context, const Projection4D* projection)
    : x(x), y(y), z(z), w(w), condition(condition), color(color), opacity(opacity), uMin(uMin), uMax(uMax),
      vMin(vMin), vMax(vMax), context(context), projection(projection), n(GridSurfaceSize(resolution)), job(this)
{
    PrepareFormulas();
    if (color) {
        color->NormalizeBrightness();
        // Mode 1: the colour stays on the processor.
        color->BuildShader(nullptr, 1, context);
    }
    AllocateBuffers();
    Start();
}

AGridSurface4D::~AGridSurface4D()
{
    Stop();
    FreeBuffers();
    delete gridPrograms;
    FreeDerivatives();
    delete x;
    delete y;
    delete z;
    delete w;
    delete condition;
    delete color;
}

void AGridSurface4D::FreeDerivatives()
{
    for (CompiledFormula*& f : derivatives) {
        delete f;
        f = nullptr;
    }
}

void AGridSurface4D::PrepareFormulas()
{
    hasDerivatives = false;
    delete gridPrograms;
    gridPrograms = nullptr;
    FreeDerivatives();
    CompiledFormula* const xyzw[4] = {x, y, z, w};
    // r and theta are worked out from x and y inside the program: a
    // derivative by u or v cannot see through them.
    bool symbolic = !z->DependsOn(CodeR) && !z->DependsOn(CodeTheta);
    for (CompiledFormula* f : xyzw)
        symbolic = symbolic && f->IsDifferentiable();
    if (symbolic) {
        bool all = true;
        for (int32_t k = 0; k < 8; ++k) {
            derivatives[k] = xyzw[k % 4]->MakeDerivative(k < 4 ? CodeU : CodeV);
            all = all && derivatives[k];
        }
        if (all) {
            CompiledFormula* const twelve[12] = {x, y, z, w, derivatives[0], derivatives[1],
                                                 derivatives[2], derivatives[3], derivatives[4], derivatives[5],
                                                 derivatives[6], derivatives[7]};
            gridPrograms = LinkGridFormulas12(twelve);
            hasDerivatives = true;
        } else {
            FreeDerivatives();
        }
    }
    if (!hasDerivatives)
        gridPrograms = LinkGridFormulas4(x, y, z, w);
    if (condition)
        CompileFormula(condition);
}

void AGridSurface4D::FormulaList(CompiledFormula* (&list)[13]) const
{
    CompiledFormula* const all[13] = {x, y, z, w, condition, derivatives[0], derivatives[1],
                                      derivatives[2], derivatives[3], derivatives[4], derivatives[5],
                                      derivatives[6], derivatives[7]};
    std::memcpy(list, all, sizeof all);
}

void AGridSurface4D::Start()
{
    complete.store(0, std::memory_order_release);
    stopRequested.store(0, std::memory_order_relaxed);
    // The box is taken here, on the user-interface thread: a zoom that
    // restarts the surface is computed with its new box, and the workers
    // never read the view.
    if (projection)
        box = Box4DOf(*projection);
    CompiledFormula* list[13];
    FormulaList(list);
    ResumeFormulas13(color, list);
    EnqueueGraphJob(&job);
}

void AGridSurface4D::Stop()
{
    stopRequested.store(1, std::memory_order_relaxed);
    CompiledFormula* list[13];
    FormulaList(list);
    StopFormulas13(color, list);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

void AGridSurface4D::Restart()
{
    Stop();
    ResetBuffers();
    Start();
}

bool AGridSurface4D::HasBuffers() const
{
    if (!points || !partials || !defined || !positions || !normals || !triangles)
        return false;
    const int32_t kind = KindOf(color);
    if (kind == ColorPicture)
        return texCoords != nullptr;
    return !NeedsColorArray(kind) || colors;
}

void AGridSurface4D::ResetBuffers()
{
    if (!HasBuffers())
        return;
    std::memset(partials, 0, sizeof(float) * 8 * n * n);
    std::memset(defined, 0, static_cast<size_t>(n) * n);
    maxSquaredRadius = 0;
    complete.store(0, std::memory_order_release);
}

void AGridSurface4D::AllocateBuffers()
{
    const int32_t kind = KindOf(color);
    copies = color && color->IsTexturePattern() ? 2 : 1;
    const int64_t grid = static_cast<int64_t>(n) * n, vertices = grid * copies;
    points = Budgeted<double>(4 * grid);
    partials = Budgeted<float>(8 * grid);
    defined = Budgeted<uint8_t>(grid);
    positions = Budgeted<float>(3 * vertices);
    normals = Budgeted<float>(3 * vertices);
    triangles = Budgeted<int32_t>(3 * static_cast<int64_t>(2 * n - 2) * (n - 1));
    bool refused = !points || !partials || !defined || !positions || !normals || !triangles;
    if (NeedsColorArray(kind)) {
        colors = Budgeted<float>(3 * vertices);
        refused = refused || !colors;
    }
    if (kind == ColorPicture) {
        texCoords = Budgeted<float>(2 * grid);
        refused = refused || !texCoords;
    }
    if (refused)
        PostFailure(FailureOutOfMemory);
    if (!HasBuffers())
        FreeBuffers();
    ResetBuffers();
}

void AGridSurface4D::FreeBuffers()
{
    Release(points);
    Release(partials);
    Release(defined);
    Release(positions);
    Release(normals);
    Release(colors);
    Release(texCoords);
    Release(triangles);
    triangleCount = 0;
}

int32_t AGridSurface4D::ComputeChunk(int32_t)
{
    if (!HasBuffers())
        return GraphJobNothingToDo;
    const double u0 = *uMin, v0 = *vMin;
    const double du = (*uMax - u0) / (n - 1), dv = (*vMax - v0) / (n - 1);
    GridEvalState state;
    PrepareGrid2D(u0, v0, du, dv, n, n, gridPrograms, &state);
    CompiledFormula* const all[12] = {x, y, z, w, derivatives[0], derivatives[1], derivatives[2], derivatives[3],
                                      derivatives[4], derivatives[5], derivatives[6], derivatives[7]};
    const int32_t count = hasDerivatives ? 12 : 4;
    bool rows = true;
    for (int32_t f = 0; f < count; ++f)
        rows = rows && all[f]->canEvaluateRows;
    std::unique_ptr<double[]> values(new (std::nothrow) double[static_cast<size_t>(count) * n]);
    if (!values)
        return GraphJobNothingToDo;
    maxSquaredRadius = 0;
    for (int32_t iv = 0; iv < n; ++iv) {
        if (rows) {
            for (int32_t f = 0; f < count; ++f)
                all[f]->EvaluateRow(iv, &state, values.get() + static_cast<size_t>(f) * n);
        }
        for (int32_t iu = 0; iu < n; ++iu) {
            double p[12] = {};
            for (int32_t f = 0; f < count; ++f)
                p[f] = rows ? values[static_cast<size_t>(f) * n + iu] : all[f]->EvaluateAtGridPoint(iu, iv, &state);
            StorePoint(iu, iv, p, u0 + iu * du, v0 + iv * dv);
            if (stopRequested.load(std::memory_order_relaxed))
                return GraphJobStopped;
        }
    }
    if (stopRequested.load(std::memory_order_relaxed))
        return GraphJobStopped;
    complete.store(1, std::memory_order_release);
    if (context)
        context->RequestRedraw();
    return GraphJobDone;
}

void AGridSurface4D::StorePoint(int32_t iu, int32_t iv, const double* p, double u, double v)
{
    const int32_t g = iu * n + iv;
    defined[g] = 0;
    const double value[4] = {p[0], p[1], p[2], p[3]};
    for (double c : value) {
        if (!std::isfinite(c))
            return;
    }
    if (hasDerivatives) {
        bool finite = true;
        for (int32_t k = 4; k < 12; ++k)
            finite = finite && std::isfinite(p[k]);
        if (finite) {
            // Normalised units: each coordinate is stretched by its axis's
            // own factor.
            double scales[4];
            Box4DScales(box, scales);
            for (int32_t k = 0; k < 8; ++k)
                partials[8 * g + k] = static_cast<float>(p[4 + k] * scales[k % 4]);
        }
    }
    if (condition && condition->EvaluateAtUVXYZW(u, v, p[0], p[1], p[2], p[3]) != 1.0)
        return;
    StoreGridPointColor(color, colors, texCoords, GridPoint{iu, iv, n, copies}, u, v, p[0], p[1], p[2], p[3]);
    double normalised[4];
    if (!NormalizeTo4DBox(box, value, normalised))
        return;
    const double squared = normalised[0] * normalised[0] + normalised[1] * normalised[1] +
                           normalised[2] * normalised[2] + normalised[3] * normalised[3];
    if (squared > maxSquaredRadius)
        maxSquaredRadius = squared;
    std::memcpy(points + 4 * g, normalised, sizeof normalised);
    defined[g] = 1;
}

int32_t AGridSurface4D::GetStatus()
{
    if (!IsComplete() || !defined)
        return MessageNone;
    for (int32_t g = 0; g < n * n; ++g) {
        if (defined[g])
            return MessageNone;
    }
    return MessageUndefinedOrInfiniteForRanges;
}

double AGridSurface4D::GetExtent()
{
    return IsComplete() ? std::sqrt(maxSquaredRadius) : 0;
}

void AGridSurface4D::VariableChanged(uint32_t code)
{
    CompiledFormula* list[13];
    FormulaList(list);
    InvalidateConstants13(color, list);
    const bool uses = x->DependsOn(code) || y->DependsOn(code) || z->DependsOn(code) || w->DependsOn(code) ||
                      (color && color->DependsOn(code)) || (condition && condition->DependsOn(code));
    if (uses)
        Restart();
}

void AGridSurface4D::RecomputeForColor(double code)
{
    // The worker reads the colour's kind and formulas and writes the
    // colour arrays: it stops before any of them changes.
    Stop();
    FreeBuffers();
    color->SetColorCode(code);
    color->NormalizeBrightness();
    color->BuildShader(nullptr, 1, context);
    AllocateBuffers();
    Start();
    // Up to a second, so that the new colours show at once.
    const uint32_t start = ClockMilliseconds();
    while (!IsComplete() && static_cast<int32_t>(ClockMilliseconds() - start) < TicksToMilliseconds(60))
        SleepMicroseconds(50000);
}

void AGridSurface4D::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionColor:
        if (!color)
            return;
        // One solid colour to another: the frame reads the colour itself.
        if (color->kind == ColorSolid && value >= 1 && value <= 8) {
            color->SetColorCode(value);
            color->NormalizeBrightness();
            return;
        }
        RecomputeForColor(value);
        return;
    case OptionOpacity: opacity = value; return;
    case OptionResolution:
        Stop();
        FreeBuffers();
        n = GridSurfaceSize(value);
        AllocateBuffers();
        Start();
        return;
    default: return;
    }
}

void AGridSurface4D::ProjectVertices()
{
    for (int32_t g = 0; g < n * n; ++g) {
        const double(&P)[4] = *reinterpret_cast<const double(*)[4]>(points + 4 * g);
        Vec3 position{0, 0, 0};
        double depth;
        if (defined[g])
            Project4DPoint(*projection, P, position, depth);
        const Vec3 tu = ProjectDirection(*projection, partials + 8 * g);
        const Vec3 tv = ProjectDirection(*projection, partials + 8 * g + 4);
        Vec3 normal{tu.y * tv.z - tu.z * tv.y, tu.z * tv.x - tu.x * tv.z, tu.x * tv.y - tu.y * tv.x};
        NormalizeVec3(normal, normal);
        if (!std::isfinite(normal.x) || !std::isfinite(normal.y) || !std::isfinite(normal.z))
            normal = Vec3{0, 0, 0};
        for (int32_t k = 0; k < copies; ++k) {
            StoreTriple(positions, g * copies + k, position.x, position.y, position.z);
            StoreTriple(normals, g * copies + k, normal.x, normal.y, normal.z);
        }
    }
}

bool AGridSurface4D::Draw()
{
    if (!color || !context || !projection || color->kind == ColorHidden || !IsComplete() || !HasBuffers())
        return true;
    ProjectVertices();
    triangleCount = BuildGridTriangles(color, defined, n, copies, triangles);
    const int32_t kind = color->kind;
    bool solid = kind == ColorSolid;
    if (kind == ColorPicture && !color->EnsureImageTexture()) {
        color->rgb = 0x808080;
        solid = true;
    }
    if (solid) {
        context->SetShinyColor(color->rgb);
    } else if (kind == ColorPicture) {
        context->BindTexture(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(color->texture)));
        context->SetTexCoordArray(texCoords);
    } else {
        context->SetColorArray(colors);
    }
    context->SetOpacity(static_cast<float>(opacity));
    context->SetVertexArray(positions, copies * n * n);
    context->SetNormalArray(normals);
    context->DrawTriangles(triangles, triangleCount);
    context->DisableNormalArray();
    if (!solid) {
        if (kind == ColorPicture)
            context->DisableTexCoordArray();
        else
            context->DisableColorArray();
    }
    return true;
}
