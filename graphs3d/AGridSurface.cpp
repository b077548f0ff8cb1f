#include "graphs3d/AGridSurface.h"

#include "CoreUtilities/Clock.h"
#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "drawing/DrawingPort.h"
#include "evaluation/CompiledFormula.h"
#include "evaluation/GridEvalState.h"
#include "evaluation/GridProgramSet.h"
#include "evaluation/LinearForm.h"
#include "formula/SymbolCodes.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "rendering/ViewRenderContext.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {

// A grid larger than this is a resolution no line holds; it would only
// exhaust memory.
constexpr int32_t kMaxGridSize = 2048;

bool Finite3(double a, double b, double c)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c);
}

void StoreTriple(float* array, int32_t vertex, double a, double b, double c)
{
    array[3 * vertex] = static_cast<float>(a);
    array[3 * vertex + 1] = static_cast<float>(b);
    array[3 * vertex + 2] = static_cast<float>(c);
}

void StoreHue(float* colors, int32_t vertex, double hue)
{
    double r, g, b;
    HsvToRgb(hue, 1, 1, r, g, b);
    StoreTriple(colors, vertex, r, g, b);
}

bool IsZeroNormal(const float* n)
{
    return n[0] == 0 && n[1] == 0 && n[2] == 0;
}

template <typename T>
T* Budgeted(int64_t count)
{
    const int64_t bytes = count * static_cast<int64_t>(sizeof(T));
    if (count <= 0 || bytes > 0xFFFFFFFFll)
        return nullptr;
    return static_cast<T*>(BudgetMalloc(static_cast<uint32_t>(bytes), false));
}

// Frees and nulls a budgeted block.
template <typename T>
void Release(T*& block)
{
    if (block)
        BudgetFree(block);
    block = nullptr;
}

}  // namespace

int32_t GridSurfaceSize(double resolution)
{
    if (!std::isfinite(resolution))
        resolution = 0.5;
    const double n = std::trunc(74 * resolution + 5);
    return n < 5 ? 5 : n > kMaxGridSize ? kMaxGridSize : static_cast<int32_t>(n);
}

int32_t QuadTriangles(const uint8_t* defined, int32_t n, int32_t a, int32_t b, int32_t* out)
{
    const int32_t p00 = a * n + b, p01 = p00 + 1, p10 = p00 + n, p11 = p10 + 1;
    const bool d00 = defined[p00], d01 = defined[p01], d10 = defined[p10], d11 = defined[p11];
    const int32_t count = d00 + d01 + d10 + d11;
    if (count < 3)
        return 0;
    if (count == 4) {
        const int32_t t[6] = {p00, p11, p01, p00, p10, p11};
        std::memcpy(out, t, sizeof t);
        return 2;
    }
    const int32_t one[4][3] = {{p01, p10, p11}, {p00, p10, p11}, {p00, p11, p01}, {p00, p10, p01}};
    const int32_t missing = !d00 ? 0 : !d01 ? 1 : !d10 ? 2 : 3;
    std::memcpy(out, one[missing], sizeof one[0]);
    return 1;
}

