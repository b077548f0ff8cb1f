#include "graphs3d/A3DVectorField.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/GraphWorkerPool.h"
#include "CoreUtilities/MemoryBudget.h"
#include "evaluation/CompiledFormula.h"
#include "graphmodel/AGraphColor.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/AnArrow3D.h"
#include "rendering/ViewRenderContext.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

bool IsFormulaColor(const AGraphColor* color)
{
    const int32_t kind = color ? color->kind.load(std::memory_order_relaxed) : ColorSolid;
    return kind == ColorRgbFormulas || kind == ColorHsvFormulas;
}

// The arrow from base to tip, built; null when memory is refused.
AnArrow3D* MakeArrow(const float* from, const float* to, double radius, AGraphColor* color, bool fixedSize,
                    bool noHead, ViewRenderContext* context)
{
    auto* arrow = new (std::nothrow) AnArrow3D(from, to, radius, color, fixedSize, noHead, context);
    if (!arrow)
        PostFailure(FailureOutOfMemory);
    return arrow;
}

}  // namespace

void ArrowBatch::Free(ArrowBatch* batch)
{
    if (!batch)
        return;
    for (AnArrow3D* arrow : batch->arrows)
        delete arrow;
    batch->arrows.Clear();
    for (AGraphColor* c : batch->colors)
        delete c;
    batch->colors.Clear();
    BudgetFree(batch->items);
    BudgetFree(batch->radii);
    delete batch;
}

A3DVectorField::A3DVectorField(CompiledFormula* fx, CompiledFormula* fy, CompiledFormula* fz,
                               CompiledFormula* radius, AGraphColor* color, const double* arrowLength,
                               const PointStore* startPoints, ViewRenderContext* renderContext)
    : renderContext(renderContext), startPoints(startPoints), arrowLength(arrowLength), fx(fx), fy(fy), fz(fz),
      radius(radius), color(color), job(this)
{
    PrepareFormulas();
    if (color)
        color->NormalizeBrightness();
}

A3DVectorField::~A3DVectorField()
{
    Stop();
    for (ArrowBatch* batch : batches)
        ArrowBatch::Free(batch);
    batches.Clear();
    delete fx;
    delete fy;
    delete fz;
    delete radius;
    delete color;
}

void A3DVectorField::PrepareFormulas()
{
    CompileFormulas3(fx, fy, fz);
    if (radius)
        CompileFormula(radius);
    if (color)
        color->ReleaseShader();
}

void A3DVectorField::Start()
{
    done = 0;
    stopRequested = 0;
    ResumeFormulas(color, fx, fy, fz, radius);
    EnqueueGraphJob(&job);
}

void A3DVectorField::Stop()
{
    stopRequested = 1;
    StopFormulas(color, fx, fy, fz, radius);
    CancelGraphJobs(this);
    WaitForGraphJob(&job);
}

bool A3DVectorField::UsesVariable(uint32_t code)
{
    for (const CompiledFormula* f : {fx, fy, fz, radius}) {
        if (f && f->DependsOn(code))
            return true;
    }
    return color && color->DependsOn(code);
}

void A3DVectorField::VariableChanged(uint32_t code)
{
    InvalidateConstants(color, fx, fy, fz, radius);
    if (UsesVariable(code))
        Restart();
}

ArrowBatch* A3DVectorField::AllocateArrays(int32_t points)
{
    auto* batch = new (std::nothrow) ArrowBatch;
    const int64_t bytes = static_cast<int64_t>(points) * 6 * sizeof(float);
    if (batch && points > 0 && bytes < 0x7FFFFFFF)
        batch->items = static_cast<float*>(BudgetMalloc(static_cast<uint32_t>(bytes), false));
    if (!batch || (points > 0 && !batch->items)) {
        PostFailure(FailureOutOfMemory);
        ArrowBatch::Free(batch);
        return nullptr;
    }
    if (radius && points > 0) {
        batch->radii = static_cast<double*>(BudgetMalloc(static_cast<uint32_t>(points * sizeof(double)), false));
        if (!batch->radii)
            PostFailure(FailureOutOfMemory);
    }
    MutexLock hold(listMutex);
    if (batches.Push(batch) != 0) {
        PostFailure(FailureOutOfMemory);
        ArrowBatch::Free(batch);
        return nullptr;
    }
    // Every earlier batch is old once this one is loaded.
    removeCount = batches.count - 1;
    return batch;
}

