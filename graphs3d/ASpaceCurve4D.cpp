#include "graphs3d/ASpaceCurve4D.h"

#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ASpaceCurve.h"
#include "graphs3d/BudgetedBlock.h"
#include "rendering/MeshBuffer.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

ASpaceCurve4D::ASpaceCurve4D(CompiledFormula* x, CompiledFormula* y, CompiledFormula* z, CompiledFormula* w,
                             CompiledFormula* condition, AGraphColor* color, double resolution,
                             ViewRenderContext* context, const Projection4D* projection, const double* tMin,
                             const double* tMax)
    : context(context), projection(projection), tMin(tMin), tMax(tMax), curve{x, y, z, w, condition}, color(color),
      n(SpaceCurveSampleCount(resolution)), form(0), job(this)
{
    CompileFormulas4(x, y, z, w);
    if (condition)
        CompileFormula(condition);
    if (color)
        color->NormalizeBrightness();
    AllocateArrays();
    Start();
}

ASpaceCurve4D::ASpaceCurve4D(CompiledFormula* list, AGraphColor* color, ViewRenderContext* context,
                             const Projection4D* projection)
    : context(context), projection(projection), list(list), color(color), form(1), job(this)
{
    if (list)
        list->MakeComponentFormulas4(&items, &n);
    if (color)
        color->NormalizeBrightness();
    AllocateArrays();
    Start();
}

ASpaceCurve4D::~ASpaceCurve4D()
{
    Stop();
    FreeArrays();
    for (CompiledFormula* f : curve)
        delete f;
    if (items) {
        for (int32_t k = 0; k < 4 * n; ++k)
            delete items[k];
        BudgetFree(items);
    }
    delete list;
    delete color;
}

int32_t ASpaceCurve4D::FormulaCount() const
{
    return form == 0 ? 5 : (items ? 4 * n : 0);
}

CompiledFormula* const* ASpaceCurve4D::Formulas() const
{
    return form == 0 ? curve : items;
}

bool ASpaceCurve4D::HasArrays() const
{
    return n > 0 && normalized && defined && projected && pairs && inFront;
}

void ASpaceCurve4D::AllocateArrays()
{
    if (n <= 0)
        return;
    normalized = BudgetedBlock<double>(4 * static_cast<int64_t>(n));
    defined = BudgetedBlock<uint8_t>(n, true);
    projected = BudgetedBlock<float>(3 * static_cast<int64_t>(n));
    pairs = BudgetedBlock<uint16_t>(2 * static_cast<int64_t>(n));
    inFront = BudgetedBlock<uint8_t>(n);
    if (!HasArrays())
        FreeArrays();
}

void ASpaceCurve4D::FreeArrays()
{
    ReleaseBlock(normalized);
    ReleaseBlock(defined);
    ReleaseBlock(projected);
    ReleaseBlock(pairs);
    ReleaseBlock(inFront);
    pairCount = 0;
}

void ASpaceCurve4D::Reset()
{
    if (defined)
        std::memset(defined, 0, static_cast<size_t>(n));
    largestSquaredNorm = 0;
}

void ASpaceCurve4D::Start()
{
    done.store(0, std::memory_order_release);
    stopRequested.store(0, std::memory_order_relaxed);
    // The box as it is now: a zoom that changed it since the last frame is
    // seen at once, and the workers never read what a frame rewrites.
    if (projection)
        box = Box4DOf(*projection);
    ResumeFormulaList(color, Formulas(), FormulaCount());
    EnqueueGraphJob(&job);
}