void ComputeNeighbourNormals(const float* positions, float* normals, const uint8_t* defined, int32_t n, int32_t copies)
{
    auto at = [&](int32_t g) { return positions + 3 * g * copies; };
    for (int32_t iu = 0; iu < n; ++iu) {
        for (int32_t iv = 0; iv < n; ++iv) {
            const int32_t g = iu * n + iv;
            if (!defined[g] || !IsZeroNormal(normals + 3 * g * copies))
                continue;
            const int32_t iu2 = iu < n - 1 ? iu + 1 : iu - 1;
            const int32_t iv2 = iv < n - 1 ? iv + 1 : iv - 1;
            double s = iu < n - 1 ? 1 : -1;
            const int32_t diagonal = iu2 * n + iv2;
            const float* p = at(g);
            const float* a = p;
            if (defined[iu2 * n + iv])
                a = at(iu2 * n + iv);
            if (a[0] == p[0] && a[1] == p[1] && a[2] == p[2] && defined[diagonal])
                a = at(diagonal);
            const float* b = p;
            if (defined[iu * n + iv2])
                b = at(iu * n + iv2);
            if (b[0] == p[0] && b[1] == p[1] && b[2] == p[2] && defined[diagonal])
                b = at(diagonal);
            if (iv2 == iv - 1)
                s = -s;
            const double ax = double(a[0]) - p[0], ay = double(a[1]) - p[1], az = double(a[2]) - p[2];
            const double bx = double(b[0]) - p[0], by = double(b[1]) - p[1], bz = double(b[2]) - p[2];
            const double nx = s * (ay * bz - az * by), ny = s * (az * bx - ax * bz), nz = s * (ax * by - ay * bx);
            if (!Finite3(nx, ny, nz))
                continue;
            for (int32_t k = 0; k < copies; ++k)
                StoreTriple(normals, g * copies + k, nx, ny, nz);
        }
    }
}

void StoreGridPointColor(const AGraphColor* color, float* colors, float* texCoords, const GridPoint& p, double u,
                         double v, double x, double y, double z, double w)
{
    const int32_t vertex = (p.iu * p.n + p.iv) * p.copies;
    switch (color ? color->kind.load(std::memory_order_relaxed) : ColorSolid) {
    case ColorRowGradient: StoreHue(colors, vertex, double(p.iu + 1) / p.n); break;
    case ColorColumnGradient: StoreHue(colors, vertex, double(p.iv) / p.n); break;
    case ColorRgbFormulas:
    case ColorHsvFormulas: {
        double r = 0, g = 0, b = 0;
        color->EvaluateFormulas(u, v, x, y, z, w, r, g, b);
        StoreTriple(colors, vertex, r, g, b);
        break;
    }
    case ColorCheckerboard:
    case ColorRowStripes:
    case ColorColumnStripes:
        StoreTriple(colors, vertex, 0.3, 0.3, 0.3);
        StoreTriple(colors, vertex + 1, 1, 1, 1);
        break;
    case ColorRowBands:
        StoreHue(colors, vertex, ((p.iu + 5) % 6) / 6.0);
        StoreHue(colors, vertex + 1, (p.iu % 6) / 6.0);
        break;
    case ColorColumnBands:
        StoreHue(colors, vertex, ((p.iv + 5) % 6) / 6.0);
        StoreHue(colors, vertex + 1, (p.iv % 6) / 6.0);
        break;
    case ColorPicture: {
        const int32_t g = p.iu * p.n + p.iv;
        texCoords[2 * g] = static_cast<float>(double(p.iu) / (p.n - 1));
        texCoords[2 * g + 1] = static_cast<float>(1 - double(p.iv) / (p.n - 1));
        break;
    }
    default: break;
    }
}

int32_t BuildGridTriangles(const AGraphColor* color, const uint8_t* defined, int32_t n, int32_t copies,
                           int32_t* triangles)
{
    const int32_t kind = color ? color->kind.load(std::memory_order_relaxed) : ColorSolid;
    const bool plain = kind == ColorSolid || kind == ColorPicture || kind == ColorGpuProgram ||
                       (color && color->IsPerPointColor());
    const bool pattern = copies == 2 && color && color->IsTexturePattern();
    if (!plain && !pattern)
        return 0;
    int32_t count = 0;
    int32_t* out = triangles;
    for (int32_t a = 0; a < n - 1; ++a) {
        for (int32_t b = 0; b < n - 1; ++b) {
            int32_t t[6];
            const int32_t made = QuadTriangles(defined, n, a, b, t);
            for (int32_t k = 0; k < 3 * made; ++k) {
                int32_t vertex = t[k];
                if (pattern) {
                    const int32_t iu = t[k] / n, iv = t[k] % n;
                    int32_t copy = 0;
                    switch (kind) {
                    case ColorCheckerboard: copy = (a + b) % 2; break;
                    case ColorRowStripes: copy = a % 2; break;
                    case ColorColumnStripes: copy = b % 2; break;
                    case ColorRowBands: copy = iu == a; break;
                    default: copy = iv == b; break;
                    }
                    vertex = t[k] * 2 + copy;
                }
                *out++ = vertex;
            }
            count += made;
        }
    }
    return count;
}

