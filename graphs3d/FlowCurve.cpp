#include "graphs3d/FlowCurve.h"

#include "CoreUtilities/FailureCodes.h"
#include "CoreUtilities/FailureRegister.h"
#include "CoreUtilities/MemoryBudget.h"
#include "graphmodel/GraphCodes.h"
#include "graphs3d/ACurve3D.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

template <typename T>
T* CopyOf(const T* source, int32_t n, bool& refused)
{
    if (!source || n <= 0)
        return nullptr;
    T* copy = static_cast<T*>(BudgetMalloc(static_cast<uint32_t>(sizeof(T) * n), false));
    if (!copy) {
        refused = true;
        return nullptr;
    }
    std::memcpy(copy, source, sizeof(T) * n);
    return copy;
}

}  // namespace

FlowCurve* FlowCurve::FromPoints(const PointStore& line)
{
    auto* record = new (std::nothrow) FlowCurve;
    const int32_t n = line.count;
    float* points = n > 0 ? static_cast<float*>(BudgetMalloc(static_cast<uint32_t>(3 * sizeof(float) * n), false))
                          : nullptr;
    if (!record || (n > 0 && !points)) {
        PostFailure(FailureOutOfMemory);
        delete record;
        BudgetFree(points);
        return nullptr;
    }
    for (int32_t i = 0; i < n; ++i) {
        const SpacePoint* p = line.At(i);
        points[3 * i] = static_cast<float>(p->x);
        points[3 * i + 1] = static_cast<float>(p->y);
        points[3 * i + 2] = static_cast<float>(p->z);
    }
    record->count = n;
    record->points = points;
    return record;
}

FlowCurve* FlowCurve::FromCurveData(const FlowCurve& source)
{
    auto* record = new (std::nothrow) FlowCurve;
    if (!record) {
        PostFailure(FailureOutOfMemory);
        return nullptr;
    }
    bool refused = false;
    record->count = source.count;
    record->points = CopyOf(source.points, 3 * source.count, refused);
    record->radii = CopyOf(source.radii, source.count, refused);
    record->colors = CopyOf(source.colors, 3 * source.count, refused);
    if (refused) {
        PostFailure(FailureOutOfMemory);
        Free(record);
        return nullptr;
    }
    return record;
}

void FlowCurve::Free(FlowCurve* record)
{
    if (!record)
        return;
    delete record->curve;
    BudgetFree(record->points);
    BudgetFree(record->radii);
    BudgetFree(record->colors);
    delete record;
}

void FlowCurve::BuildCurve(AGraphColor* color, double opacity, ViewRenderContext* context)
{
    auto* built = new (std::nothrow) ACurve3D(count, points, radii, colors, color, 0, opacity, false, context);
    if (!built) {
        PostFailure(FailureOutOfMemory);
        return;
    }
    built->BuildTube();
    curve = built;
}

FlowCurveList::~FlowCurveList()
{
    for (FlowCurve* record : curves)
        FlowCurve::Free(record);
    curves.Clear();
}

void FlowCurveList::MarkOld()
{
    MutexLock hold(mutex);
    removeCount = curves.count;
}

void FlowCurveList::Append(FlowCurve* record)
{
    MutexLock hold(mutex);
    if (curves.Push(record) != 0) {
        PostFailure(FailureOutOfMemory);
        FlowCurve::Free(record);
    }
}

void FlowCurveList::DropOldAndLoad(double value)
{
    MutexLock hold(mutex);
    for (int32_t i = 0; i < removeCount; ++i)
        FlowCurve::Free(curves[i]);
    MoveBytes(curves.storage, curves.storage + removeCount, sizeof(FlowCurve*) * (curves.count - removeCount));
    curves.count -= removeCount;
    removeCount = 0;
    for (FlowCurve* record : curves) {
        if (record->curve)
            record->curve->SetOption(OptionUploadMesh, value);
    }
}

void FlowCurveList::SendOption(int32_t code, double value)
{
    MutexLock hold(mutex);
    for (FlowCurve* record : curves) {
        if (record->curve)
            record->curve->SetOption(code, value);
    }
}

void FlowCurveList::Draw()
{
    MutexLock hold(mutex);
    for (FlowCurve* record : curves) {
        if (record->curve)
            record->curve->Draw();
    }
}

double FlowCurveList::GetExtent()
{
    MutexLock hold(mutex);
    double extent = 0;
    for (FlowCurve* record : curves) {
        if (record->curve)
            extent = std::max(extent, record->curve->GetExtent());
    }
    return extent;
}