void ASpaceCurve4D::Stop()
{
    stopRequested.store(1, std::memory_order_relaxed);
    StopFormulaList(color, Formulas(), FormulaCount());
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

void ASpaceCurve4D::Restart()
{
    Stop();
    Reset();
    Start();
}

int32_t ASpaceCurve4D::ComputeChunk(int32_t)
{
    if (!HasArrays() || (form == 0 && (!tMin || !tMax)))
        return GraphJobNothingToDo;
    const double t0 = form == 0 ? *tMin : 0;
    const double dt = form == 0 && n > 1 ? (*tMax - t0) / (n - 1) : 0;
    double largest = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double t = i * dt + t0;
        double p[4];
        for (int32_t k = 0; k < 4; ++k)
            p[k] = form == 0 ? curve[k]->EvaluateAt(t) : items[4 * i + k]->EvaluateAt(0);
        bool ok = std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) && std::isfinite(p[3]);
        if (ok && form == 0 && curve[4])
            ok = curve[4]->EvaluateAtUVXYZW(t, 0, p[0], p[1], p[2], p[3]) == 1;
        if (stopRequested.load(std::memory_order_relaxed))
            return GraphJobStopped;
        double out[4];
        ok = ok && NormalizeTo4DBox(box, p, out);
        defined[i] = ok;
        if (ok) {
            std::memcpy(normalized + 4 * i, out, sizeof out);
            largest = std::max(largest, out[0] * out[0] + out[1] * out[1] + out[2] * out[2] + out[3] * out[3]);
        }
    }
    largestSquaredNorm = largest;
    done.store(1, std::memory_order_release);
    if (context)
        context->RequestRedraw();
    return GraphJobDone;
}

int32_t ASpaceCurve4D::GetStatus()
{
    if (!IsComplete())
        return MessageNone;
    for (int32_t i = 0; i < n && defined; ++i) {
        if (defined[i])
            return MessageNone;
    }
    return MessageUndefinedOrInfiniteForRanges;
}

bool ASpaceCurve4D::DependsOn(uint32_t code) const
{
    if (form == 1)
        return list && list->DependsOn(code);
    for (const CompiledFormula* f : curve) {
        if (f && f->DependsOn(code))
            return true;
    }
    return color && color->DependsOn(code);
}

void ASpaceCurve4D::VariableChanged(uint32_t code)
{
    InvalidateFormulaList(color, Formulas(), FormulaCount());
    if (DependsOn(code))
        Restart();
}

void ASpaceCurve4D::SetOption(int32_t code, double value)
{
    if (code == OptionColor && color) {
        color->SetColorCode(value);
        color->NormalizeBrightness();
    } else if (code == OptionResolution && form == 0) {
        // A list keeps one point per item.
        Stop();
        FreeArrays();
        n = SpaceCurveSampleCount(value);
        AllocateArrays();
        Reset();
        Start();
    }
}

double ASpaceCurve4D::GetExtent()
{
    return std::sqrt(largestSquaredNorm.load());
}

bool ASpaceCurve4D::Draw()
{
    pairCount = 0;
    if (!color || color->kind == ColorHidden || !HasArrays() || !projection || !context || !IsComplete())
        return true;
    for (int32_t i = 0; i < n; ++i) {
        inFront[i] = 0;
        if (!defined[i])
            continue;
        const double p[4] = {normalized[4 * i], normalized[4 * i + 1], normalized[4 * i + 2], normalized[4 * i + 3]};
        Vec3 out;
        double depth;
        Project4DPoint(*projection, p, out, depth);
        projected[3 * i] = static_cast<float>(out.x);
        projected[3 * i + 1] = static_cast<float>(out.y);
        projected[3 * i + 2] = static_cast<float>(out.z);
        inFront[i] = depth >= 0;
    }
    context->SetFlatColor(color->rgb);
    // Pairs index 16 bits: a long list is drawn in runs of at most 65,536
    // points, each run starting where the last one ended.
    const int32_t run = static_cast<int32_t>(kMaxIndexedVertices) - 1;
    for (int32_t base = 0; base + 1 < n; base += run) {
        const int32_t last = std::min(n - 1, base + run);
        int32_t count = 0;
        for (int32_t i = base; i < last; ++i) {
            if (defined[i] && defined[i + 1] && inFront[i] && inFront[i + 1]) {
                pairs[2 * count] = static_cast<uint16_t>(i - base);
                pairs[2 * count + 1] = static_cast<uint16_t>(i + 1 - base);
                ++count;
            }
        }
        if (count == 0)
            continue;
        context->SetVertexArray(projected + 3 * base, last - base + 1);
        context->DrawLines(pairs, count, true);
        pairCount += count;
    }
    return true;
}