AGridSurface::AGridSurface(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, double resolution,
                           double opacity, AGraphColor* color, CompiledFormula* condition, int32_t mode,
                           const double* uMin, const double* uMax, const double* vMin, const double* vMax,
                           ViewRenderContext* context)
    : x(x), y(y), z(z), condition(condition), color(color), opacity(opacity), uMin(uMin), uMax(uMax), vMin(vMin),
      vMax(vMax), context(context), n(GridSurfaceSize(resolution)), mode(mode), job(this)
{
    meshPending.Arm();
    if (color)
        color->NormalizeBrightness();
    PrepareFormulas();
    AllocateBuffers();
    Start();
}

AGridSurface::~AGridSurface()
{
    Stop();
    FreeBuffers();
    delete gridPrograms;
    FreeDerivatives();
    delete x;
    delete y;
    delete z;
    delete condition;
    delete color;
}

void AGridSurface::FreeDerivatives()
{
    for (CompiledFormula*& f : partials) {
        delete f;
        f = nullptr;
    }
}

void AGridSurface::PrepareFormulas()
{
    hasDerivatives = false;
    delete gridPrograms;
    gridPrograms = nullptr;
    FreeDerivatives();
    // r and theta are worked out from x and y inside the program: a
    // derivative by u or v cannot see through them.
    const bool symbolic = mode != 0 && x && y && z && x->IsDifferentiable() && y->IsDifferentiable() &&
                          z->IsDifferentiable() && !z->DependsOn(CodeR) && !z->DependsOn(CodeTheta);
    if (symbolic) {
        CompiledFormula* const xyz[3] = {x, y, z};
        bool all = true;
        for (int32_t k = 0; k < 6; ++k) {
            partials[k] = xyz[k % 3]->MakeDerivative(k < 3 ? CodeU : CodeV);
            all = all && partials[k];
        }
        if (all) {
            CompiledFormula* const nine[9] = {x, y, z, partials[0], partials[1], partials[2],
                                              partials[3], partials[4], partials[5]};
            gridPrograms = LinkGridFormulas9(nine);
            hasDerivatives = true;
        } else {
            FreeDerivatives();
        }
    }
    if (!hasDerivatives)
        gridPrograms = LinkGridFormulas3(x, y, z);
    if (condition)
        CompileFormula(condition);
    if (color)
        color->BuildShader(condition, mode, context);
    UpdateClipPlane();
}

void AGridSurface::UpdateClipPlane()
{
    clipPlaneActive = false;
    if (!condition || UsesGPUColorProgram() || !context || !context->IsOpenGL())
        return;
    LinearForm form;
    if (condition->GetLinearHalfSpace(&form)) {
        clipPlaneActive = true;
        clipPlane[0] = form.a;
        clipPlane[1] = form.b;
        clipPlane[2] = form.c;
        clipPlane[3] = form.d;
    }
}

bool AGridSurface::ConditionPerPoint() const
{
    return condition && !clipPlaneActive && !(color && color->fragmentProgram);
}

void AGridSurface::FormulaList(CompiledFormula* (&list)[13]) const
{
    CompiledFormula* const all[13] = {x, y, z, condition, partials[0], partials[1], partials[2],
                                      partials[3], partials[4], partials[5], nullptr, nullptr, nullptr};
    std::memcpy(list, all, sizeof all);
}

void AGridSurface::Start()
{
    complete.store(0, std::memory_order_release);
    stopRequested.store(0, std::memory_order_relaxed);
    CompiledFormula* list[13];
    FormulaList(list);
    ResumeFormulas13(color, list);
    EnqueueGraphJob(&job);
}