int32_t A3DVectorField::ComputeChunk(int32_t)
{
    const int32_t points = startPoints ? startPoints->count : 0;
    bool perArrowColors = IsFormulaColor(color);
    ArrowBatch* batch = AllocateArrays(points);
    if (!batch)
        return GraphJobNothingToDo;
    maxLength = 0;
    for (int32_t i = 0; i < points; ++i) {
        const SpacePoint p = *startPoints->At(i);
        const double v[3] = {fx->EvaluateAtUVXYZW(0, 0, p.x, p.y, p.z, 0),
                             fy->EvaluateAtUVXYZW(0, 0, p.x, p.y, p.z, 0),
                             fz->EvaluateAtUVXYZW(0, 0, p.x, p.y, p.z, 0)};
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!std::isfinite(length))
            continue;
        maxLength = std::max(maxLength, length);
        float* item = batch->items + 6 * batch->count;
        const double all[6] = {v[0], v[1], v[2], p.x, p.y, p.z};
        for (int32_t k = 0; k < 6; ++k)
            item[k] = static_cast<float>(all[k]);
        if (batch->radii)
            batch->radii[batch->count] = radius->EvaluateAtUVXYZW(0, 0, p.x, p.y, p.z, 0);
        if (perArrowColors) {
            // An arrow's own colour; without one it takes the field's.
            double r = 0, g = 0, b = 0;
            color->EvaluateFormulas(0, 0, p.x, p.y, p.z, 0, r, g, b);
            auto* own = new (std::nothrow) AGraphColor(color->context, color->doc);
            if (own) {
                own->kind = ColorSolid;
                own->rgb = (static_cast<RgbColor>(255 * r) << 16) | (static_cast<RgbColor>(255 * g) << 8) |
                           static_cast<RgbColor>(255 * b);
            }
            if (!own || batch->colors.Push(own) != 0) {
                delete own;
                PostFailure(FailureOutOfMemory);
                perArrowColors = false;
                for (AGraphColor* c : batch->colors)
                    delete c;
                batch->colors.Clear();
            }
        }
        if (stopRequested.load(std::memory_order_relaxed))
            return GraphJobStopped;
        ++batch->count;
    }
    if (maxLength == 0)
        maxLength = 1;
    const double s = arrowLength && *arrowLength != 0 ? *arrowLength / maxLength : 1;
    const bool fixedSize = points == 1;
    const bool withColors = batch->colors.count == batch->count;
    for (int32_t i = 0; i < batch->count; ++i) {
        float* item = batch->items + 6 * i;
        for (int32_t k = 0; k < 3; ++k)
            item[k] = static_cast<float>(item[3 + k] + s * item[k]);
        AnArrow3D* arrow = MakeArrow(item + 3, item, batch->radii ? batch->radii[i] : 0,
                                    withColors ? batch->colors[i] : color, fixedSize, noHead, renderContext);
        if (!arrow)
            continue;
        MutexLock hold(listMutex);
        if (batch->arrows.Push(arrow) != 0) {
            PostFailure(FailureOutOfMemory);
            delete arrow;
        }
    }
    done.store(1, std::memory_order_release);
    if (renderContext)
        renderContext->RequestRedraw();
    return GraphJobDone;
}

int32_t A3DVectorField::GetStatus()
{
    if (!IsComplete())
        return MessageNone;
    MutexLock hold(listMutex);
    const ArrowBatch* batch = batches.count > 0 ? batches[batches.count - 1] : nullptr;
    for (int32_t i = 0; batch && i < batch->count; ++i) {
        const float* item = batch->items + 6 * i;
        if (std::all_of(item, item + 6, [](float c) { return std::isfinite(c); }))
            return MessageNone;
    }
    return MessageUndefinedOrInfiniteForRanges;
}

void A3DVectorField::SetOption(int32_t code, double value)
{
    switch (code) {
    case OptionUploadMesh: {
        if (!IsComplete())
            return;
        MutexLock hold(listMutex);
        for (int32_t i = 0; i < removeCount; ++i)
            ArrowBatch::Free(batches[i]);
        MoveBytes(batches.storage, batches.storage + removeCount,
                  sizeof(ArrowBatch*) * (batches.count - removeCount));
        batches.count -= removeCount;
        removeCount = 0;
        for (ArrowBatch* batch : batches) {
            for (AnArrow3D* arrow : batch->arrows)
                arrow->SetOption(OptionUploadMesh, value);
        }
        return;
    }
    case OptionColor:
        if (color) {
            color->SetColorCode(value);
            color->NormalizeBrightness();
        }
        return;
    case OptionResolution: {
        MutexLock hold(listMutex);
        for (ArrowBatch* batch : batches) {
            for (AnArrow3D* arrow : batch->arrows)
                arrow->SetOption(OptionResolution, value);
        }
        return;
    }
    case OptionVectorLength:
        Stop();
        noHead = value != 0;
        Restart();
        Start();
        return;
    default: return;
    }
}

bool A3DVectorField::Draw()
{
    if (color && color->IsHidden())
        return true;
    MutexLock hold(listMutex);
    for (ArrowBatch* batch : batches) {
        for (AnArrow3D* arrow : batch->arrows)
            arrow->Draw();
    }
    return true;
}

double A3DVectorField::GetExtent()
{
    MutexLock hold(listMutex);
    double extent = 0;
    for (ArrowBatch* batch : batches) {
        for (AnArrow3D* arrow : batch->arrows)
            extent = std::max(extent, arrow->GetExtent());
    }
    return extent;
}