void AGridSurface::Stop()
{
    stopRequested.store(1, std::memory_order_relaxed);
    CompiledFormula* list[13];
    FormulaList(list);
    StopFormulas13(color, list);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

void AGridSurface::Restart()
{
    Stop();
    ResetBuffers();
    Start();
}

bool AGridSurface::HasBuffers() const
{
    if (!positions || !normals || !triangles || !defined)
        return false;
    const int32_t kind = color ? color->kind.load() : ColorSolid;
    if (kind == ColorPicture)
        return texCoords != nullptr;
    const bool needsColors = kind != ColorSolid && kind != ColorGpuProgram && kind != ColorHidden;
    return !needsColors || colors;
}

void AGridSurface::ResetBuffers()
{
    if (!HasBuffers())
        return;
    std::memset(normals, 0, sizeof(float) * 3 * copies * n * n);
    std::memset(defined, 0, static_cast<size_t>(n) * n);
    triangleCount = 0;
    analyticNormalsValid = true;
    complete.store(0, std::memory_order_release);
    meshPending.Arm();
}

void AGridSurface::AllocateBuffers()
{
    const int32_t kind = color ? color->kind.load() : ColorSolid;
    copies = color && color->IsTexturePattern() ? 2 : 1;
    const int64_t points = static_cast<int64_t>(n) * n, vertices = points * copies;
    positions = Budgeted<float>(3 * vertices);
    normals = Budgeted<float>(3 * vertices);
    triangles = Budgeted<int32_t>(3 * static_cast<int64_t>(2 * n - 2) * (n - 1));
    defined = Budgeted<uint8_t>(points);
    bool refused = !positions || !normals || !triangles || !defined;
    if (kind != ColorSolid && kind != ColorPicture && kind != ColorGpuProgram && kind != ColorHidden) {
        colors = Budgeted<float>(3 * vertices);
        refused = refused || !colors;
    }
    if (kind == ColorPicture) {
        texCoords = Budgeted<float>(2 * points);
        refused = refused || !texCoords;
    }
    if (refused)
        PostFailure(FailureOutOfMemory);
    if (!HasBuffers())
        FreeBuffers();
    ResetBuffers();
}

void AGridSurface::FreeBuffers()
{
    Release(positions);
    Release(normals);
    Release(triangles);
    Release(defined);
    Release(colors);
    Release(texCoords);
}

int32_t AGridSurface::ComputeChunk(int32_t)
{
    if (!HasBuffers())
        return GraphJobNothingToDo;
    const double u0 = *uMin, v0 = *vMin;
    const double du = (*uMax - u0) / (n - 1), dv = (*vMax - v0) / (n - 1);
    GridEvalState state;
    PrepareGrid2D(u0, v0, du, dv, n, n, gridPrograms, &state);
    CompiledFormula* const all[9] = {x, y, z, partials[0], partials[1], partials[2],
                                     partials[3], partials[4], partials[5]};
    const int32_t formulaCount = hasDerivatives ? 9 : 3;
    const bool rows = x->canEvaluateRows && y->canEvaluateRows && z->canEvaluateRows;
    // Row values, formula by formula; point evaluation uses the first
    // column only.
    std::unique_ptr<double[]> values(new (std::nothrow) double[static_cast<size_t>(formulaCount) * n]);
    if (!values)
        return GraphJobNothingToDo;
    for (int32_t iv = 0; iv < n; ++iv) {
        if (rows) {
            for (int32_t f = 0; f < formulaCount; ++f)
                all[f]->EvaluateRow(iv, &state, values.get() + static_cast<size_t>(f) * n);
        }
        for (int32_t iu = 0; iu < n; ++iu) {
            double p[9];
            if (rows) {
                for (int32_t f = 0; f < formulaCount; ++f)
                    p[f] = values[static_cast<size_t>(f) * n + iu];
            } else {
                for (int32_t f = 0; f < 3; ++f)
                    p[f] = all[f]->EvaluateAtGridPoint(iu, iv, &state);
                if (stopRequested.load(std::memory_order_relaxed))
                    return GraphJobStopped;
                for (int32_t f = 3; f < formulaCount; ++f)
                    p[f] = all[f]->EvaluateAtGridPoint(iu, iv, &state);
            }
            const int32_t g = iu * n + iv;
            defined[g] = Finite3(p[0], p[1], p[2]);
            if (!defined[g])
                continue;
            if (hasDerivatives)
                StoreAnalyticNormal(g, p + 3);
            StoreGridPoint(iu, iv, p[0], p[1], p[2], u0, v0, du, dv);
        }
        if (rows && stopRequested.load(std::memory_order_relaxed))
            return GraphJobStopped;
    }
    if (stopRequested.load(std::memory_order_relaxed))
        return GraphJobStopped;
    if (!hasDerivatives)
        analyticNormalsValid = false;
    if (!analyticNormalsValid)
        ComputeNeighbourNormals(positions, normals, defined, n, copies);
    BuildTriangles();
    ComputeExtent();
    complete.store(1, std::memory_order_release);
    if (context)
        context->RequestRedraw();
    return GraphJobDone;
}

void AGridSurface::StoreAnalyticNormal(int32_t g, const double* d)
{
    const double xu = d[0], yu = d[1], zu = d[2], xv = d[3], yv = d[4], zv = d[5];
    const double nx = yu * zv - zu * yv, ny = zu * xv - xu * zv, nz = xu * yv - yu * xv;
    if (!Finite3(nx, ny, nz) || (nx == 0 && ny == 0 && nz == 0)) {
        analyticNormalsValid = false;
        return;
    }
    for (int32_t k = 0; k < copies; ++k)
        StoreTriple(normals, g * copies + k, nx, ny, nz);
}

void AGridSurface::StoreGridPoint(int32_t iu, int32_t iv, double px, double py, double pz, double u0, double v0,
                                  double du, double dv)
{
    const int32_t g = iu * n + iv;
    const double u = u0 + iu * du, v = v0 + iv * dv;
    if (ConditionPerPoint() && condition->EvaluateAtUVXYZW(u, v, px, py, pz, 0) != 1.0) {
        defined[g] = 0;
        return;
    }
    const int32_t v0Index = g * copies;
    StoreGridPointColor(color, colors, texCoords, GridPoint{iu, iv, n, copies}, u, v, px, py, pz, 0);
    for (int32_t k = 0; k < copies; ++k)
        StoreTriple(positions, v0Index + k, px, py, pz);
}

void AGridSurface::BuildTriangles()
{
    triangleCount = BuildGridTriangles(color, defined, n, copies, triangles);
}

void AGridSurface::ComputeExtent()
{
    extent = 0;
    if (!context)
        return;
    std::unique_ptr<float[]> points(new (std::nothrow) float[3 * static_cast<size_t>(n) * n]);
    if (!points)
        return;
    int32_t count = 0;
    for (int32_t g = 0; g < n * n; ++g) {
        if (defined[g])
            std::memcpy(points.get() + 3 * count++, positions + 3 * g * copies, 3 * sizeof(float));
    }
    extent = context->GetBoundingRadius(points.get(), count);
}

int32_t AGridSurface::GetStatus()
{
    if (!IsComplete() || !defined)
        return MessageNone;
    for (int32_t g = 0; g < n * n; ++g) {
        if (defined[g])
            return MessageNone;
    }
    return MessageUndefinedOrInfiniteForRanges;
}

bool AGridSurface::UsesGPUColorProgram()
{
    return color && color->fragmentProgram != nullptr;
}

bool AGridSurface::UsesHSVColorProgram()
{
    return UsesGPUColorProgram() && color->savedKind == ColorHsvFormulas;
}

bool AGridSurface::GeometryDependsOn(uint32_t code) const
{
    return x->DependsOn(code) || y->DependsOn(code) || z->DependsOn(code) ||
           (ConditionPerPoint() && condition->DependsOn(code));
}

void AGridSurface::VariableChanged(uint32_t code)
{
    CompiledFormula* list[13];
    FormulaList(list);
    InvalidateConstants13(color, list);
    if (GeometryDependsOn(code)) {
        Restart();
    } else if (color && color->DependsOn(code)) {
        // A GPU program reads the value itself.
        if (UsesGPUColorProgram()) {
            if (context)
                context->RequestRedraw();
        } else {
            Restart();
        }
    }
    const bool conditionUses = condition && condition->DependsOn(code);
    if (clipPlaneActive && conditionUses) {
        LinearForm form;
        if (condition->GetLinearHalfSpace(&form)) {
            const double plane[4] = {form.a, form.b, form.c, form.d};
            std::memcpy(clipPlane, plane, sizeof plane);
        } else {
            // No half-space any more: clip the whole surface.
            const double none[4] = {0, 0, 0, -1};
            std::memcpy(clipPlane, none, sizeof none);
        }
    }
    if (conditionUses && (clipPlaneActive || UsesGPUColorProgram()) && context)
        context->RequestRedraw();
}

void AGridSurface::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionPlottingMode:
        if (value == 0 || value == 1 || value == 2)
            mode = static_cast<int32_t>(value);
        Stop();
        mesh.SetColors(nullptr);
        PrepareFormulas();
        FreeBuffers();
        AllocateBuffers();
        Start();
        return;
    case OptionUploadMesh:
        if (HasBuffers() && meshPending.TakeIfComplete(IsComplete()))
            mesh.SetTriangles(positions, normals, colors, texCoords, triangles,
                              static_cast<uint32_t>(copies) * n * n, triangleCount, UsesGPUColorProgram(), context);
        return;
    case OptionColor: {
        if (!color)
            return;
        if (color->kind == ColorSolid && value >= 1 && value <= 8) {
            color->SetColorCode(value);
            color->NormalizeBrightness();
            color->BuildShader(condition, mode, context);
            return;
        }
        Stop();
        FreeBuffers();
        color->SetColorCode(value);
        color->NormalizeBrightness();
        color->BuildShader(condition, mode, context);
        UpdateClipPlane();
        AllocateBuffers();
        Start();
        // Wait up to a second so the new colours show at once.
        const uint32_t start = ClockMilliseconds();
        while (!IsComplete() &&
               static_cast<int32_t>(ClockMilliseconds() - start) < TicksToMilliseconds(60))
            SleepMicroseconds(50000);
        if (IsComplete())
            SetOption(OptionUploadMesh, 0);
        return;
    }
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

bool AGridSurface::Draw()
{
    if (mesh.state == MeshEmpty || !HasBuffers() || !context || !color)
        return true;
    // A plane clips only in OpenGL: in any other mode the condition is
    // tested per point again, or it would be ignored.
    if (clipPlaneActive && !context->IsOpenGL()) {
        SetOption(OptionPlottingMode, mode);
        return true;
    }
    const int32_t kind = color->kind;
    if (kind == ColorHidden) {
        mesh.Sync();
        return true;
    }
    bool solid = kind == ColorSolid;
    if (kind == ColorPicture && !color->EnsureImageTexture()) {
        color->rgb = 0x808080;
        solid = true;
    }
    if (solid)
        context->SetShinyColor(color->rgb);
    else if (kind == ColorPicture)
        context->BindTexture(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(color->texture)));
    context->SetOpacity(static_cast<float>(opacity));
    if (clipPlaneActive)
        context->SetClipPlane(clipPlane[0], clipPlane[1], clipPlane[2], clipPlane[3]);
    if (UsesGPUColorProgram()) {
        if (!color->CheckRenderContext()) {
            context->SetShinyColor(kDarkGreyRgb);
        } else if (color->ApplyShader(context)) {
            if (color->IsTexturePattern())
                context->SetShinyColor(0xFFFFFF);
            mesh.Draw();
            context->FlipColorProgramSide();
            mesh.Draw();
            context->UnbindColorPrograms();
        } else {
            SetOption(OptionPlottingMode, 1);
            context->UnbindColorPrograms();
        }
    } else {
        mesh.Draw();
    }
    if (clipPlaneActive)
        context->DisableClipPlane();
    return true;
}
